#include "mainwindowtest.h"

#include "app/commandline.h"
#include "app/programend.h"
#include "app/shooting.h"
#include "app/startup.h"
#include "camera/appmaster.h"
#include "camera/madeimages.h"
#include "postprocess/catalogue.h"
#include "sequence/commandlistfile.h"
#include "settings/configuration.h"
#include "settings/programsettings.h"
#include "ui/fkommandeditor.h"
#include "ui/fscripter.h"
#include "ui/mainform.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

// Found by argument lookup in the global namespace, where the options live.
static std::ostream &operator<<(std::ostream &out, const CommandLineOptions &o)
{
    out << "ini=" << o.configuration.value_or("-").toStdString()
        << " viewer=" << o.layout.value_or("-").toStdString() << " ignore="
        << (o.ignoreDisconnect ? (*o.ignoreDisconnect ? "true" : "false") : "-")
        << " release=" << o.automaticRelease << " end=" << o.endAfterShoot;
    for (const CommandLineLoad &load : o.loads)
        out << ' ' << load.key.toStdString() << load.path.toStdString();
    return out;
}

namespace {

TEST(CommandLineKeys, AreFoundAnywhereInAParameterWithExactCase)
{
    struct Case
    {
        const char *name;
        QStringList parameters;
        CommandLineOptions expected;
    };
    const auto options = [](auto change) {
        CommandLineOptions o;
        change(o);
        return o;
    };
    const Case cases[] = {
        {"a prepared run", {"inifile=studio", "release=auto", "endaftershoot=on"},
         options([](auto &o) {
             o.configuration = "studio.ccf";
             o.automaticRelease = o.endAfterShoot = true;
         })},
        {"value after the first equals sign", {"xinifile=abc=d"},
         options([](auto &o) { o.configuration = "abc=d.ccf"; })},
        {"configuration and layout keep their folder", {"inifile=/etc/s", "viewer=layouts/v"},
         options([](auto &o) {
             o.configuration = "/etc/s.ccf";
             o.layout = "layouts/v.cif";
         })},
        {"release and end compare exactly", {"release=Auto", "endaftershoot=ON"}, options([](auto &) {})},
        {"ignoredisconnect compares upper-cased", {"ignoredisconnect=TRUE"},
         options([](auto &o) { o.ignoreDisconnect = true; })},
        {"ignoredisconnect other value clears", {"ignoredisconnect=true", "ignoredisconnect=ja"},
         options([](auto &o) { o.ignoreDisconnect = false; })},
        {"key names are case sensitive", {"INIFILE=studio", "Release=auto"}, options([](auto &) {})},
        {"folder-less files come from the program's folder",
         {"appsfile=tools", "scriptfile=s", "comfile=/data/liste"},
         options([](auto &o) {
             o.loads = {{"appsfile=", "/prog/tools.ccc"}, {"scriptfile=", "/prog/s.rops"},
                        {"comfile=", "/data/liste.clf"}};
         })},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseCommandLine(c.parameters, "/prog"), c.expected);
    }
}

// The program's windows against the simulated body, with a configuration that stores
// pictures in a folder of the test's own.
class CommandLineRun : public MainWindowTest
{
protected:
    const char *bodyConfig() const override { return "camera=1;legacy=0;modedial=2;battery=80"; }

    void SetUp() override
    {
        MainWindowTest::SetUp();
        form.reset();
        AppMaster.reset();
        resetProgramEnd();
        AutomaticRelease = EndAfterShoot = false;
        MadeImages().clear();
        windows = std::make_unique<ProgramWindows>();
        ASSERT_TRUE(dir.isValid());
    }

    void TearDown() override
    {
        windows.reset();
        resetProgramEnd();
        AutomaticRelease = EndAfterShoot = false;
        MainWindowTest::TearDown();
    }

    // Writes dir/studio.ccf; returns its name without the extension.
    QString studio(bool bracketing)
    {
        TProgramSettings s;
        s.Savepath = dir.path() + QLatin1Char('/');
        s.Filemask = QStringLiteral("Run\\IMG#IMGNR");
        s.Einzelaufnahme = !bracketing;
        s.Belichtungsreihe = bracketing;
        s.ExpComp1 = QStringLiteral("-2");
        s.ExpComp2 = QStringLiteral("0");
        s.ExpComp3 = QStringLiteral("+2");
        EXPECT_TRUE(writeConfiguration(dir.filePath("studio.ccf"), s));
        return dir.filePath("studio");
    }

