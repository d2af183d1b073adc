#include "ui/fscripter.h"

#include "camera/camerasettings.h"
#include "platform/scripteddialogs.h"
#include "postprocess/catalogue.h"
#include "postprocess/commandhandover.h"
#include "settings/inifile.h"
#include "settings/programsettings.h"
#include "settings/wincodec.h"
#include "scripting/scriptrunner.h"
#include "ui/scripttexts.h"

#include <Qsci/qscilexerpascal.h>
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

const QString kBreak = QStringLiteral("\r\n");

class RecordingRunner : public ScriptRunner
{
public:
    struct Run
    {
        QString text;
        bool withMessages;
    };
    void RunScript(const QString &text, bool withMessageProcessing) override
    {
        runs.append({text, withMessageProcessing});
        m_running = true;
        if (during)
            during();
        m_running = false;
    }
    void StopScript() override { stopRequested = true; }
    bool running() const override { return m_running; }

    QList<Run> runs;
    bool stopRequested = false;
    std::function<void()> during;

private:
    bool m_running = false;
};

class FakeCommandSource : public ExternCommandSource
{
public:
    void requestCommand(const QString &, Done done) override { pending = std::move(done); }
    Done pending;
};

class ScripterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setAppDialogs(&dialogs);
        window.setRunner(&runner);
        savedSettings = ProgramSettings();
        savedCurrent = CurrentSettings();
    }
    void TearDown() override
    {
        ProgramSettings() = savedSettings;
        CurrentSettings() = savedCurrent;
        resetPropertyTables();
        setAppDialogs(nullptr);
    }

    template<typename W>
    W *child(const char *name)
    {
        W *w = window.findChild<W *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void focus(QWidget *widget)
    {
        QFocusEvent in(QEvent::FocusIn);
        QApplication::sendEvent(widget, &in);
    }
    void key(QWidget *widget, int code)
    {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
    }
    void enterCommand(const QString &command)
    {
        window.singleedit->setText(command);
        key(window.singleedit, Qt::Key_Return);
    }
    // The text a macro inserts into an empty editor.
    QString macroText(const QString &caption)
    {
        window.HLEditor1->clear();
        focus(window.HLEditor1);
        const QList<QListWidgetItem *> items = window.lbAddCom->findItems(caption, Qt::MatchExactly);
        EXPECT_FALSE(items.isEmpty()) << caption.toStdString();
        window.lbAddCom->setCurrentItem(items.value(0));
        key(window.lbAddCom, Qt::Key_Return);
        return window.HLEditor1->text();
    }
    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    ScriptedDialogs dialogs;
    RecordingRunner runner;
    TFScripter window;
    QTemporaryDir dir;
    TProgramSettings savedSettings;
    TCamerasettings savedCurrent;
};

TEST_F(ScripterTest, StartsWithTheTestProgramTheControlsAndTheEditorsStyles)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Pascal Script"));
    EXPECT_EQ(window.HLEditor1->text(), QStringLiteral("Program Test;\r\nBegin\r\n\r\nEnd."));
    EXPECT_FALSE(window.modified());
    EXPECT_EQ(window.ledx->text(), QStringLiteral("X:01"));
    EXPECT_EQ(window.ledy->text(), QStringLiteral("Y:01"));
    EXPECT_TRUE(window.Memo2->isReadOnly());
    EXPECT_EQ(window.lbAddCom->count(), 31);
    for (const char *name : {"btaddAlle", "btaddAv", "btAddTV", "btAddiso", "BTWB", "btAddFokus", "btAddQual",
                             "btAddExpcomp", "btAddmetering"})
        child<QPushButton>(name);
    for (const char *name : {"btRelease", "btSetPath"})
        EXPECT_FALSE(child<QPushButton>(name)->isEnabled());

    auto *lexer = dynamic_cast<QsciLexerPascal *>(window.HLEditor1->lexer());
    ASSERT_NE(lexer, nullptr);
    EXPECT_EQ(lexer->color(QsciLexerPascal::Comment), QColor(128, 128, 0));
    EXPECT_TRUE(lexer->font(QsciLexerPascal::Comment).italic());
    EXPECT_EQ(lexer->color(QsciLexerPascal::Number), QColor(0, 0, 128));
    EXPECT_EQ(lexer->color(QsciLexerPascal::SingleQuotedString), QColor(128, 0, 128));
    EXPECT_EQ(lexer->color(QsciLexerPascal::Operator), QColor(0, 0, 255));
    EXPECT_TRUE(lexer->font(QsciLexerPascal::Keyword).bold());
    EXPECT_EQ(lexer->color(QsciLexerPascal::PreProcessor), QColor(0, 128, 0));
    // One fixed-pitch family on every style, so columns line up whatever the colouring.
    const QString family = lexer->font(QsciLexerPascal::Default).family();
    for (int style = 0; style <= QsciLexerPascal::Asm; ++style)
        EXPECT_EQ(lexer->font(style).family(), family) << style;
    EXPECT_TRUE(QFontInfo(lexer->font(QsciLexerPascal::Default)).fixedPitch());
}

