#include "../app/shootingtest.h"
#include "recordingscriptview.h"

#include "app/startup.h"
#include "camera/edserrors.h"
#include "camera/proptables.h"
#include "postprocess/catalogue.h"
#include "review/exifreader.h"
#include "processcheck.h"
#include "scripting/scripthost.h"
#include "settings/configuration.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>

namespace {

// A settings window that hands back whatever the record held when it was last applied, as
// a real window's controls do.
class EchoWindow : public SettingsWindow
{
public:
    bool settingsFromWindow() override
    {
        if (held)
            ProgramSettings() = *held;
        return true;
    }
    void settingsToWindow() override { held = ProgramSettings(); }
    std::optional<TProgramSettings> held;
};

QString program(const QString &body)
{
    return QStringLiteral("program T;\nvar i: Integer;\nbegin\n") + body + QStringLiteral("\nend.\n");
}

} // namespace

class ScriptHostTest : public ShootingTest
{
protected:
    void SetUp() override
    {
        ShootingTest::SetUp();
        if (HasFatalFailure())
            return;
        host = std::make_unique<ScriptHost>(catalogue, form.get());
        host->setView(&view);
        host->setHooks(scriptHostHooks(*shooting));
        dispatcher->setImageStoredReceiver([this] { host->ImageStored(); });
        dispatcher->setCommandOutputReceiver([this](const QString &text) { view.appendOutput(text); });
        host->RunScript(program(QStringLiteral("SetzePausenachBefehlauf(0);")), false);
    }

    void TearDown() override
    {
        catalogue.StopWorker();
        dispatcher->setImageStoredReceiver({});
        dispatcher->setCommandOutputReceiver({});
        dispatcher->transfer().setHooks({});
        attachSettingsWindow(SettingsWindowKind::Capture, nullptr);
        attachSettingsWindow(SettingsWindowKind::Viewer, nullptr);
        ShootingTest::TearDown();
    }

    QStringList run(const QString &body, bool processMessages = true)
    {
        host->RunScript(program(body), processMessages);
        return view.output;
    }

    // The code of the entry `offset` places after the first whose name contains or is `text`.
    static quint32 codeNear(CameraProperty property, const QString &text, int offset, bool contains)
    {
        const PropTable &table = CurrentTable(property);
        for (size_t i = 0; i < table.size(); ++i) {
            const QString name = table[i].Name.toUpper();
            if (contains ? name.contains(text.toUpper()) : name == text.toUpper())
                return table.at(i + offset).ID;
        }
        ADD_FAILURE() << "no entry " << text.toStdString();
        return 0;
    }

    TExternApplications catalogue;
    RecordingScriptView view;
    std::unique_ptr<ScriptHost> host;
};

TEST_F(ScriptHostTest, SetzeWritesTheMatchingEntryOrTheOneOffsetFromIt)
{
    const QString wbPart = CurrentTable(CameraProperty::WhiteBalance).at(1).Name.mid(1, 3).toLower();
    struct Case
    {
        QString call;
        quint32 property;
        quint32 expected;
    };
    const QList<Case> cases = {
        {"Setze('iso','400',1);", kEdsPropID_ISOSpeed, codeNear(CameraProperty::ISO, "400", 1, false)},
        {"Setze('ISO','400',-1);", kEdsPropID_ISOSpeed, codeNear(CameraProperty::ISO, "400", -1, false)},
        {"Setze('weissabgleich','" + wbPart + "',0);", kEdsPropID_WhiteBalance,
         codeNear(CameraProperty::WhiteBalance, wbPart, 0, true)},
    };
    for (const Case &c : cases) {
        simClearCallLog();
        run(c.call);
        EXPECT_EQ(writes(c.property), QStringList{QString::number(c.expected)}) << c.call.toStdString();
    }
}

