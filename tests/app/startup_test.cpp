#include "mainwindowtest.h"

#include "app/startup.h"
#include "app/crashreports.h"
#include "ui/reportform.h"
#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/proptables.h"
#include "camera/sdkloader.h"
#include "postprocess/catalogue.h"
#include "processcheck.h"
#include "ui/dllfehlerform.h"
#include "ui/fscripter.h"
#include "scripting/scripthost.h"
#include "scripting/scriptrunner.h"
#include "camera/cameraevents.h"
#include "settings/configuration.h"
#include "settings/inifile.h"
#include "diagnostics/debuglog.h"
#include "ui/debuglog.h"
#include "settings/programsettings.h"
#include "settings/windowlayout.h"
#include "ui/fcommandbuilder.h"
#include "ui/fkommandeditor.h"
#include "ui/mainform.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QKeyEvent>
#include <QTimer>
#include <QClipboard>
#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

using P = CameraProperty;

TEST(SdkFileCheck, ShowsOneWindowPerMissingFileThenFails)
{
    struct Case
    {
        const char *name;
        QStringList present;
        QStringList shownFiles;
    };
    const Case cases[] = {
        {"both missing", {}, {"libedsdk.so", "libedsimage.so"}},
        {"image library missing", {"libedsdk.so"}, {"libedsimage.so"}},
        {"both there", {"libedsdk.so", "libedsimage.so"}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        for (const QString &file : c.present) {
            QFile f(dir.filePath(file));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        QStringList shown;
        const bool ready = checkSdkFiles(dir.path(), [&](const QString &text) { shown << text; });
        EXPECT_EQ(ready, c.shownFiles.isEmpty());
        ASSERT_EQ(shown.size(), c.shownFiles.size());
        for (qsizetype i = 0; i < shown.size(); ++i)
            EXPECT_TRUE(shown[i].contains("\"" + c.shownFiles[i] + "\"")) << shown[i].toStdString();
    }
}

TEST(SdkFileCheck, TextsDifferOnlyInTheFileAndTheFullStop)
{
    const QString sdk = missingSdkFileText(QStringLiteral("libedsdk.so"), true);
    const QString image = missingSdkFileText(QStringLiteral("libedsimage.so"), false);
    const QStringList lines = sdk.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[0], QStringLiteral("Für die Ausführung des Programmes ist die die Datei "
                                       "\"libedsdk.so\" zwingend erforderlich."));
    EXPECT_EQ(lines[2], QStringLiteral("Bitte laden Sie sich die Datei hier "));
    EXPECT_EQ(lines[8], QStringLiteral("Das Programm wird nun beendet!"));
    EXPECT_EQ(image.split(QStringLiteral("\r\n"))[0],
              QStringLiteral("Für die Ausführung des Programmes ist die die Datei "
                             "\"libedsimage.so\" zwingend erforderlich"));
    EXPECT_EQ(sdk.split(QStringLiteral("\r\n")).mid(1), image.split(QStringLiteral("\r\n")).mid(1));
}

class WithCamera : public MainWindowTest
{
};

TEST_F(WithCamera, ConnectsWithoutAskingAndNamesTheModel)
{
    EXPECT_EQ(ConnectCamera(*form), ConnectOk);
    EXPECT_TRUE(dialogs.calls().isEmpty());
    ASSERT_NE(AppMaster->GetCamera(), nullptr);
    EXPECT_TRUE(AppMaster->SessionOpen());
    EXPECT_EQ(form->statusText(), QStringLiteral("Camera : Canon EOS 5D Mark II"));
}

class WithoutCamera : public MainWindowTest
{
protected:
    const char *bodyConfig() const override { return "camera=0"; }
    // Both connection attempts before the question report the missing camera.
    void expectNotConnectedTwice() { dialogs.answer(DialogButton::Ok).answer(DialogButton::Ok); }
};

TEST_F(WithoutCamera, CancelEndsTheConnection)
{
    expectNotConnectedTwice();
    dialogs.answer(DialogButton::Cancel);
    EXPECT_EQ(MainWindowFirstShown(*form), ConnectCancelled);
    QString why;
    EXPECT_TRUE(dialogs.finished(&why)) << why.toStdString();
    const DialogCall &question = dialogs.calls().last();
    EXPECT_EQ(question.text, QStringLiteral("Kamera nicht verbunden"));
    EXPECT_EQ(question.buttons,
              DialogButtons(DialogButton::Cancel | DialogButton::Retry | DialogButton::Ignore));
    EXPECT_EQ(form->statusText(), QStringLiteral("Camera : Camera is not detected!"));
}

TEST_F(WithoutCamera, IgnoreContinuesWithTheTableDefaults)
{
    expectNotConnectedTwice();
    dialogs.answer(DialogButton::Ignore);
    EXPECT_EQ(MainWindowFirstShown(*form), ConnectIgnored);
    EXPECT_EQ(form->valueList(P::AEMode)->currentIndex(),
              std::min(16, int(MasterTable(P::AEMode).size()) - 1));
    EXPECT_EQ(StartSettings().AEMode.ID, CurrentSettings().AEMode.ID);
    EXPECT_EQ(StartSettings().Bulbtime, 60);
}

TEST_F(WithoutCamera, IgnoredDisconnectAsksNothing)
{
    IgnoreDisconnect = true;
    EXPECT_EQ(ConnectCamera(*form), ConnectOk);
    EXPECT_TRUE(dialogs.calls().isEmpty());
    EXPECT_EQ(AppMaster->GetCamera(), nullptr);
}

// Plugs the camera in while the question is open, then answers Retry.
class PlugInOnQuestion : public ScriptedDialogs
{
public:
    int questions = 0;
    DialogButton message(MessageIcon icon, const QString &caption, const QString &text,
                         DialogButtons buttons) override
    {
        if (text != QLatin1String("Kamera nicht verbunden"))
            return ScriptedDialogs::message(icon, caption, text, buttons);
        ++questions;
        AppMaster.reset();
        EXPECT_EQ(simConfigure("camera=1"), 0);
        return DialogButton::Retry;
    }
};

TEST_F(WithoutCamera, RetryFindsACameraThatAppeared)
{
    PlugInOnQuestion plugIn;
    plugIn.answer(DialogButton::Ok).answer(DialogButton::Ok);
    setAppDialogs(&plugIn);
    EXPECT_EQ(ConnectCamera(*form), ConnectOk);
    EXPECT_EQ(plugIn.questions, 1);
    ASSERT_NE(AppMaster->GetCamera(), nullptr);
    EXPECT_TRUE(AppMaster->SessionOpen());
    setAppDialogs(&dialogs);
}

TEST(MainWindowCreation, MissingDefaultPropertyFileIsReported)
{
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    resetPropertyTables();
    ScriptedDialogs dialogs;
    dialogs.answer(DialogButton::Ok);
    setAppDialogs(&dialogs);
    {
        TForm1 form;
        MainWindowCreated(form, dir.path());
        EXPECT_EQ(form.valueList(P::AEMode)->count(), 0);
    }
    setAppDialogs(nullptr);
    QDir::setCurrent(before);
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls().front().caption, QStringLiteral("Fehler"));
    EXPECT_TRUE(dialogs.calls().front().text.contains(QStringLiteral("default.cpf existiert nicht")));
}