TEST_F(ScripterTest, CommandLineRunsRemembersAndRecalls)
{
    enterCommand(QStringLiteral("Setze('ISO','400',0)"));
    ASSERT_EQ(runner.runs.size(), 1);
    EXPECT_EQ(runner.runs[0].text, QStringLiteral("Program test;begin\r\n Setze('ISO','400',0);\r\nend.\r\n"));
    EXPECT_TRUE(runner.runs[0].withMessages);
    EXPECT_TRUE(window.singleedit->text().isEmpty());
    enterCommand(QStringLiteral("Ausloesen()"));
    EXPECT_EQ(window.history(), QStringList({QStringLiteral("Setze('ISO','400',0)"), QStringLiteral("Ausloesen()")}));

    key(window.singleedit, Qt::Key_Up);
    EXPECT_EQ(window.singleedit->text(), QStringLiteral("Ausloesen()"));
    key(window.singleedit, Qt::Key_Up);
    key(window.singleedit, Qt::Key_Up); // clamped at the oldest
    EXPECT_EQ(window.singleedit->text(), QStringLiteral("Setze('ISO','400',0)"));
    key(window.singleedit, Qt::Key_Down);
    key(window.singleedit, Qt::Key_Down);
    EXPECT_EQ(window.singleedit->text(), QStringLiteral("Ausloesen()"));
}

TEST_F(ScripterTest, HelpOnlyForTheWholeCommand)
{
    struct Case
    {
        const char *command;
        const char *output; // nullptr: the command runs
    };
    const QString help = scripttexts::helpText();
    const Case cases[] = {
        {"hilfe", "help"},
        {"  HILFE()", "help"},
        {"hilfe iso", ""},
        {"Anzeige('keine Hilfe')", nullptr},
        {"Hilfetext", nullptr},
        {"hilfe := 3", nullptr},
    };
    for (const Case &c : cases) {
        window.clearOutput();
        runner.runs.clear();
        enterCommand(QString::fromUtf8(c.command));
        SCOPED_TRACE(c.command);
        if (!c.output) {
            EXPECT_EQ(runner.runs.size(), 1);
            continue;
        }
        EXPECT_TRUE(runner.runs.isEmpty());
        EXPECT_EQ(window.singleedit->text(), QString::fromUtf8(c.command));
        const QStringList expected = QString::fromLatin1(c.output) == QLatin1String("help")
            ? help.split(kBreak) : QStringList{QString()};
        EXPECT_EQ(window.outputLines(), expected);
    }
    EXPECT_EQ(window.history().size(), 3);
    EXPECT_TRUE(help.startsWith(QStringLiteral("Folgende Befehle sind derzeit im Skriptmodus verfügbar \r\n\r\nAnzeige")));
}

