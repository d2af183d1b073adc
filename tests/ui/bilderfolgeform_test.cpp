#include "configfixture.h"
#include "namedchild.h"

#include "camera/camerasettings.h"
#include "sequence/commandlist.h"
#include "sequence/commandlistfile.h"
#include "ui/bilderfolgeform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include <memory>

namespace {

const char *const Buttons[] = {"AddCOmmandButton", "InsertCommandButton", "EditcommandButton",
                               "DeleteCommandButton", "Button1"};

class BilderFolgeFormTest : public ConfigFixture, protected NamedControls
{
protected:
    const QObject *controlsOf() const override { return m_form.get(); }

    void SetUp() override
    {
        ConfigFixture::SetUp();
        CommandList().clear();
        m_form = std::make_unique<TBilderFolgeForm>();
        // Each read gives the next AE mode name: "s1", "s2", ...
        m_form->setSettingsReader([this](TCamerasettings &s) {
            ++m_reads;
            if (m_duringRead)
                m_duringRead();
            s.AEMode = {QStringLiteral("s%1").arg(m_reads), quint32(m_reads), true};
            s.ISO = {QStringLiteral("UNKNOWN"), NoSelectionCode, false};
            s.Bulbtime = 15;
            return true;
        });
    }
    void TearDown() override
    {
        m_form.reset();
        CommandList().clear();
        ConfigFixture::TearDown();
    }

    QTableWidget *grid() const { return child<QTableWidget>("CommandlistSG1"); }
    void click(const char *button) const { child<QPushButton>(button)->click(); }
    void trigger(const char *action) const { child<QAction>(action)->trigger(); }
    void chooseDelay(int hours, int minutes, const char *seconds) const
    {
        child<QComboBox>("CinterValStdCOmbobox")->setCurrentIndex(hours);
        child<QComboBox>("CInterValMinComboBox")->setCurrentIndex(minutes);
        QComboBox *s = child<QComboBox>("CInterValSekComboBox");
        s->setCurrentIndex(s->findText(QLatin1String(seconds)));
    }
    void selectRows(int first, int last) const
    {
        grid()->clearSelection();
        grid()->setRangeSelected(QTableWidgetSelectionRange(first, 0, last, 11), true);
    }
    // Column texts of every grid row.
    QStringList column(int c) const
    {
        QStringList texts;
        for (int row = 0; row < grid()->rowCount(); ++row)
            texts << (grid()->item(row, c) ? grid()->item(row, c)->text() : QString());
        return texts;
    }
    // The enabled buttons as their names' first letters (A, I, E, D, B).
    QString enabledButtons() const
    {
        QString s;
        for (const char *name : Buttons)
            if (child<QPushButton>(name)->isEnabled())
                s += QLatin1Char(name[0]);
        return s;
    }
    QStringList aeModes() const
    {
        QStringList names;
        for (const TCamerasettings &c : CommandList())
            names << c.AEMode.Name;
        return names;
    }