TEST_F(ScriptHostTest, AnEmptyValueAndTheDriveModeNamesReachNothing)
{
    // Only a to z are upper-cased: "ä" does not match "Ä".
    CurrentTable(CameraProperty::WhiteBalance).push_back({QStringLiteral("GLÜHLAMPE Ä"), 0x7777, true});
    const QStringList out = run(QStringLiteral(
        "Setze('WB','',0); Setze('WB','ä',0); Setze('DM','1',0); Setze('AUFNAHMEMODUS','1',0);"
        "Anzeige('[' + hole('DM') + hole('AUFNAHMEMODUS') + Liste('dm') + ']');"));
    EXPECT_TRUE(simCallLog().filter(QStringLiteral("EdsSetPropertyData")).isEmpty()) << simCallLog().join('\n').toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("[]"))) << out.join('\n').toStdString();
}

TEST_F(ScriptHostTest, AWriteThatKeepsFailingIsMadeFiveTimesThenReported)
{
    // A value the body does not allow now: every write of it is refused.
    CurrentTable(CameraProperty::ISO).push_back({QStringLiteral("99999"), 0x7777, true});
    const QStringList out = run(QStringLiteral("Setze('ISO','99999',0); Anzeige('weiter');"));
    EXPECT_EQ(writes(kEdsPropID_ISOSpeed).size(), 5);
    const int error = int(out.indexOf(QStringLiteral("weiter"))) - 1;
    ASSERT_GE(error, 0);
    EXPECT_NE(out.at(error), QStringLiteral("Succesfully compiled"));
    EXPECT_FALSE(out.at(error).isEmpty());
}

TEST_F(ScriptHostTest, ListeListsEveryKnownWhiteBalanceWithTheCurrentOneStarred)
{
    const QStringList out = run(QStringLiteral("Anzeige(Liste('WB'));"));
    const QString listed = out.value(1);
    const PropTable &master = MasterTable(CameraProperty::WhiteBalance);
    QString expected;
    const quint32 current = cachedValue(kEdsPropID_WhiteBalance);
    for (const TPropList &e : master)
        expected += QStringLiteral("%1  :  %2%3\r\n").arg(e.ID, 4, 10, QLatin1Char('0')).arg(e.Name, e.ID == current ? "*" : "");
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(listed.count(u'*'), 1);
}

TEST_F(ScriptHostTest, SettingsAScriptChangesReachTheirWindowAndSurviveTheNextCollection)
{
    EchoWindow capture;
    EchoWindow viewer;
    attachSettingsWindow(SettingsWindowKind::Capture, &capture);
    attachSettingsWindow(SettingsWindowKind::Viewer, &viewer);
    ProgramSettings().ShowIntern = true;
    const QStringList out = run(QStringLiteral(
        "Setze('Projectname','Studio',0); Setze('Verzeichnis','/tmp/x',0); Setze('PICPATH','C:\\fotos',0);"
        "bildanzeige('aus','intern',''); Anzeige(hole('projektname') + '|' + hole('DATEIMASKE') + '|');"));
    ASSERT_TRUE(CaptureSettingsFromWindow());
    ASSERT_TRUE(ViewerSettingsFromWindow());
    EXPECT_EQ(ProgramSettings().Projektname, QStringLiteral("Studio"));
    EXPECT_EQ(ProgramSettings().Savepath, QStringLiteral("/tmp/x/"));
    EXPECT_FALSE(ProgramSettings().ShowIntern);
    EXPECT_TRUE(out.contains(QStringLiteral("Studio||")));
    EXPECT_EQ(out.filter(QStringLiteral("C:\\fotos")).size(), 1) << "the drive letter is refused with a line";
}