TEST_F(ScripterTest, ValueButtonsInsertIntoTheEditorOrRunInTheCommandLine)
{
    CurrentSettings().Av.Name = QStringLiteral("5.6");
    CurrentSettings().ISO.Name = QStringLiteral("400");
    CurrentSettings().WB.Name = QStringLiteral("O'Day");
    window.HLEditor1->setText(QStringLiteral("AB"));
    window.HLEditor1->setCursorPosition(0, 1);
    child<QPushButton>("btaddAlle")->click();
    EXPECT_TRUE(runner.runs.isEmpty()); // no target yet

    focus(window.HLEditor1);
    child<QPushButton>("btaddAlle")->click();
    const QString text = window.HLEditor1->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("ASetze('AV','5.6',0);\r\nSetze('TV','',0);\r\nSetze('ISO','400',0);\r\n"
                                               "Setze('Weissabgleich','O''Day',0);\r\n")));
    EXPECT_EQ(text.count(QStringLiteral("Setze(")), 7);
    EXPECT_TRUE(text.endsWith(QStringLiteral("Setze('Messmethode','',0);\r\nB")));
    window.HLEditor1->undo(); // one step
    EXPECT_EQ(window.HLEditor1->text(), QStringLiteral("AB"));

    focus(window.singleedit);
    child<QPushButton>("btAddiso")->click();
    ASSERT_EQ(runner.runs.size(), 1);
    EXPECT_FALSE(runner.runs[0].withMessages);
    EXPECT_TRUE(runner.runs[0].text.contains(QStringLiteral(" Setze('ISO','400',0);\r\n;")));
    EXPECT_EQ(window.singleedit->text(), QStringLiteral("Setze('ISO','400',0);\r\n"));
}

TEST_F(ScripterTest, ValueBoxFillsOnDropDownMarksTheCameraValueAndProducesItWithoutTheStar)
{
    PropTable &iso = CurrentTable(CameraProperty::ISO);
    iso = {{QStringLiteral("200"), 0x48, true}, {QStringLiteral("400"), 0x50, true}, {QStringLiteral("800"), 0x58, true}};
    CurrentSettings().ISO.Name = QStringLiteral("400");
    window.setSources({[](CameraProperty p) { return p == CameraProperty::ISO ? 0x50 : -1; }, {}, {}});
    auto *box = child<QComboBox>("cbISO");
    EXPECT_EQ(box->count(), 0);
    box->showPopup();
    box->hidePopup();
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(1), QStringLiteral("400*"));
    EXPECT_EQ(box->currentIndex(), 1);

    window.HLEditor1->clear();
    focus(window.HLEditor1);
    emit box->activated(1);
    EXPECT_EQ(window.HLEditor1->text(), QStringLiteral("Setze('ISO','400',0);\r\n"));
}

TEST_F(ScripterTest, MacrosQuoteTheirValuesAndProduceNothingWhenCancelled)
{
    ProgramSettings().Savepath = QStringLiteral("/studio/it's/");
    window.setSources({{}, [](const QString &what) { return QStringLiteral("pic-") + what; },
                       [] { return std::optional<QString>(QStringLiteral("#DATE'x")); }});
    dialogs.answerCancel().answerPath(QStringLiteral("/shots")).answerCancel().answerText(QStringLiteral("O'Brien"));
    EXPECT_EQ(macroText(QStringLiteral("Bilder Pfad setzen")), QString());
    EXPECT_EQ(macroText(QStringLiteral("Bilder Pfad setzen")), QStringLiteral("Setze('Verzeichnis','/shots/',0);\r\n"));
    EXPECT_EQ(macroText(QStringLiteral("Projektname setzen")), QString());
    EXPECT_EQ(macroText(QStringLiteral("Projektname setzen")), QStringLiteral("Setze('Projectname','O''Brien',0);\r\n"));
    EXPECT_TRUE(dialogs.finished());

    EXPECT_EQ(macroText(QStringLiteral("Bilder Pfad anzeigen")), QStringLiteral("Anzeige('/studio/it''s/');"));
    EXPECT_EQ(macroText(QStringLiteral("Bilder Pfad einfügen")), QStringLiteral("/studio/it's/"));
    EXPECT_EQ(macroText(QStringLiteral("Bild Name einsetzen")), QStringLiteral("pic-NAME"));
    EXPECT_EQ(macroText(QStringLiteral("Maske einfügen ")), QStringLiteral("'#DATE''x'"));
    EXPECT_EQ(macroText(QStringLiteral("Warte 1Sek")), QStringLiteral("Warte(1000*01);\r\n"));
    EXPECT_EQ(macroText(QStringLiteral("Ausloesen")), QStringLiteral("Ausloesen();"));
    for (const char *nothing : {"EBV an", "EBV Aus", "EBV Name anzeigen", ""})
        EXPECT_EQ(macroText(QString::fromUtf8(nothing)), QString()) << nothing;
}