    std::unique_ptr<TBilderFolgeForm> m_form;
    int m_reads = 0;
    std::function<void()> m_duringRead;
};

TEST_F(BilderFolgeFormTest, NewWindowShowsTheEmptyGridLockedUntilSequenceMode)
{
    const QStringList headers{"Nr", "AEMode", "AV", "TV", "Bulbtime", "ISO", "Weissabgleich",
                              "Qualitiy", "EXPComp", "Delstd", "Delmin", "Delsek"};
    const int widths[] = {20, 50, 50, 50, 50, 50, 80, 60, 50, 35, 35, 35};
    ASSERT_EQ(grid()->columnCount(), 12);
    for (int c = 0; c < 12; ++c) {
        EXPECT_EQ(grid()->horizontalHeaderItem(c)->text(), headers[c]);
        EXPECT_EQ(grid()->columnWidth(c), widths[c]) << c;
    }
    EXPECT_EQ(grid()->rowCount(), 1);
    EXPECT_EQ(grid()->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid()->selectionBehavior(), QAbstractItemView::SelectRows);
    QComboBox *seconds = child<QComboBox>("CInterValSekComboBox");
    QStringList secondsList;
    for (int i = 0; i < seconds->count(); ++i)
        secondsList << seconds->itemText(i);
    EXPECT_EQ(secondsList, QStringList({"00", "02", "05", "15", "30", "45", "60"}));
    EXPECT_EQ(seconds->currentText(), QStringLiteral("15"));
    EXPECT_EQ(child<QComboBox>("CinterValStdCOmbobox")->count(), 25);
    EXPECT_EQ(child<QComboBox>("CInterValMinComboBox")->count(), 61);
    QCheckBox *mode = child<QCheckBox>("CommandListCheckbox");
    EXPECT_TRUE(mode->isHidden());

    const auto state = [&] {
        return enabledButtons() + (grid()->isEnabled() ? "+grid" : "") + (seconds->isEnabled() ? "+delay" : "")
               + (mode->isChecked() ? "+mode" : "");
    };
    EXPECT_EQ(state(), QStringLiteral("B"));
    m_form->setSequenceMode(true);
    EXPECT_EQ(state(), QStringLiteral("AB+grid+delay+mode"));
    click("AddCOmmandButton");
    EXPECT_EQ(state(), QStringLiteral("AIEDB+grid+delay+mode"));
    m_form->setSequenceMode(false);
    EXPECT_EQ(state(), QStringLiteral("IEB"));
}

TEST_F(BilderFolgeFormTest, EditingKeepsListAndGridInStep)
{
    m_form->setSequenceMode(true);
    chooseDelay(1, 2, "05");
    for (int i = 0; i < 3; ++i)
        click("AddCOmmandButton");
    EXPECT_EQ(column(0), QStringList({"1", "2", "3"}));
    EXPECT_EQ(column(1), QStringList({"s1", "s2", "s3"}));
    EXPECT_EQ(column(5), QStringList({"UNKNOWN", "UNKNOWN", "UNKNOWN"}));
    EXPECT_EQ(column(4), QStringList({"15", "15", "15"}));
    EXPECT_EQ(column(9) + column(10) + column(11), QStringList({"1", "1", "1", "2", "2", "2", "5", "5", "5"}));
    EXPECT_EQ(CommandList()[0].ISO.ID, NoSelectionCode);

    selectRows(0, 0);
    click("InsertCommandButton");
    EXPECT_EQ(aeModes(), QStringList({"s1", "s4", "s2", "s3"}));
    selectRows(2, 2);
    click("EditcommandButton");
    EXPECT_EQ(aeModes(), QStringList({"s1", "s4", "s5", "s3"}));
    selectRows(3, 3);
    click("DeleteCommandButton");
    EXPECT_EQ(aeModes(), QStringList({"s1", "s4", "s5"}));
    EXPECT_EQ(column(1), aeModes());

    trigger("Lschen1");
    EXPECT_TRUE(CommandList().isEmpty());
    EXPECT_EQ(column(1), QStringList{QString()}) << "header and one empty row";
    EXPECT_EQ(enabledButtons(), QStringLiteral("AB"));

    click("AddCOmmandButton");
    selectRows(0, 0);
    click("DeleteCommandButton");
    EXPECT_TRUE(CommandList().isEmpty());
    EXPECT_EQ(grid()->rowCount(), 1);
    EXPECT_EQ(enabledButtons(), QStringLiteral("AB"));
    // The empty row holds no command: nothing to insert after, change or delete.
    selectRows(0, 0);
    click("InsertCommandButton");
    click("EditcommandButton");
    click("Button1");
    EXPECT_TRUE(CommandList().isEmpty());
}

TEST_F(BilderFolgeFormTest, IntervalChangeSetsTheDelaysOfTheSelectedRowsOnly)
{
    m_form->setSequenceMode(true);
    for (int i = 0; i < 5; ++i)
        click("AddCOmmandButton");
    chooseDelay(2, 30, "45");
    selectRows(1, 3);
    click("Button1");

    QStringList delays;
    for (const TCamerasettings &c : CommandList())
        delays << QStringLiteral("%1:%2:%3").arg(c.PauseHours).arg(c.PauseMinutes).arg(c.PauseSeconds);
    EXPECT_EQ(delays, QStringList({"0:0:15", "2:30:45", "2:30:45", "2:30:45", "0:0:15"}));
    EXPECT_EQ(column(1), QStringList({"s1", "s2", "s3", "s4", "s5"}));
    EXPECT_EQ(column(10), QStringList({"0", "30", "30", "30", "0"}));
}

TEST_F(BilderFolgeFormTest, ButtonsAreDeadWhileTheSettingsAreRead)
{
    m_form->setSequenceMode(true);
    click("AddCOmmandButton");
    selectRows(0, 0);
    QString during;
    m_duringRead = [&] {
        during = enabledButtons();
        // A second click that arrives during the wait.
        click("AddCOmmandButton");
        click("InsertCommandButton");
    };
    click("AddCOmmandButton");

    EXPECT_EQ(during, QString());
    EXPECT_EQ(aeModes(), QStringList({"s1", "s2"}));
    EXPECT_EQ(enabledButtons(), QStringLiteral("AIEDB"));
}

TEST_F(BilderFolgeFormTest, MenuLoadsAFileIntoTheGridAndRunnerSelectsItsStep)
{
    CommandList() = {TCamerasettings{}, TCamerasettings{}};
    CommandList()[1].Tv = {QStringLiteral("1/60"), 104, true};
    ASSERT_TRUE(saveCommandList(path("zwei.clf")));
    CommandList().clear();
    m_dialogs.answerPath(path("zwei.clf"));
    trigger("BilderfolgeLaden");
    EXPECT_TRUE(m_dialogs.finished());
    EXPECT_EQ(column(3), QStringList({"", "1/60"}));

    m_form->selectStep(1);
    const QList<QTableWidgetSelectionRange> ranges = grid()->selectedRanges();
    ASSERT_EQ(ranges.size(), 1);
    EXPECT_EQ(ranges[0].topRow(), 1);
    EXPECT_EQ(ranges[0].bottomRow(), 1);
}

} // namespace