TEST(MainWindowCreation, DefaultPropertyFileIsAlsoFoundBesideTheProgram)
{
    QTemporaryDir elsewhere;
    const QString before = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    EXPECT_EQ(startPropertyFile(BinDir), QDir(BinDir).filePath("default.cpf"));
    // Nowhere: the name in the working folder, which the missing-file message names.
    EXPECT_EQ(startPropertyFile(elsewhere.path()), QStringLiteral("default.cpf"));
    QFile own(elsewhere.filePath("default.cpf"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    // The working folder's own file comes first.
    EXPECT_EQ(startPropertyFile(BinDir), QStringLiteral("default.cpf"));
    QDir::setCurrent(before);
}

class ExitPrompt : public MainWindowTest
{
protected:
    // The calls that wrote properties, as "id value".
    static QStringList writes()
    {
        QStringList result;
        for (const QString &line : simCallLog()) {
            if (line.startsWith(QLatin1String("EdsSetPropertyData ")))
                result << line.mid(19);
        }
        return result;
    }
};

TEST_F(ExitPrompt, AnsweredNoWritesNothing)
{
    connectAndSettle();
    StartSettings() = CurrentSettings();
    simClearCallLog();
    dialogs.answer(DialogButton::No);

    RestoreStartSettings(*form, StartSettings());

    EXPECT_TRUE(writes().isEmpty());
    ASSERT_EQ(dialogs.calls().size(), 1);
    const TPropList *mode = findEntryByCode(MasterTable(P::AEMode), StartSettings().AEMode.ID);
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(dialogs.calls().front().text,
              QStringLiteral("Möchten sie vor dem Beenden die Starteinstellungen der Kamera "
                             "wiederherstellen ? \r\n\r\nDann  stellen bitte Sie an der Kamera "
                             "den Modus : ")
                  + mode->Name + QStringLiteral(" ein"));
}

TEST_F(ExitPrompt, WritesTheStartSettingsTheStartModeCalls)
{
    struct Case
    {
        quint32 startMode;
        QList<quint32> written;
    };
    const Case cases[] = {
        {3, {1029, 1030, 1026, 1031, 262, 256, 1028, 1027}},
        {1, {1030, 1026, 1031, 262, 256, 1028, 1027}},
        {9, {1026, 1031, 262, 1028, 1027}},
        {4, {}},
    };
    connectAndSettle();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.startMode);
        TCamerasettings start = CurrentSettings();
        start.AEMode.ID = c.startMode;
        simClearCallLog();
        dialogs.clear();
        // Yes, and once more Yes when the camera's mode differs; then the dial stays put.
        dialogs.answer(DialogButton::Yes).answer(DialogButton::No);

        RestoreStartSettings(*form, start);

        QList<quint32> written;
        for (const QString &w : writes())
            written << w.section(QLatin1Char(' '), 0, 0).toUInt();
        EXPECT_EQ(written, c.written);
        const bool sameMode = c.startMode == cachedValue(1024);
        EXPECT_EQ(dialogs.calls().size(), sameMode ? 1 : 2);
    }
}