TEST_F(ScripterTest, EbvCommandTakesTheCommandHandedOverByTheEditor)
{
    FakeCommandSource source;
    window.setCommandEditor(&source, nullptr);
    EXPECT_EQ(macroText(QStringLiteral("EBV Befehl")), QString());
    ASSERT_TRUE(source.pending);
    std::exchange(source.pending, {})(std::nullopt); // closed without a command
    EXPECT_EQ(window.HLEditor1->text(), QString());

    macroText(QStringLiteral("EBV Befehl"));
    TBuiltCommand command;
    command.Strings = {{QStringLiteral("convert"), QStringLiteral("Größe"), QStringLiteral("Ziel"), QStringLiteral("Text")},
                       {QStringLiteral("Befehl"), QStringLiteral("Text"), QStringLiteral("FILEPATH"), QStringLiteral("TEXTMASK")},
                       {QStringLiteral("/usr/bin/convert"), QStringLiteral("-resize 50%"),
                        QStringLiteral("#COMAKTBILD"), QStringLiteral("Bob's")}};
    command.Wait = true;
    command.DoLater = true;
    std::exchange(source.pending, {})(command);
    const QStringList expected = {
        QStringLiteral("EBVCOMMANDO("),
        QStringLiteral("{convert  :  Befehl            }'/usr/bin/convert',''"),
        QStringLiteral("{Größe  :  Text                }+' -resize 50%'"),
        QStringLiteral("{Ziel  :  FILEPATH             }+'#PATHBEGIN '+Bild(0,0,'PFAD')+' #PATHEND'"),
        QStringLiteral("{Text  :  TEXTMASK             }+'#TEXTMASKBEGIN Bob''s #TEXTMASKEND'"),
        QStringLiteral("{ Auf Ausführung warten Ja=True, Nein=False }, true "),
        QStringLiteral("{ Programmfenster anzeigen Ja=True, Nein=False },false "),
        QStringLiteral("{ erst Später ausführen Ja=True, Nein=False },true );"),
    };
    EXPECT_EQ(window.HLEditor1->text().toStdString(), expected.join(kBreak).toStdString());
}

