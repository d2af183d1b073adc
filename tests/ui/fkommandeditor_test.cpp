#include "commandeditortest.h"

#include "ui/fcommandbuilder.h"
#include "ui/fkommandeditor.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>

#include <memory>

namespace {

const char *const kColumns[] = {"btApp", "btCom", "btParam"};
const char *const kButtons[] = {"Add", "Delete", "Edit", "Copy"};
const QString kUnsavedQuestion = QStringLiteral("Sie habe noch nicht gespeichert !\r\n\r\nMöchten Sie jetzt speichern ?");

enum Tab { AppTab, ComTab, ParamTab, BuilderTab };

class KommandeditorTest : public CommandEditorTest
{
protected:
    void TearDown() override
    {
        m_editor.reset();
        CommandEditorTest::TearDown();
    }
    TFKommandeditor &open()
    {
        m_editor = std::make_unique<TFKommandeditor>(m_catalogue);
        m_editor->show();
        return *m_editor;
    }
    template<typename W>
    W *get(const QString &name) const { return child<W>(*m_editor, name); }
    QListWidget *list(int column) const
    {
        const char *names[] = {"LbAppList", "LbComList", "lbParamlist"};
        return get<QListWidget>(names[column]);
    }
    void press(const QString &button) const { get<QPushButton>(button)->click(); }
    QTabWidget *pages() const { return get<QTabWidget>("PCProperties"); }
    // The enabled buttons of one list as "+-EK", "." for a disabled one.
    QString buttons(int column) const
    {
        QString s;
        for (int b = 0; b < 4; ++b) {
            const QString name = QLatin1String(kColumns[column]) + QLatin1String(kButtons[b]);
            s += get<QPushButton>(name)->isEnabled() ? QStringLiteral("+-EK")[b] : u'.';
        }
        return s;
    }
    QString memo() const { return get<QPlainTextEdit>("Memo1")->toPlainText(); }
    bool editing() const { return get<QPushButton>("BtSave")->isEnabled(); }
    void setText(const char *edit, const QString &text) const { get<QLineEdit>(edit)->setText(text); }

