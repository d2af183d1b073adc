#include "configfixture.h"
#include "namedchild.h"

#include "camera/proptables.h"
#include "settings/configuration.h"
#include "settings/programsettings.h"
#include "ui/aufnahmeeinstform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace {

class AufnahmeEinstFormTest : public ConfigFixture, protected NamedControls
{
protected:
    const QObject *controlsOf() const override { return m_form.get(); }

    void SetUp() override
    {
        ConfigFixture::SetUp();
        m_form = std::make_unique<TAufnahmeEinstForm>();
        QObject::connect(m_form.get(), &TAufnahmeEinstForm::keepAliveChanged,
                         [this](int period) { m_periods.append(period); });
        QObject::connect(m_form.get(), &TAufnahmeEinstForm::imageSequenceModeChanged,
                         [this](bool on) { m_sequenceMode = on; });
        attachSettingsWindow(SettingsWindowKind::Capture, m_form.get());
    }
    void TearDown() override
    {
        attachSettingsWindow(SettingsWindowKind::Capture, nullptr);
        m_form.reset();
        ConfigFixture::TearDown();
    }


    // "E" single, "B" bracketing, "F" image sequence, "Z" time lapse: the boxes checked.
    QString modes() const
    {
        QString s;
        const std::pair<char, const char *> boxes[] = {{'E', "EinzelAufnahmeCheckBox"},
            {'B', "Belichtungsreihecheckbox"}, {'F', "BilderfolgeCheckbox"}, {'Z', "ZeitRafferCheckbox"}};
        for (const auto &[letter, name] : boxes) {
            if (box(name)->isChecked())
                s += QLatin1Char(letter);
        }
        return s;
    }
    bool bracketingSelectorsEnabled() const
    {
        return combo("BelReiheWert1ComboBox")->isEnabled() && combo("BelReiheWert2ComboBox")->isEnabled()
            && combo("BelReiheWert3ComboBox")->isEnabled();
    }
    bool timeLapseFieldsEnabled() const
    {
        return edit("AufnahmenAnzahlEdit")->isEnabled() && combo("InterValStdComboBox")->isEnabled()
            && combo("InterValMinComboBox")->isEnabled() && combo("InterValSekComboBox")->isEnabled();
    }
    void leave(QWidget *w) const
    {
        QFocusEvent event(QEvent::FocusOut);
        QCoreApplication::sendEvent(w, &event);
    }
    QColor background(QLineEdit *e) const { return e->palette().color(QPalette::Base); }

    std::unique_ptr<TAufnahmeEinstForm> m_form;
    QList<int> m_periods;
    bool m_sequenceMode = false;
};

} // namespace

TEST_F(AufnahmeEinstFormTest, StartsWithTheDefaults)
{
    EXPECT_EQ(m_form->windowTitle(), "Einstellungen");
    EXPECT_EQ(m_form->size(), QSize(386, 522));
    EXPECT_EQ(modes(), "E");
    EXPECT_FALSE(bracketingSelectorsEnabled());
    EXPECT_FALSE(edit("AufnahmenAnzahlEdit")->isEnabled());
    EXPECT_FALSE(combo("InterValSekComboBox")->isEnabled());

    QComboBox *value1 = combo("BelReiheWert1ComboBox");
    EXPECT_EQ(value1->count(), 34);  // the table has 40
    EXPECT_EQ(value1->currentText(), "-2");
    EXPECT_EQ(combo("BelReiheWert2ComboBox")->currentText(), "0");
    EXPECT_EQ(combo("BelReiheWert3ComboBox")->currentText(), "+2");

    EXPECT_EQ(edit("AufnahmenAnzahlEdit")->text(), "10");
    EXPECT_EQ(combo("InterValStdComboBox")->count(), 25);
    EXPECT_EQ(combo("InterValStdComboBox")->currentText(), "0");
    EXPECT_EQ(combo("InterValMinComboBox")->count(), 61);
    EXPECT_EQ(combo("InterValMinComboBox")->itemText(60), "60");
    EXPECT_EQ(combo("InterValSekComboBox")->currentText(), "10");
    EXPECT_EQ(combo("InterValSekComboBox")->itemText(0), "00");

    EXPECT_EQ(edit("Verzeichnisedit")->text(), QCoreApplication::applicationDirPath() + "/");
    EXPECT_EQ(edit("Projektnameedit")->text(), "");
    EXPECT_EQ(edit("DateimaskeEdit")->text(), "IMG#IMGNR");
    EXPECT_FALSE(box("keepaliveCheckBox")->isChecked());
    QComboBox *keepAlive = combo("keepaliveintervalcombobox");
    EXPECT_EQ(keepAlive->count(), 7);
    EXPECT_EQ(keepAlive->itemText(0), "30 Sekunden");
    EXPECT_EQ(keepAlive->currentText(), "AUS");
}