TEST_F(ScripterTest, ScriptFilesRoundTripByteForByteAndWarnBeforeLosingCharacters)
{
    const QByteArray bytes("Program \xe4rger;\r\nBegin\r\n\tAnzeige('\x80 5');\r\nEnd.\r\n");
    const QString path = writeFile(QStringLiteral("a.rops"), bytes);
    window.appendOutput(QStringLiteral("old"));
    dialogs.answerPath(path);
    child<QAction>("ffnen1")->trigger();
    EXPECT_EQ(window.currentFileName(), path);
    EXPECT_FALSE(window.modified());
    EXPECT_TRUE(window.outputLines().isEmpty());
    EXPECT_TRUE(window.HLEditor1->text().startsWith(QStringLiteral("Program ärger;")));
    const QString copy = dir.filePath(QStringLiteral("b.rops"));
    dialogs.answerPath(copy);
    child<QAction>("Speichernunter1")->trigger();
    EXPECT_EQ(readFile(copy), bytes);
    EXPECT_EQ(window.currentFileName(), copy);

    // A character the code page cannot hold: the user is asked, and No saves nothing.
    window.HLEditor1->append(QStringLiteral("{ łódź }"));
    EXPECT_TRUE(window.modified());
    dialogs.answer(DialogButton::No);
    child<QAction>("Speichern1")->trigger();
    EXPECT_EQ(readFile(copy), bytes);
    EXPECT_TRUE(window.modified());
    dialogs.answer(DialogButton::Yes);
    child<QAction>("Speichern1")->trigger();
    EXPECT_TRUE(readFile(copy).endsWith("{ ?\xf3""d? }"));
    EXPECT_FALSE(window.modified());
    ASSERT_TRUE(dialogs.finished());

    // A file that cannot be read changes nothing.
    const QString before = window.HLEditor1->text();
    dialogs.answerPath(dir.filePath(QStringLiteral("missing.rops")));
    child<QAction>("ffnen1")->trigger();
    EXPECT_EQ(window.HLEditor1->text(), before);
    EXPECT_EQ(window.currentFileName(), copy);
    EXPECT_EQ(dialogs.calls().last().kind, DialogKind::Message);
}

TEST_F(ScripterTest, LfOnlyFilesAreReadWithCrLf)
{
    const QString path = writeFile(QStringLiteral("lf.rops"), "Program a;\nBegin\nEnd.\n");
    ASSERT_TRUE(window.LoadScriptFile(path));
    EXPECT_EQ(window.HLEditor1->text(), QStringLiteral("Program a;\r\nBegin\r\nEnd.\r\n"));
}

TEST_F(ScripterTest, UnsavedCheckBeforeNewAndClose)
{
    window.HLEditor1->append(QStringLiteral("x"));
    dialogs.answer(DialogButton::Cancel);
    child<QAction>("Neu1")->trigger();
    EXPECT_TRUE(window.HLEditor1->text().endsWith(QStringLiteral("x")));
    EXPECT_EQ(dialogs.calls().last().text, QStringLiteral("File is not saved, save now?"));

    // Yes with the save dialog cancelled: the script is still unsaved, so nothing happens.
    dialogs.answer(DialogButton::Yes).answerCancel();
    child<QAction>("Neu1")->trigger();
    EXPECT_TRUE(window.modified());

    window.appendOutput(QStringLiteral("out"));
    dialogs.answer(DialogButton::No);
    child<QAction>("Neu1")->trigger();
    EXPECT_EQ(window.HLEditor1->text(), QStringLiteral("Program Test;\r\nBegin\r\nEnd."));
    EXPECT_TRUE(window.outputLines().isEmpty());
    EXPECT_FALSE(window.modified());

    window.show();
    window.HLEditor1->append(QStringLiteral("y"));
    dialogs.answer(DialogButton::Cancel);
    window.close();
    EXPECT_TRUE(window.isVisible());
    dialogs.answer(DialogButton::No);
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(dialogs.finished());
}

TEST_F(ScripterTest, CaretLandsOnAnErrorBehindATabAndAnUmlaut)
{
    window.HLEditor1->setText(QStringLiteral("Program T;\r\nBegin\r\n\tä x := 1;\r\nEnd."));
    window.moveCaretTo(3, 3);
    EXPECT_EQ(window.ledx->text(), QStringLiteral("X:03"));
    EXPECT_EQ(window.ledy->text(), QStringLiteral("Y:03"));
    window.HLEditor1->insert(QStringLiteral("#"));
    EXPECT_EQ(window.HLEditor1->text(2), QStringLiteral("\tä# x := 1;\r\n"));
    window.moveCaretTo(4, 99); // past the end of the line: its end
    EXPECT_EQ(window.ledx->text(), QStringLiteral("X:05"));
}