TEST_F(WithCamera, ProgramWindowsAreCreatedInOrderAndClosingOffersTheRestore)
{
    form.reset();
    AppMaster.reset();
    ProgramWindows windows;
    QStringList titles;
    for (QWidget *w : windows.windows())
        titles << w->windowTitle();
    EXPECT_EQ(titles.first(), QStringLiteral("Tessaro für Canon EOS DSLR"));
    EXPECT_EQ(titles.size(), 16);
    EXPECT_EQ(titles[1], QStringLiteral("Fehler"));
    EXPECT_EQ(titles.last(), QStringLiteral("Pascal Script"));

    TForm1 &main = windows.mainForm();
    main.show();
    // The connection runs from the event loop once the window shows.
    ASSERT_TRUE(waitUntil([] { return AppMaster && AppMaster->GetCamera(); }));

    dialogs.answer(DialogButton::No);
    main.close();
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_TRUE(dialogs.calls().front().text.startsWith(QStringLiteral("Möchten sie vor dem Beenden")));

    // The Fenster entries toggle their windows; the capture settings entry opens its window.
    QAction *exif = main.Exifinfos1;
    exif->trigger();
    EXPECT_TRUE(windows.windows()[4]->isVisible());
    exif->trigger();
    EXPECT_FALSE(windows.windows()[4]->isVisible());
    main.findChild<QAction *>(QStringLiteral("Aufnahmeeinstellungen1"))->trigger();
    EXPECT_EQ(windows.windows()[6]->windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_TRUE(windows.windows()[6]->isVisible());

    // ScriptFuSetup shows the remote; releasing Escape stops its title capture.
    main.findChild<QAction *>(QStringLiteral("ScriptFuSetupMenu"))->trigger();
    QWidget *remote = windows.windows()[11];
    EXPECT_TRUE(remote->isVisible());
    auto *capture = remote->findChild<QTimer *>(QStringLiteral("Timer1"));
    capture->start(10000); // the capture itself reads the X display, which there is none of here
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(remote, &release);
    EXPECT_FALSE(capture->isActive());
}

TEST_F(WithCamera, ImagemagickMenuAppliesTheSettingsThenShowsTheEbvWindow)
{
    form.reset();
    ProgramWindows windows;
    const QList<QWidget *> list = windows.windows();
    QWidget *magick = list[9];
    QWidget *preview = list[10];
    QWidget *ebv = list[12];
    ProgramSettings().ImageMagickBatchName = QStringLiteral("menu.sh");
    ProgramSettings().EnfuseImages = 6;
    windows.mainForm().findChild<QAction *>(QStringLiteral("Imagemagick1"))->trigger();

    EXPECT_TRUE(ebv->isVisible());
    EXPECT_TRUE(ebv->isAncestorOf(magick));
    EXPECT_TRUE(ebv->isAncestorOf(list[13]));
    EXPECT_EQ(magick->findChild<QLineEdit *>(QStringLiteral("BatchNameedit"))->text(), "menu.sh");
    EXPECT_EQ(list[13]->findChild<QLineEdit *>(QStringLiteral("EnfuseImagesEdit"))->text(), "6");
    // "show" shows the preview window of the stage.
    magick->findChild<QCheckBox *>(QStringLiteral("ShowBatchCheckbox"))->click();
    EXPECT_TRUE(preview->isVisible());
    EXPECT_TRUE(dialogs.calls().isEmpty());
}

TEST_F(WithCamera, CommandEditorOpensFromTheMenuAndItsMaskDialogNeverWaits)
{
    form.reset();
    ProgramWindows windows;
    auto command = std::make_unique<TExterncommand>();
    command->Name = "Run";
    command->Params.append(std::make_unique<TExternCommandParam>(
        TExternCommandParam{"mask", "Textmask", "IMG", {}, {}}));
    auto application = std::make_unique<TExternApplication>();
    application->Name = "Tool";
    application->Commands.append(std::move(command));
    windows.catalogue().Applications.append(std::move(application));

    windows.mainForm().EBV1->trigger();
    TFKommandeditor &editor = windows.commandEditor();
    EXPECT_TRUE(editor.isVisible());
    auto *maskButton = editor.findChild<QPushButton *>(QStringLiteral("btmask"));
    ASSERT_NE(maskButton, nullptr);
    // Without a display the dialog is not shown: it comes back with the empty mask it got.
    maskButton->click();
    EXPECT_EQ(editor.builder().commandLine(), QStringLiteral(" "));
}

// The program's queue posts to the main window; its output reaches the script window even
// while that is hidden. Closing the program with a tool that ignores SIGTERM still ends soon.
TEST_F(WithCamera, CommandOutputReachesTheHiddenScriptWindowAndClosingEndsAHungTool)
{
    form.reset();
    AppMaster.reset();
    QTemporaryDir dir;
    const QString probeLog = dir.filePath(QStringLiteral("probe.log"));
    qputenv("TESSARO_PROBE_LOG", probeLog.toLocal8Bit());
    const auto probeStarted = [&probeLog] {
        QFile file(probeLog);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains("start");
    };
    auto windows = std::make_unique<ProgramWindows>();
    auto *scripter = dynamic_cast<TFScripter *>(windows->windows().last());
    ASSERT_NE(scripter, nullptr);
    TExternApplications &catalogue = windows->catalogue();
    const QString missing = dir.filePath(QStringLiteral("missing-tool"));
    ASSERT_TRUE(catalogue.QueueCommand({}, missing, QStringLiteral("x"), true, false, false).ok());
    catalogue.StartWorker();
    ASSERT_TRUE(waitUntil([scripter] { return !scripter->outputLines().isEmpty(); }));
    EXPECT_FALSE(scripter->isVisible());
    EXPECT_TRUE(scripter->outputLines().first().startsWith(missing + QStringLiteral(": ")));

    ASSERT_TRUE(catalogue.QueueCommand({}, QStringLiteral(PROBE), QStringLiteral("stubborn 60000"), true, false, false).ok());
    ASSERT_TRUE(waitUntil(probeStarted));
    QElapsedTimer timer;
    timer.start();
    windows->mainForm().close();
    windows.reset();
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(zombieChildren(), 0);
    QFile log(probeLog);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_FALSE(log.readAll().contains("end stubborn"));
}

// A script run that processes events until it is stopped, as the host's runs do.
class StoppableRunner : public ScriptRunner
{
public:
    void RunScript(const QString &, bool) override
    {
        m_running = true;
        m_stop = false;
        if (during)
            during();
        while (!m_stop)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        m_running = false;
    }
    void StopScript() override { m_stop = true; }
    bool running() const override { return m_running; }
    std::function<void()> during;

private:
    bool m_running = false;
    bool m_stop = false;
};

// Closing the program while a script runs stops the script and closes once the run has
// unwound, instead of leaving a process without windows. Stored pictures reach the window.
// The script window runs its editor's text through the program's script host, which writes
// into the window's output.
TEST_F(WithCamera, StartRunsTheEditorsScriptThroughTheHost)
{
    form.reset();
    ProgramWindows windows;
    TFScripter &scripter = windows.scripter();
    scripter.HLEditor1->setText(QStringLiteral("begin\r\n  Anzeige(hole('ISO'));\r\n  Setze('TEXTMASKE', 'Studio', 0);\r\nend."));
    scripter.Startbutton->click();
    EXPECT_FALSE(windows.scriptHost().running());
    const QStringList out = scripter.outputLines();
    ASSERT_FALSE(out.isEmpty());
    EXPECT_EQ(out.first(), QStringLiteral("Succesfully compiled"));
    EXPECT_EQ(out.last(), QStringLiteral("Successfully executed"));
    EXPECT_EQ(ProgramSettings().ImagemagickTextmaskstr, QStringLiteral("Studio"));
}

TEST_F(WithCamera, ClosingDuringAScriptStopsItFirstAndPicturesReachTheScriptWindow)
{
    form.reset();
    AppMaster.reset();
    ProgramWindows windows;
    TFScripter &scripter = windows.scripter();
    postWindowMessage(&windows.mainForm(), WM_IMAGESTORED);
    QCoreApplication::processEvents();
    EXPECT_TRUE(windows.scriptHost().pictureStored());

    StoppableRunner runner;
    scripter.setRunner(&runner);
    int closings = 0;
    QObject::connect(&windows.mainForm(), &TForm1::closing, [&closings] { ++closings; });
    runner.during = [&] { windows.mainForm().close(); };
    dialogs.answer(DialogButton::No); // no restore of the start settings
    scripter.Startbutton->click();
    EXPECT_FALSE(runner.running());
    EXPECT_EQ(closings, 0); // not while the run was on the stack
    EXPECT_TRUE(waitUntil([&closings] { return closings == 1; }));
}

TEST_F(WithCamera, LayoutMenuSavesAndRestoresTheProgramWindows)
{
    form.reset();
    ProgramWindows windows;
    const QList<QWidget *> list = windows.windows();
    QWidget *exif = list[4];
    QTemporaryDir dir;
    const QString file = dir.filePath("studio.cif");
    exif->setGeometry(20, 30, 200, 150);
    exif->show();
    // The offscreen platform draws a frame too.
    const QRect saved = exif->frameGeometry();
    dialogs.answerPath(file);
    windows.mainForm().findChild<QAction *>("AnsichtSpeichern")->trigger();

    IniFile ini(file);
    EXPECT_EQ(ini.keys("Windows").size(), list.size());
    EXPECT_EQ(ini.readString("Windows", "Window0"), QStringLiteral("Form1"));
    EXPECT_EQ(ini.readString("Windows", "Window15"), QStringLiteral("FScripter"));
    EXPECT_EQ(ini.readInteger("ExifInfoForm", "Left", 0), saved.left());
    EXPECT_EQ(ini.readInteger("ExifInfoForm", "Width", 0), saved.width());

    // Hidden and moved off every screen, the window comes back where it was saved.
    exif->hide();
    exif->move(20000, 20000);
    dialogs.answerPath(file);
    windows.mainForm().findChild<QAction *>("AnsichtLaden")->trigger();
    EXPECT_TRUE(exif->isVisible());
    EXPECT_TRUE(windows.mainForm().Exifinfos1->isChecked());
    EXPECT_EQ(exif->frameGeometry(), saved);

    // A layout that puts it off-screen still leaves it on the screen.
    ASSERT_TRUE(IniFile(file).writeInteger("ExifInfoForm", "Left", 20000));
    EXPECT_TRUE(load_windows(file));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(exif->frameGeometry())) << exif->frameGeometry().x();

    // The Fenster entries without a check mark show their windows.
    windows.mainForm().Skripter1->trigger();
    EXPECT_TRUE(list[15]->isVisible());
    windows.mainForm().EBV1->trigger();
    EXPECT_TRUE(list[14]->isVisible());
    EXPECT_TRUE(dialogs.finished());
}

} // namespace