    QStringList pictures() const
    {
        QStringList files;
        QDirIterator it(dir.path(), {"*.JPG"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

    static int sessionsOpened()
    {
        return int(simCallLog().filter(QStringLiteral("EdsOpenSession")).size());
    }

    void run(const QStringList &parameters) { ParseCommandLine(*windows, parameters, BinDir); }

    QTemporaryDir dir;
    std::unique_ptr<ProgramWindows> windows;
};

TEST_F(CommandLineRun, PreparedRunReleasesOnceBeforeTheLoopAndEnds)
{
    simClearCallLog();
    run({"inifile=" + studio(true), "release=auto", "endaftershoot=on"});

    EXPECT_EQ(requestedProgramEnd(), 0);
    // Bracketing: three pictures; the start settings were read before the series changed
    // the exposure compensation.
    EXPECT_EQ(pictures().size(), 3) << pictures().join(' ').toStdString();
    EXPECT_EQ(StartSettings().ExpComp.Name, QStringLiteral("0"));
    EXPECT_EQ(CurrentSettings().ExpComp.Name, QStringLiteral("+2"));
    EXPECT_EQ(sessionsOpened(), 1);

    // The first show does not connect again, and only the command line's release ends the run.
    resetProgramEnd();
    windows->mainForm().show();
    EXPECT_EQ(windows->connectAtStart(), ConnectOk);
    QCoreApplication::processEvents();
    EXPECT_EQ(sessionsOpened(), 1);
    windows->mainForm().AusloeserButton->click();
    EXPECT_EQ(pictures().size(), 6);
    EXPECT_EQ(requestedProgramEnd(), std::nullopt);
    EXPECT_TRUE(dialogs.finished());
}

TEST_F(CommandLineRun, WithoutACameraOnlyARunThatEndsAfterTheShotEnds)
{
    struct Case
    {
        const char *name;
        QStringList parameters;
        std::optional<int> end;
        const char *errorLine;
    };
    const Case cases[] = {
        {"end after the shot", {"ignoredisconnect=TRUE", "release=auto", "endaftershoot=on"}, 1,
         "release=auto: no camera connected\n"},
        // The release runs and shows in the status bar why no picture comes.
        {"no end", {"ignoredisconnect=TRUE", "release=auto"}, std::nullopt, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        windows.reset();
        AppMaster.reset();
        resetProgramEnd();
        ASSERT_EQ(simConfigure("camera=0"), 0);
        windows = std::make_unique<ProgramWindows>();
        testing::internal::CaptureStderr();
        run(c.parameters);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.errorLine);
        EXPECT_EQ(requestedProgramEnd(), c.end);
        EXPECT_EQ(ImageCount(), 0);
        EXPECT_TRUE(IgnoreDisconnect);
    }
    EXPECT_TRUE(dialogs.calls().isEmpty());
}

TEST_F(CommandLineRun, SettingsThatCannotBeTakenEndTheRunBeforeConnecting)
{
    auto *count = windows->windows()[6]->findChild<QLineEdit *>("AufnahmenAnzahlEdit");
    ASSERT_NE(count, nullptr);
    count->setText("zehn");
    dialogs.answer(DialogButton::Ok);
    simClearCallLog();
    testing::internal::CaptureStderr();
    run({"release=auto", "endaftershoot=on"});
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(requestedProgramEnd(), 1);
    EXPECT_NE(err.find("release=auto: the settings could not be taken"), std::string::npos) << err;
    EXPECT_EQ(sessionsOpened(), 0);
    EXPECT_TRUE(dialogs.finished());
}

TEST_F(CommandLineRun, MissingFilesAreReportedAndTheOtherKeysStillAct)
{
    dialogs.answer(DialogButton::Ok).answer(DialogButton::Ok).answer(DialogButton::Ok);
    run({"inifile=fehlt", "viewer=fehlt", "appsfile=" + dir.filePath("fehlt"), "ignoredisconnect=TRUE"});

    ASSERT_TRUE(dialogs.finished());
    EXPECT_EQ(dialogs.calls()[0].text, "Fehler beim laden der Kommando-Datei !\r\nDatei nicht gefunden");
    EXPECT_TRUE(dialogs.calls()[1].text.contains("fehlt.ccf existiert nicht"));
    EXPECT_TRUE(dialogs.calls()[2].text.contains("fehlt.cif existiert nicht"));
    EXPECT_TRUE(IgnoreDisconnect);
    EXPECT_EQ(requestedProgramEnd(), std::nullopt);
    EXPECT_FALSE(AppMaster) << "nothing connects without release=auto";
}

TEST_F(CommandLineRun, AMissingScriptfileIsReportedAndChangesNothing)
{
    dialogs.answer(DialogButton::Ok);
    run({"scriptfile=" + dir.filePath("fehlt")});
    ASSERT_TRUE(dialogs.finished());
    EXPECT_EQ(dialogs.calls()[0].caption, QStringLiteral("Fehler"));
    EXPECT_TRUE(dialogs.calls()[0].text.contains("fehlt.rops existiert nicht"));
}

TEST_F(CommandLineRun, AppsfileLoadsTheCatalogueOrKeepsIt)
{
    TExternApplications tools;
    auto app = std::make_unique<TExternApplication>();
    app->Name = "Convert";
    tools.Applications.append(std::move(app));
    ASSERT_TRUE(tools.SaveCatalogue(dir.filePath("tools.ccc")).ok());
    // A folder under the file's name cannot be read as one.
    ASSERT_TRUE(QDir(dir.path()).mkdir("damaged.ccc"));

    run({"appsfile=" + dir.filePath("tools")});
    const TExternApplications &catalogue = windows->catalogue();
    ASSERT_EQ(catalogue.Applications.count(), 1);
    EXPECT_EQ(catalogue.Applications.item(0)->Name, "Convert");
    EXPECT_EQ(catalogue.FileName(), dir.filePath("tools.ccc"));

    // A file that cannot be read leaves the list and the file name as they were.
    dialogs.answer(DialogButton::Ok).answer(DialogButton::Ok);
    run({"appsfile=" + dir.filePath("fehlt"), "appsfile=" + dir.filePath("damaged")});
    ASSERT_EQ(catalogue.Applications.count(), 1);
    EXPECT_EQ(catalogue.FileName(), dir.filePath("tools.ccc"));
    ASSERT_TRUE(dialogs.finished());
    EXPECT_EQ(dialogs.calls()[0].caption, QString::fromUtf8(ProgramCaption));
    EXPECT_TRUE(dialogs.calls()[1].text.startsWith("Fehler beim laden der Kommando-Datei !\r\n"));
    EXPECT_TRUE(windows->commandEditor().isHidden());
}

TEST_F(CommandLineRun, ScriptfileLoadsTheScriptIntoTheEditor)
{
    QFile file(dir.filePath("run.rops"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Program Lauf;\r\nBegin\r\nEnd.\r\n");
    file.close();
    run({"scriptfile=" + dir.filePath("run")});
    TFScripter &scripter = windows->scripter();
    EXPECT_EQ(scripter.currentFileName(), dir.filePath("run.rops"));
    EXPECT_FALSE(scripter.modified());
    EXPECT_TRUE(scripter.outputLines().isEmpty());
    EXPECT_TRUE(dialogs.calls().isEmpty());
}

TEST_F(CommandLineRun, ComfileLoadsTheListSwitchesToSequenceAndShowsItsWindow)
{
    QWidget *list = windows->windows()[5];
    auto *sequenceBox = windows->windows()[6]->findChild<QCheckBox *>("BilderfolgeCheckbox");
    auto *grid = list->findChild<QTableWidget *>("CommandlistSG1");
    ASSERT_TRUE(sequenceBox && grid);
    CommandList() = {TCamerasettings{}, TCamerasettings{}};
    CommandList()[1].Av = {QStringLiteral("8"), 0x38, true};
    ASSERT_TRUE(saveCommandList(dir.filePath("liste.clf")));
    CommandList().clear();

    dialogs.answer(DialogButton::Ok);
    run({"comfile=" + dir.filePath("fehlt")});
    EXPECT_TRUE(dialogs.calls().value(0).text.contains("fehlt.clf existiert nicht"));
    EXPECT_FALSE(sequenceBox->isChecked());
    EXPECT_FALSE(list->isVisible());

    run({"comfile=" + dir.filePath("liste")});
    EXPECT_EQ(CommandList().size(), 2);
    EXPECT_TRUE(sequenceBox->isChecked());
    EXPECT_TRUE(list->findChild<QCheckBox *>("CommandListCheckbox")->isChecked());
    EXPECT_TRUE(list->isVisible());
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(1, 2)->text(), QStringLiteral("8"));
    EXPECT_TRUE(dialogs.finished());
    CommandList().clear();
}

} // namespace