TEST_F(AufnahmeEinstFormTest, ModeClicksFollowTheRules)
{
    box("EinzelAufnahmeCheckBox")->click();  // the only mode cannot be switched off
    EXPECT_EQ(modes(), "E");

    box("Belichtungsreihecheckbox")->click();
    EXPECT_EQ(modes(), "B");
    EXPECT_TRUE(bracketingSelectorsEnabled());

    box("ZeitRafferCheckbox")->click();
    EXPECT_EQ(modes(), "BZ");
    EXPECT_TRUE(timeLapseFieldsEnabled());

    box("BilderfolgeCheckbox")->click();
    EXPECT_EQ(modes(), "FZ");
    EXPECT_FALSE(bracketingSelectorsEnabled());
    EXPECT_TRUE(m_sequenceMode);

    box("BilderfolgeCheckbox")->click();  // unchecking falls back to single shot
    EXPECT_EQ(modes(), "EZ");
    EXPECT_FALSE(m_sequenceMode);

    box("ZeitRafferCheckbox")->click();
    EXPECT_EQ(modes(), "E");
    EXPECT_FALSE(timeLapseFieldsEnabled());
}

TEST_F(AufnahmeEinstFormTest, ApplyingSettingsRunsTheClickRules)
{
    struct Case { bool single, bracketing, timeLapse, sequence; const char *modes; };
    const Case cases[] = {
        {true, true, false, false, "B"},    // the exclusive mode set last wins
        {true, true, true, true, "FZ"},
        {false, false, false, false, "E"},  // one mode is always set
        {true, false, true, false, "EZ"},
    };
    for (const Case &c : cases) {
        TProgramSettings &s = ProgramSettings();
        s.Einzelaufnahme = c.single;
        s.Belichtungsreihe = c.bracketing;
        s.Zeitraffer = c.timeLapse;
        s.Bilderfolge = c.sequence;
        CaptureSettingsToWindow();
        EXPECT_EQ(modes(), c.modes);
    }
}

TEST_F(AufnahmeEinstFormTest, BracketingIsOfferedOnlyInSomeAeModes)
{
    const std::pair<std::optional<quint32>, bool> cases[] = {
        {std::nullopt, false}, {0u, true}, {1u, true}, {2u, true}, {3u, false}, {5u, true}, {6u, false}};
    for (const auto &[code, allowed] : cases) {
        ProgramSettings().AEModeCode = code;
        CaptureSettingsToWindow();
        EXPECT_EQ(box("Belichtungsreihecheckbox")->isEnabled(), allowed) << (code ? int(*code) : -1);
    }
}