namespace {

TEST(MissingFileWindow, ShowsTheTextAndClosesWithOk)
{
    Tdllfehlerform window;
    window.setText(missingSdkFileText(QStringLiteral("libedsdk.so"), true));
    window.show();
    const auto *memo = window.findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->toPlainText().split(QLatin1Char('\n')).size(), 9);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Fehler"));
    window.findChild<QPushButton *>(QStringLiteral("FehlerOKButton"))->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST(LastPosition, CountsFromOneAndGivesZeroWhenAbsent)
{
    struct Case
    {
        const char *text;
        const char *character;
        int position;
    };
    const Case cases[] = {
        {"C:\\Bilder\\IMG_0001.JPG", "\\", 10},
        {"IMG_0001.JPG", ".", 9},
        {"IMG_0001", ".", 0},
        {"", ".", 0},
        {"a.b", "", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(LastPos(QString::fromLatin1(c.text), QString::fromLatin1(c.character)), c.position)
            << c.text;
}

} // namespace

namespace {

// A configuration's "Debug" value switches debugging with everything that shows it, so the
// menu caption always says what the next click does.
TEST_F(WithCamera, DebugMenuCaptionFollowsALoadedConfiguration)
{
    form.reset();
    ProgramWindows windows;
    TForm1 &main = windows.mainForm();
    QTemporaryDir dir;
    const auto load = [&](const char *debug) {
        const QString path = dir.filePath(QStringLiteral("d.ccf"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("[Config]\r\nDebug=") + debug + "\r\n");
        file.close();
        EXPECT_TRUE(LoadConfiguration(path));
    };

    load("1");
    EXPECT_TRUE(debugEnabled());
    EXPECT_EQ(main.Enable1->text(), QStringLiteral("&Disable"));
    EXPECT_TRUE(main.DebugLogWindow().isVisible());
    EXPECT_FALSE(main.findChild<QWidget *>(QStringLiteral("AEIDedit"))->isHidden());

    main.Enable1->trigger();
    EXPECT_FALSE(debugEnabled());
    EXPECT_EQ(main.Enable1->text(), QStringLiteral("&Enable"));
    EXPECT_FALSE(main.DebugLogWindow().isVisible());

    main.Enable1->trigger();
    load("0");
    EXPECT_FALSE(debugEnabled());
    EXPECT_EQ(main.Enable1->text(), QStringLiteral("&Enable"));
    EXPECT_EQ(main.width(), 330);
}

} // namespace

namespace {

// "Report schicken" writes a report of the running program, shows it and copies it; a crash
// of an earlier run is offered once at the next start.
TEST_F(WithCamera, ReportSchickenShowsAReportAndTheNextStartOffersACrash)
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(reportsFolder()).removeRecursively();
    installProgramCrashReports();
    form.reset();
    ProgramWindows windows;
    TReportForm *report = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        report = report ? report : qobject_cast<TReportForm *>(w);
    ASSERT_TRUE(report);

    windows.mainForm().ReportSchicken->trigger();
    EXPECT_TRUE(report->isVisible());
    const QString text = report->ReportMemo->toPlainText();
    EXPECT_TRUE(text.startsWith(QLatin1String("Tessaro-Fehlerbericht\nVersion: "))) << qPrintable(text.left(200));
    EXPECT_TRUE(text.contains(QLatin1String("Ursache: Report schicken")));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);
    report->hide();

    // A report on request is no crash: nothing is offered.
    windows.offerLastCrashReport();
    EXPECT_TRUE(dialogs.calls().isEmpty());
    QFile crash(QDir(reportsFolder()).filePath(QStringLiteral("crash-20990101-000000000-1.txt")));
    ASSERT_TRUE(crash.open(QIODevice::WriteOnly));
    crash.write("Tessaro-Fehlerbericht\nUrsache: Signal 11\n");
    crash.close();
    dialogs.answer(DialogButton::Yes);
    windows.offerLastCrashReport();
    EXPECT_TRUE(report->isVisible());
    EXPECT_EQ(report->ReportMemo->toPlainText(), QStringLiteral("Tessaro-Fehlerbericht\nUrsache: Signal 11\n"));
    windows.offerLastCrashReport();
    EXPECT_EQ(dialogs.calls().size(), 1);
    QDir(reportsFolder()).removeRecursively();
}

} // namespace