TEST_F(ScriptHostTest, BildCountsFromTheLatestOrTheFirstAndSplitsNamesAtTheFirstDot)
{
    for (const char *name : {"IMG_1.tar.gz", "README"}) {
        TMadeImage image;
        image.Folder = QStringLiteral("/p/");
        image.FileName = QLatin1String(name);
        image.Exif.Make = QStringLiteral("Canon");
        MadeImages().append(image);
    }
    const QStringList out = run(QStringLiteral(
        "Anzeige(Bild(0,0,'PFAD')); Anzeige(Bild(0,1,'PFAD')); Anzeige(Bild(2,0,'NAME'));"
        "Anzeige(Bild(0,-1,'nurname') + '|' + Bild(0,-1,'ERWEITERUNG'));"
        "Anzeige(Bild(0,0,'NURNAME') + '|' + Bild(0,0,'ERWEITERUNG') + '|');"
        "Anzeige(Bild(1,0,'hersteller') + '|' + Bild(1,0,'UNBEKANNT') + '|');"));
    EXPECT_EQ(out.mid(1, 6), (QStringList{"/p/README", "KEIN BILD VORHANDEN", "KEIN BILD VORHANDEN",
                                          "IMG_1|.tar.gz", "README||", "Canon||"}));
}

TEST_F(ScriptHostTest, ThreeReleasesGiveThreeDistinctFiles)
{
    const QStringList out = run(QStringLiteral(
        "Ausloesen; Anzeige(Bild(0,0,'PFAD')); Ausloesen; Anzeige(Bild(0,0,'PFAD'));"
        "Ausloesen; Anzeige(Bild(0,0,'PFAD'));"));
    const QStringList paths = out.mid(1, 3);
    EXPECT_EQ(QSet<QString>(paths.begin(), paths.end()).size(), 3) << out.join('\n').toStdString();
    for (const QString &path : paths)
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    EXPECT_EQ(out.last(), QStringLiteral("Successfully executed"));
}

TEST_F(ScriptHostTest, TheReleaseButtonDoesNotReleaseDuringAScriptsRelease)
{
    QTimer::singleShot(5, form.get(), [this] { form->AusloeserButton->click(); shooting->AusloeserButtonClick(); });
    run(QStringLiteral("Ausloesen;"));
    EXPECT_EQ(releaseCommands(), 1);
    EXPECT_EQ(ImageCount(), 1);
    EXPECT_TRUE(form->AusloeserButton->isEnabled());
}

class RawJpegScript : public ScriptHostTest
{
protected:
    const char *bodyConfig() const override { return "camera=1;modedial=3;rawjpeg=1"; }
};

TEST_F(RawJpegScript, BildAfterEachReleaseBelongsToThatRelease)
{
    const QStringList out = run(QStringLiteral(
        "Ausloesen; Anzeige(Bild(0,0,'NAME')); Ausloesen; Anzeige(Bild(0,0,'NAME'));"));
    ASSERT_EQ(ImageCount(), 4);
    EXPECT_EQ(out.mid(1, 2), (QStringList{MadeImages().find(1)->FileName, MadeImages().find(3)->FileName}));
}

struct MissingPicture
{
    const char *config;
};

class ScriptWithoutPicture : public ScriptHostTest, public ::testing::WithParamInterface<MissingPicture>
{
protected:
    const char *bodyConfig() const override { return GetParam().config; }
};

TEST_P(ScriptWithoutPicture, AusloesenGivesUpWithinTheShotsOwnWaitAndSaysSo)
{
    letTimeRun();
    const qint64 start = clock.tickMs();
    const qint64 limit = shooting->pictureWaitMs();
    const QStringList out = run(QStringLiteral("Ausloesen; Anzeige('danach');"));
    EXPECT_LE(clock.tickMs() - start, limit + 5000);
    EXPECT_TRUE(out.contains(QStringLiteral("Kein Bild von der Kamera erhalten"))) << out.join('\n').toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("danach")));
}

INSTANTIATE_TEST_SUITE_P(Faults, ScriptWithoutPicture,
                         ::testing::Values(MissingPicture{"camera=1;modedial=3;faildownload=1"},
                                           MissingPicture{"camera=1;modedial=3;lostpicture=1"}));