TEST_F(AufnahmeEinstFormTest, CollectsAndAppliesTheCaptureSettings)
{
    TProgramSettings &s = ProgramSettings();
    s.Belichtungsreihe = true;
    s.ExpComp1 = QStringLiteral("v3");
    s.ExpComp2 = QStringLiteral("nicht da");
    s.Aufnahmenanzahl = 7;
    s.IntervalStdText = QStringLiteral("2");
    s.IntervalMinText = QStringLiteral("15");
    s.IntervalSekText = QStringLiteral("05");
    s.Savepath = m_dir.path() + "/";
    s.Projektname = QStringLiteral("Projekt");
    s.Filemask = QStringLiteral("#YEAR\\#IMGNR");
    s.Prefix = QStringLiteral("vor");
    CaptureSettingsToWindow();

    EXPECT_EQ(combo("BelReiheWert1ComboBox")->currentIndex(), 3);
    EXPECT_EQ(combo("BelReiheWert2ComboBox")->currentIndex(), -1);  // unknown text: no entry
    EXPECT_EQ(combo("BelReiheWert2ComboBox")->currentText(), "nicht da");
    EXPECT_EQ(combo("InterValSekComboBox")->currentIndex(), 2);
    EXPECT_EQ(edit("Projektnameedit")->text(), "Projekt");
    EXPECT_EQ(m_form->prefix(), "vor");

    const TProgramSettings applied = s;
    s = TProgramSettings{};
    ASSERT_TRUE(CaptureSettingsFromWindow());
    EXPECT_EQ(s.Belichtungsreihe, true);
    EXPECT_EQ(s.Einzelaufnahme, false);
    EXPECT_EQ(s.ExpComp1, "v3");
    EXPECT_EQ(s.ExpComp2, "nicht da");
    EXPECT_EQ(s.ExpComp3, "0");
    EXPECT_EQ(s.Aufnahmenanzahl, 7);
    EXPECT_EQ(s.IntervalStdText, "2");
    EXPECT_EQ(s.IntervalMinText, "15");
    EXPECT_EQ(s.IntervalSekText, "05");
    EXPECT_EQ(s.Savepath, applied.Savepath);
    EXPECT_EQ(s.Filemask, applied.Filemask);
    EXPECT_EQ(s.Prefix, "vor");

    edit("Verzeichnisedit")->setText(m_dir.path());  // typed without the separator
    combo("InterValSekComboBox")->setEditText(QStringLiteral("7"));
    ASSERT_TRUE(CaptureSettingsFromWindow());
    EXPECT_EQ(s.Savepath, m_dir.path() + "/");
    EXPECT_EQ(s.IntervalSekText, "7");
}

TEST_F(AufnahmeEinstFormTest, NumberFieldThatIsNoNumberStopsCollectingAndSaving)
{
    const std::pair<const char *, const char *> cases[] = {
        {"AufnahmenAnzahlEdit", "zehn"}, {"InterValMinComboBox", "1,5"}};
    for (const auto &[name, text] : cases) {
        SCOPED_TRACE(name);
        m_dialogs.clear();
        m_dialogs.answer(DialogButton::Ok);
        m_form = std::make_unique<TAufnahmeEinstForm>();
        attachSettingsWindow(SettingsWindowKind::Capture, m_form.get());
        if (QComboBox *selector = m_form->findChild<QComboBox *>(QLatin1String(name)))
            selector->setEditText(QLatin1String(text));
        else
            edit(name)->setText(QLatin1String(text));
        ProgramSettings().Prefix = QStringLiteral("bleibt");

        EXPECT_FALSE(SaveConfiguration(path("a.ccf")));
        EXPECT_FALSE(QFile::exists(path("a.ccf")));
        EXPECT_EQ(ProgramSettings().Prefix, "bleibt");
        ASSERT_EQ(m_dialogs.calls().size(), 1);
        EXPECT_EQ(m_dialogs.calls()[0].caption, "Fehler");
        EXPECT_TRUE(m_dialogs.calls()[0].text.contains(QLatin1String(text)));
    }
}

TEST_F(AufnahmeEinstFormTest, FolderFieldShowsWhetherTheFolderExists)
{
    QLineEdit *folder = edit("Verzeichnisedit");
    folder->setText(path("fehlt"));
    EXPECT_EQ(background(folder), QColor(Qt::red));
    folder->setText(m_dir.path());
    EXPECT_EQ(background(folder), QColor(Qt::white));
    folder->setText(QString());  // empty: left as it was
    EXPECT_EQ(background(folder), QColor(Qt::white));
}

TEST_F(AufnahmeEinstFormTest, LeavingAFieldOffersToCreateAMissingFolder)
{
    QLineEdit *folder = edit("Verzeichnisedit");
    const QString missing = path("a/b/c") + "/";
    folder->setText(missing);
    m_dialogs.answer(DialogButton::No).answer(DialogButton::Cancel).answer(DialogButton::Yes);

    leave(edit("Projektnameedit"));
    leave(folder);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(background(folder), QColor(Qt::red));

    leave(folder);
    EXPECT_TRUE(QFileInfo(missing).isDir());
    EXPECT_EQ(background(folder), QColor(Qt::white));

    leave(edit("Projektnameedit"));  // exists now: no question
    ASSERT_EQ(m_dialogs.calls().size(), 3);
    const DialogCall &call = m_dialogs.calls()[0];
    EXPECT_EQ(call.icon, MessageIcon::Error);
    EXPECT_EQ(call.buttons, DialogButton::Yes | DialogButton::No | DialogButton::Cancel);
    EXPECT_EQ(call.text, QStringLiteral("Pfadangabe für Bilderausgabe existiert nicht ") + missing
                             + QStringLiteral("\n\nSoll es angelegt werden?"));
    EXPECT_TRUE(m_dialogs.finished());
}