    std::unique_ptr<TFKommandeditor> m_editor;
};

TEST_F(KommandeditorTest, ListButtonsFollowTheTable)
{
    struct Case
    {
        const char *name;
        int applications, commands, params;
        QString expected[3];
    };
    const Case cases[] = {
        {"no applications", 0, 0, 0, {"+...", "....", "...."}},
        {"application without commands", 1, 0, 0, {"+-EK", "+...", "...."}},
        {"command without parameters", 1, 1, 0, {"+-EK", "+-EK", "+..."}},
        {"everything", 2, 2, 1, {"+-EK", "+-EK", "+-EK"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_editor.reset();
        m_catalogue.Applications = {};
        for (int a = 0; a < c.applications; ++a) {
            TExternApplication *app = addApplication("App");
            for (int k = 0; k < c.commands; ++k) {
                TExterncommand *com = addCommand(*app, "Com");
                for (int p = 0; p < c.params; ++p)
                    addParam(*com, "p", "Switch");
            }
        }
        open();
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(buttons(column), c.expected[column]) << "column " << column;
        EXPECT_EQ(list(0)->currentRow(), c.applications ? 0 : -1);
        EXPECT_FALSE(editing());
        EXPECT_FALSE(get<QAction>("Speichern1")->isEnabled());
    }
}

TEST_F(KommandeditorTest, PlusInEachListSavesAsTheExample)
{
    open();
    press("btAppAdd");
    EXPECT_EQ(pages()->currentIndex(), AppTab);
    EXPECT_TRUE(editing());
    press("btComAdd");
    EXPECT_EQ(pages()->currentIndex(), ComTab);
    press("btParamAdd");
    EXPECT_EQ(pages()->currentIndex(), ParamTab);
    EXPECT_EQ(texts(*list(0)), QStringList{"NewApp"});
    EXPECT_EQ(texts(*list(1)), QStringList{"NewCommand"});
    EXPECT_EQ(texts(*list(2)), QStringList{"NewParam"});
    EXPECT_EQ(get<QComboBox>("cbParamType")->currentText(), "Zeichenkette");

    m_dialogs.answerPath(path("new.ccc"));
    get<QAction>("Speichernunter1")->trigger();
    QString why;
    ASSERT_TRUE(m_dialogs.finished(&why)) << why.toStdString();
    EXPECT_EQ(m_dialogs.calls()[0].file.filter, "*.ccc Commandofile|*.ccc");
    QFile file(path("new.ccc"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[Application_00]\r\nName=NewApp\r\nPath=\r\nCommand00_Name=NewCommand\r\n"
                              "Command00_Param00_Name=NewParam\r\nCommand00_Param00_Type=\r\n"
                              "Command00_Param00_Text=\r\nCommand00_Param00_Opt1opts=\r\n"
                              "Command00_Param00_Opt2opts=\r\n");
    file.close();

    // The plain "Speichern" now writes the same file.
    press("btAppEdit");
    setText("edAppname", "Mine");
    press("BtSave");
    get<QAction>("Speichern1")->trigger();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Name=Mine\r\n"));
}

TEST_F(KommandeditorTest, NamesAreGreenOnlyForProgramsThatCanStart)
{
    const QString script = path("tool");
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    QFile::copy(script, path("tool.exe"));
    QFile(path("tool.exe")).setPermissions(file.permissions());
    open();
    press("btAppAdd");
    const QColor red(255, 0, 0), green(0, 128, 0);
    EXPECT_EQ(list(0)->item(0)->foreground().color(), red);

    const std::pair<QString, QColor> paths[] = {
        {script, green}, {path("tool.exe"), red}, {path("missing"), red}, {"sh", green}};
    for (const auto &[program, colour] : paths) {
        SCOPED_TRACE(program.toStdString());
        press("btAppEdit");
        setText("edAppPath", program);
        press("BtSave");
        EXPECT_EQ(list(0)->item(0)->foreground().color(), colour);
        EXPECT_EQ(m_catalogue.Applications.item(0)->Path(), program);
    }
}

TEST_F(KommandeditorTest, EntriesAreTakenByTheirRowNotTheirName)
{
    addApplication("Tool");
    addApplication("Tool");
    open();
    clickRow(list(0), 1);
    press("btAppEdit");
    setText("edAppname", "Second");
    press("BtSave");
    EXPECT_EQ(texts(*list(0)), (QStringList{"Tool", "Second"}));

    // A second "NewApp" is the one selected, while the first still bears the name.
    press("btAppAdd");
    press("BtSave");
    press("btAppAdd");
    setText("edAppname", "Third");
    press("BtSave");
    EXPECT_EQ(texts(*list(0)), (QStringList{"Tool", "Second", "NewApp", "Third"}));
}

TEST_F(KommandeditorTest, LeavingATabWithUnsavedChangesAsks)
{
    struct Case
    {
        const char *name;
        bool added; // by "+", else a stored application opened with "E"
        DialogButton answer;
        QStringList names;
    };
    const Case cases[] = {
        {"No removes an application added and never saved", true, DialogButton::No, {"Stored"}},
        {"No keeps a stored application as it was", false, DialogButton::No, {"Stored"}},
        {"Yes takes the name", false, DialogButton::Yes, {"Renamed"}},
        {"Yes keeps the new application", true, DialogButton::Yes, {"Stored", "Renamed"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_editor.reset();
        m_dialogs.clear();
        m_catalogue.Applications = {};
        addApplication("Stored");
        open();
        press(c.added ? "btAppAdd" : "btAppEdit");
        setText("edAppname", "Renamed");
        m_dialogs.answer(c.answer);
        pages()->setCurrentIndex(ComTab);

        ASSERT_TRUE(m_dialogs.finished());
        EXPECT_EQ(m_dialogs.calls()[0].text, kUnsavedQuestion);
        EXPECT_EQ(m_dialogs.calls()[0].buttons, DialogButton::Yes | DialogButton::No);
        EXPECT_EQ(texts(*list(0)), c.names);
        EXPECT_EQ(m_catalogue.Applications.count(), c.names.size());
        EXPECT_FALSE(editing());
        EXPECT_EQ(pages()->currentIndex(), ComTab);
    }
    // Without unsaved changes nothing is asked.
    pages()->setCurrentIndex(AppTab);
    EXPECT_EQ(m_dialogs.calls().size(), 1);
}

TEST_F(KommandeditorTest, EmptyListsLeaveNothingToSave)
{
    TExternApplication *app = addApplication("Only");
    addParam(*addCommand(*app, "Run"), "p", "Switch");
    open();
    press("btComEdit");
    press("btComDelete");
    EXPECT_EQ(list(1)->currentRow(), -1);
    EXPECT_FALSE(editing());

    press("btAppEdit");
    press("btAppDelete");
    EXPECT_EQ(m_catalogue.Applications.count(), 0);
    EXPECT_EQ(list(0)->currentRow(), -1);
    EXPECT_FALSE(editing());
    EXPECT_EQ(buttons(0), "+...");
    pages()->setCurrentIndex(BuilderTab);
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
}

TEST_F(KommandeditorTest, DeletingTheBuiltCommandRebuildsFromWhatRemains)
{
    TExternApplication *app = addApplication("Tool", "/usr/bin/tool");
    addParam(*addCommand(*app, "Small"), "size", "Switch", "-small");
    addParam(*addCommand(*app, "Large"), "size", "Switch", "-large");
    addApplication("Other", "/usr/bin/other");
    open();
    clickRow(list(1), 1);
    EXPECT_EQ(pages()->currentIndex(), BuilderTab);
    EXPECT_EQ(memo(), "/usr/bin/tool -large -large");

    press("btComDelete");
    EXPECT_EQ(memo(), "/usr/bin/tool -small -small");
    press("btComDelete");
    EXPECT_EQ(m_editor->builder().commandLine(), "");
    // Entering the tab builds for what is selected: a command that is gone builds nothing.
    pages()->setCurrentIndex(AppTab);
    pages()->setCurrentIndex(BuilderTab);
    EXPECT_EQ(m_editor->builder().commandLine(), "");
    press("btAppDelete");
    press("btAppDelete");
    pages()->setCurrentIndex(AppTab);
    pages()->setCurrentIndex(BuilderTab);
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
}

TEST_F(KommandeditorTest, ParameterTabEditsTypeTextAndOptionLists)
{
    TExternApplication *app = addApplication("Tool", "/usr/bin/tool");
    addParam(*addCommand(*app, "Run"), "size", "Wrong", "-s");
    open();
    clickRow(list(2), 0);
    EXPECT_EQ(pages()->currentIndex(), ParamTab);
    EXPECT_EQ(get<QComboBox>("cbParamType")->currentText(), "Zeichenkette");
    QWidget *panel = get<QWidget>("PaParamOpts");
    EXPECT_FALSE(panel->isVisible());

    auto *type = get<QComboBox>("cbParamType");
    type->setCurrentIndex(7);
    emit type->activated(7);
    EXPECT_TRUE(panel->isVisible());
    auto *edit = get<QLineEdit>("EdOpt1");
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_FALSE(get<QPushButton>("btOpt1Delete")->isEnabled());

    for (const char *option : {"small", "large x"}) {
        press("btOpt1Add");
        EXPECT_TRUE(edit->isEnabled());
        EXPECT_FALSE(get<QPushButton>("btOpt1Add")->isEnabled());
        edit->setText(option);
        press("btOpt1Save");
        EXPECT_FALSE(edit->isEnabled());
        EXPECT_FALSE(get<QPushButton>("btOpt1Save")->isEnabled());
    }
    press("btOpt2Add");
    get<QLineEdit>("EdOpt2")->setText("100");
    press("btOpt2Cancel");
    EXPECT_EQ(texts(*get<QListWidget>("LbParamOpt2")), QStringList{});
    press("btOpt2Add");
    get<QLineEdit>("EdOpt2")->setText("100");
    press("btOpt2Save");
    get<QListWidget>("LbParamOpt2")->setCurrentRow(0);
    press("btOpt2Delete");
    EXPECT_FALSE(get<QPushButton>("btOpt2Delete")->isEnabled());
    EXPECT_TRUE(get<QLineEdit>("EdOpt2")->isEnabled());
    EXPECT_EQ(m_catalogue.Applications.item(0)->Commands.item(0)->Params.item(0)->Opt1opts, "");

    // The lists reach the parameter only through the editor's "Speichern".
    press("btParamEdit");
    setText("edParamtext", "-resize");
    press("BtSave");
    const TExternCommandParam &param = *m_catalogue.Applications.item(0)->Commands.item(0)->Params.item(0);
    EXPECT_EQ(param.Type, "Selectionlist_2");
    EXPECT_EQ(param.Text, "-resize");
    EXPECT_EQ(param.Opt1opts, "small,\"large x\"");
    EXPECT_EQ(param.Opt2opts, "");
    EXPECT_EQ(memo(), "/usr/bin/tool -resize ");
}

TEST_F(KommandeditorTest, LoadingReplacesTheCatalogueOrChangesNothing)
{
    addApplication("Kept");
    TExternApplications other;
    auto app = std::make_unique<TExternApplication>();
    app->Name = "Loaded";
    other.Applications.append(std::move(app));
    ASSERT_TRUE(other.SaveCatalogue(path("other.ccc")).ok());
    open();

    m_dialogs.answerPath(path("missing.ccc")).answer(DialogButton::Ok);
    get<QAction>("Laden1")->trigger();
    EXPECT_EQ(m_dialogs.calls()[1].text, "Fehler beim laden der Kommando-Datei !\r\nDatei nicht gefunden");
    EXPECT_EQ(texts(*list(0)), QStringList{"Kept"});
    EXPECT_FALSE(get<QAction>("Speichern1")->isEnabled());

    m_dialogs.answerPath(path("other.ccc"));
    get<QAction>("Laden1")->trigger();
    EXPECT_EQ(texts(*list(0)), QStringList{"Loaded"});
    EXPECT_TRUE(get<QAction>("Speichern1")->isEnabled());
    EXPECT_TRUE(m_dialogs.finished());
}

TEST_F(KommandeditorTest, HandsTheBuiltCommandToAScriptWindow)
{
    addApplication("First", "/usr/bin/first");
    TExternApplication *app = addApplication("Tool", "/usr/bin/tool");
    addParam(*addCommand(*app, "Run"), "size", "Switch", "-resize");
    m_editor = std::make_unique<TFKommandeditor>(m_catalogue);
    ExternCommandSource &source = *m_editor;

    QList<std::optional<TBuiltCommand>> answers;
    const auto record = [&answers](const std::optional<TBuiltCommand> &c) { answers.append(c); };
    source.requestCommand("Tool", record);
    ASSERT_TRUE(m_editor->isVisible());
    EXPECT_EQ(list(0)->currentRow(), 1);
    get<QCheckBox>("cbWait")->setChecked(true);
    get<QCheckBox>("cbDoLater")->setChecked(true);
    press("btInterToscriptwait");

    EXPECT_FALSE(m_editor->isVisible());
    ASSERT_EQ(answers.size(), 1);
    ASSERT_TRUE(answers[0]);
    EXPECT_EQ(answers[0]->CommandLine, "/usr/bin/tool -resize -resize");
    EXPECT_EQ(answers[0]->Strings.Pieces, (QStringList{"/usr/bin/tool", "-resize -resize"}));
    EXPECT_EQ(answers[0]->Strings.Types, (QStringList{"Befehl", "Switch"}));
    EXPECT_TRUE(answers[0]->Wait);
    EXPECT_FALSE(answers[0]->Show);
    EXPECT_TRUE(answers[0]->DoLater);

    // Closed without handing over; a request still open ends before the next one.
    source.requestCommand("Nobody", record);
    EXPECT_EQ(list(0)->currentRow(), 0);
    source.requestCommand("Tool", record);
    m_editor->close();
    EXPECT_EQ(answers.size(), 3);
    EXPECT_FALSE(answers[1]);
    EXPECT_FALSE(answers[2]);
}

} // namespace