// Stop is measured on the real clock: it is what the user waits for.
TEST_F(ScriptHostTest, StopEndsAnEndlessLoopAndALongWaitAtOnce)
{
    setAppClock(nullptr);
    for (const char *body : {"i := 0; while True do i := i + 1;", "warte(60000); Anzeige('zu weit');"}) {
        QElapsedTimer sinceStop;
        QTimer::singleShot(50, form.get(), [&] {
            sinceStop.start();
            host->StopScript();
        });
        const QStringList out = run(QLatin1String(body));
        ASSERT_TRUE(sinceStop.isValid()) << body;
        EXPECT_LT(sinceStop.elapsed(), 200) << body;
        EXPECT_FALSE(out.contains(QStringLiteral("zu weit")));
        EXPECT_FALSE(host->running());
    }
}

TEST_F(ScriptHostTest, TheFinalWaitForAHungCommandEndsOnStopOrTheWorkersStop)
{
    setAppClock(nullptr);
    MadeImages().append(TMadeImage{});
    const QString hang = QStringLiteral("ebvcommando('%1','hang 600000',true,false,false);").arg(PROBE);
    for (const auto &stop : std::vector<std::function<void()>>{[this] { host->StopScript(); },
                                                               [this] { catalogue.StopWorker(); }}) {
        QTimer::singleShot(300, form.get(), stop);
        QElapsedTimer real;
        real.start();
        run(hang);
        EXPECT_LT(real.elapsed(), 5000);
        EXPECT_TRUE(view.captions.contains(QStringLiteral("Scripter  EBV-Befehle übrig = 001")));
        EXPECT_EQ(view.captions.last(), QStringLiteral("Scripter  "));
        catalogue.StopWorker();
    }
}

TEST_F(ScriptHostTest, EbvcommandoWithoutAPictureQueuesNothing)
{
    const QStringList out = run(QStringLiteral("ebvcommando('prog','-o #PATHBEGIN/x/y.jpg#PATHEND',true,false,false);"));
    EXPECT_EQ(catalogue.PendingCommandCount(), 0);
    EXPECT_FALSE(catalogue.WorkerRunning());
    EXPECT_TRUE(out.contains(QStringLiteral("prog Keine Bilddaten")));
}

TEST_F(ScriptHostTest, AWholeSessionSetsReleasesReadsAndHandsOnACommand)
{
    TransferHooks exif;
    exif.readPictureExif = [](TMadeImage &image, const QString &path) { ReadPictureExif(image.Exif, path); };
    dispatcher->transfer().setHooks(exif);
    const QString log = dir.filePath(QStringLiteral("probe.log"));
    qputenv("TESSARO_PROBE_LOG", log.toLocal8Bit());
    letTimeRun();
    const QString outFolder = dir.filePath(QStringLiteral("out"));
    const QStringList out = run(QStringLiteral(
        "Setze('ISO','400',0); Ausloesen; Ausloesen;"
        "Anzeige(Bild(0,0,'PFAD')); Anzeige('ISO ' + Bild(0,0,'ISO'));"
        "ebvcommando('%1', 'flow 0 -o #PATHBEGIN%2/#YEAR/pic.jpg  #PATHEND' + Bild(0,0,'PFAD'), true, false, false);"
        "Anzeige(IntToStr(EBVBefehleUebrig));")
                                    .arg(PROBE, outFolder));
    qunsetenv("TESSARO_PROBE_LOG");
    ASSERT_EQ(ImageCount(), 2);
    const QString second = pathOf(1);
    EXPECT_TRUE(out.contains(second)) << out.join('\n').toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("ISO 400"))) << out.join(u'\n').toStdString();
    EXPECT_EQ(out.last(), QStringLiteral("Successfully executed"));
    EXPECT_TRUE(QDir(outFolder + QStringLiteral("/2026")).exists());
    QFile probe(log);
    ASSERT_TRUE(probe.open(QIODevice::ReadOnly));
    const QString logged = QString::fromUtf8(probe.readAll());
    EXPECT_TRUE(logged.contains(QStringLiteral("arg ") + second)) << logged.toStdString();
    EXPECT_TRUE(logged.contains(QStringLiteral("end flow")));
}