TEST_F(ScripterTest, RunStopAndTheOutputOfCommands)
{
    child<QAction>("CompileandRun1")->trigger();
    ASSERT_EQ(runner.runs.size(), 1);
    EXPECT_EQ(runner.runs[0].text, window.HLEditor1->text());
    EXPECT_TRUE(runner.runs[0].withMessages);
    QAction *stop = child<QAction>("Stop1");
    EXPECT_EQ(stop->shortcuts(), QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_F2), QKeySequence(Qt::SHIFT | Qt::Key_F2)}));
    stop->trigger();
    EXPECT_TRUE(runner.stopRequested);

    window.AppendCommandOutput(QStringLiteral("convert: done"));
    EXPECT_EQ(window.outputLines(), QStringList{QStringLiteral("convert: done")});
    EXPECT_EQ(window.Memo2->toPlainText(), QStringLiteral("convert: done"));
}

TEST_F(ScripterTest, ClosingTheProgramDuringARunWaitsUntilItHasUnwound)
{
    EXPECT_FALSE(window.requestStopAndClose([] { FAIL() << "nothing runs"; }));
    int closed = 0;
    bool closedDuringRun = false;
    runner.during = [&] {
        EXPECT_TRUE(window.requestStopAndClose([&] { ++closed; }));
        const QDeadlineTimer deadline(2000);
        while (!runner.stopRequested && !deadline.hasExpired())
            QCoreApplication::processEvents();
        QThread::msleep(50);
        QCoreApplication::processEvents(); // the close watch ticks while the run unwinds
        closedDuringRun = closed > 0;
    };
    window.Startbutton->click();
    EXPECT_TRUE(runner.stopRequested);
    EXPECT_FALSE(closedDuringRun);
    const QDeadlineTimer deadline(2000);
    while (closed == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(closed, 1);
}

TEST_F(ScripterTest, RequeuesUndoneCommandsToRunAndMarksThemInTheirFile)
{
    TExternApplications catalogue;
    window.setCatalogue(&catalogue);
    const QString missing = dir.filePath(QStringLiteral("none.rccf"));
    dialogs.answerPath(missing);
    child<QAction>("nachtraeglichabarbeiten1")->trigger();
    EXPECT_EQ(dialogs.calls().last().text, QStringLiteral("Commandofile ") + missing + QStringLiteral("wurde nicht gefunden"));
    EXPECT_EQ(catalogue.Worker(), nullptr);

    const QString file = writeFile(QStringLiteral("run.rccf"),
        "[Command001]\r\nApplication=true\r\nParameter=a\r\nWait=NOWAIT\r\nShow=NOSHOW\r\nDoLater=YES\r\nExecuted=NO\r\n"
        "[Command002]\r\nApplication=true\r\nParameter=b\r\nExecuted=YES\r\n"
        "[Command004]\r\nApplication=true\r\nParameter=d\r\nExecuted=NO\r\n");
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path()); // the worker's console file
    dialogs.answerPath(file);
    child<QAction>("nachtraeglichabarbeiten1")->trigger();
    ASSERT_NE(catalogue.Worker(), nullptr);
    const TBatchcommands queued = catalogue.Worker()->Queue();
    ASSERT_EQ(queued.count(), 1);
    EXPECT_EQ(queued.at(0).arguments, QStringLiteral("a"));
    EXPECT_FALSE(queued.at(0).doLater);
    EXPECT_FALSE(queued.at(0).wait);
    // A second pass finds nothing left to do.
    dialogs.answerPath(file);
    child<QAction>("nachtraeglichabarbeiten1")->trigger();
    EXPECT_EQ(catalogue.Worker()->Queue().count(), 1);
    catalogue.StopWorker();
    QDir::setCurrent(cwd);

    const IniFile after(file);
    EXPECT_EQ(after.readString(QStringLiteral("Command001"), QStringLiteral("Executed"), {}), QStringLiteral("YES"));
    EXPECT_EQ(after.readString(QStringLiteral("Command004"), QStringLiteral("Executed"), {}), QStringLiteral("NO"));

}

} // namespace