TEST_F(AufnahmeEinstFormTest, FolderButtonAddsTheSeparator)
{
    QLineEdit *folder = edit("Verzeichnisedit");
    folder->setText(QStringLiteral("/start/"));
    m_dialogs.answerPath(m_dir.path()).answerCancel();
    child<QPushButton>("VerzeichnisButton")->click();
    EXPECT_EQ(folder->text(), m_dir.path() + "/");
    child<QPushButton>("VerzeichnisButton")->click();
    EXPECT_EQ(folder->text(), m_dir.path() + "/");
    EXPECT_EQ(m_dialogs.calls()[0].startFolder, "/start/");
}

TEST_F(AufnahmeEinstFormTest, MaskButtonTakesMaskAndPrefixBack)
{
    QString shownMask, shownPrefix;
    m_form->setMaskDialogOpener([&](const QString &mask, const QString &prefix) {
        shownMask = mask;
        shownPrefix = prefix;
        return std::pair{QStringLiteral("#PREFIX#IMGNR"), QStringLiteral("neu")};
    });
    ProgramSettings().Prefix = QStringLiteral("alt");
    CaptureSettingsToWindow();
    child<QPushButton>("DateimaskeButton")->click();
    EXPECT_EQ(shownPrefix, "alt");
    EXPECT_EQ(edit("DateimaskeEdit")->text(), "#PREFIX#IMGNR");
    ASSERT_TRUE(CaptureSettingsFromWindow());
    EXPECT_EQ(ProgramSettings().Prefix, "neu");
}

TEST_F(AufnahmeEinstFormTest, ProjectNameTakesEffectAtOnce)
{
    edit("Projektnameedit")->setText(QStringLiteral("Sofort"));
    EXPECT_EQ(ProgramSettings().Projektname, "Sofort");
}

TEST_F(AufnahmeEinstFormTest, KeepAliveSetsTheTimer)
{
    QComboBox *interval = combo("keepaliveintervalcombobox");
    QCheckBox *on = box("keepaliveCheckBox");
    interval->setCurrentText(QStringLiteral("1 Minute"));  // box unchecked: off
    on->click();
    interval->setCurrentText(QStringLiteral("AUS"));
    interval->setCurrentText(QStringLiteral("30 Sekunden"));
    interval->setEditText(QStringLiteral("3 Tage"));  // no entry: off
    interval->setCurrentText(QStringLiteral("15 Minuten"));
    on->click();
    EXPECT_EQ(m_periods, QList<int>({0, 55, 0, 25, 0, 895, 0}));
}

TEST_F(AufnahmeEinstFormTest, EditsSurviveClosingAndOpeningAgain)
{
    m_form->openFromMenu();
    box("ZeitRafferCheckbox")->click();
    edit("AufnahmenAnzahlEdit")->setText(QStringLiteral("3"));
    EXPECT_TRUE(m_form->close());
    m_form->openFromMenu();
    EXPECT_EQ(modes(), "EZ");
    EXPECT_EQ(edit("AufnahmenAnzahlEdit")->text(), "3");

    m_dialogs.answer(DialogButton::Ok);
    edit("AufnahmenAnzahlEdit")->setText(QStringLiteral("drei"));
    EXPECT_FALSE(m_form->close());  // stays open to be corrected
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_EQ(ProgramSettings().Aufnahmenanzahl, 3);
    EXPECT_TRUE(m_dialogs.finished());
}

TEST_F(AufnahmeEinstFormTest, RefillKeepsChosenBracketingValues)
{
    combo("BelReiheWert1ComboBox")->setCurrentText(QStringLiteral("v5"));
    MasterTable(CameraProperty::ExpComp).pop_front();  // another property file
    m_form->fillBracketingLists();
    EXPECT_EQ(combo("BelReiheWert1ComboBox")->currentText(), "v5");
    EXPECT_EQ(combo("BelReiheWert2ComboBox")->currentIndex(), 15);  // "0" moved up by one
}
