#include "shootingtest.h"

#include "app/eventdispatch.h"
#include "app/mainformview.h"
#include "app/startup.h"
#include "app/shooting.h"
#include "app/transfer.h"
#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/cameraevents.h"
#include "camera/edserrors.h"
#include "camera/madeimages.h"
#include "camera/proptables.h"
#include "diagnostics/debuglog.h"
#include "sequence/commandlist.h"
#include "settings/programsettings.h"
#include "ui/mainform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <utility>

namespace {

constexpr quint32 ExpCompId = 1031;

// A manual clock that runs a step of its own whenever a wait sleeps on it.
class HookClock : public ManualClock
{
public:
    std::function<void()> onSleep;
    qint64 stepMs = 1;
    void sleepMs(int) override
    {
        advanceMs(stepMs);
        if (onSleep)
            onSleep();
    }
};

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

TEST_F(ShootingTest, OneReleaseStoresUnderTheMaskAndRecordsThePicture)
{
    release();

    ASSERT_EQ(ImageCount(), 1);
    const TMadeImage &image = *MadeImages().find(0);
    EXPECT_EQ(image.FileName, QStringLiteral("IMG0815.JPG"));
    EXPECT_EQ(image.Folder, dir.path() + QStringLiteral("/2026/"));
    EXPECT_EQ(image.MaskPath, QStringLiteral("2026/"));
    EXPECT_EQ(image.Index, 0);
    EXPECT_EQ(image.GroupStart, 0);
    EXPECT_EQ(image.Settings.Av.ID, cachedValue(1029));
    EXPECT_EQ(image.Settings.Tv.ID, cachedValue(1030));
    EXPECT_GT(QFileInfo(pathOf(0)).size(), 0);
    EXPECT_TRUE(form->AusloeserButton->isEnabled());
    EXPECT_FALSE(form->StopZeitrafferButton->isEnabled());
    // The stored message and the progress bar's return to 0 follow through the event loop.
    EXPECT_TRUE(waitUntil([&] { return storedMessages.count == 1; }));
    EXPECT_TRUE(waitUntil([&] { return form->ProgressBar1->value() == 0; }));
}

TEST_F(ShootingTest, LaterStagesAreCalledInOrderAndPostProcessingOnlyWhenSwitchedOn)
{
    QStringList calls;
    TransferHooks hooks;
    hooks.showReceivedPicture = [&](const QString &folder, const QString &name) {
        calls << QStringLiteral("show ") + folder + name;
    };
    hooks.readPictureExif = [&](TMadeImage &image, const QString &path) {
        calls << QStringLiteral("exif %1 ").arg(image.Index) + path;
        image.Exif.Make = QStringLiteral("Canon");
    };
    hooks.addPictureCommands = [&](const QString &root, const QString &sub, const QString &name,
                                   const TCamerasettings &) {
        calls << QStringLiteral("post ") + root + QLatin1Char('|') + sub + QLatin1Char('|') + name;
    };
    dispatcher->transfer().setHooks(hooks);
    const QString root = dir.path() + QLatin1Char('/');

    release();
    ProgramSettings().UseImageMagick = true;
    release();

    EXPECT_EQ(calls, QStringList({QStringLiteral("show ") + root + QStringLiteral("2026/IMG0815.JPG"),
                                  QStringLiteral("exif 0 ") + root + QStringLiteral("2026/IMG0815.JPG"),
                                  QStringLiteral("show ") + root + QStringLiteral("2026/IMG0816.JPG"),
                                  QStringLiteral("exif 1 ") + root + QStringLiteral("2026/IMG0816.JPG"),
                                  QStringLiteral("post ") + root + QStringLiteral("|2026/|IMG0816.JPG")}));
    EXPECT_EQ(MadeImages().find(1)->Exif.Make, QStringLiteral("Canon"));
}

TEST_F(ShootingTest, ProgressBarReturnsToZeroAfterAHundred)
{
    PictureTransfer &transfer = dispatcher->transfer();
    transfer.ProgressEvent(40);
    EXPECT_EQ(form->ProgressBar1->value(), 40);
    transfer.ProgressEvent(100);
    EXPECT_EQ(form->ProgressBar1->value(), 100);
    EXPECT_TRUE(waitUntil([&] { return form->ProgressBar1->value() == 0; }));
}

TEST_F(Bracketing, SingleAndBracketingGiveFourPicturesWithTheThreeCodesInOrder)
{
    ProgramSettings().Belichtungsreihe = true;
    release();

    ASSERT_EQ(ImageCount(), 4);
    QStringList expected;
    for (const char *name : {"-2", "0", "+2"}) {
        const PropTable &table = MasterTable(CameraProperty::ExpComp);
        const auto entry = std::find_if(table.begin(), table.end(),
                                        [&](const TPropList &e) { return e.Name == text(name); });
        ASSERT_NE(entry, table.end()) << name;
        expected.append(QString::number(entry->ID));
    }
    EXPECT_EQ(writes(ExpCompId), expected);
    EXPECT_EQ(form->statusText(), QStringLiteral(" Set Value "));
    // Every release waited for its own picture: four distinct files.
    QStringList files;
    for (int i = 0; i < 4; ++i)
        files.append(pathOf(i));
    files.removeDuplicates();
    EXPECT_EQ(files.size(), 4);
    EXPECT_EQ(MadeImages().find(3)->GroupStart, 3);
}

TEST_F(Bracketing, BracketingTextUnknownToTheTableReportsAndStillShoots)
{
    TProgramSettings &s = ProgramSettings();
    s.Einzelaufnahme = false;
    s.Belichtungsreihe = true;
    s.ExpComp3 = QStringLiteral("+9");
    release();

    EXPECT_EQ(ImageCount(), 3);
    EXPECT_EQ(writes(ExpCompId).size(), 2);
    EXPECT_EQ(form->statusText(), QStringLiteral(" Can not set Value "));
}

class RawAndJpeg : public Bracketing
{
protected:
    const char *bodyConfig() const override { return "camera=1;modedial=3;rawjpeg=1"; }
};

TEST_F(RawAndJpeg, EveryFileOfABracketingIsInAndRecordedWithTheSettingsOfItsRelease)
{
    TProgramSettings &s = ProgramSettings();
    s.Einzelaufnahme = false;
    s.Belichtungsreihe = true;
    s.Filemask = QStringLiteral("#EXPCOMP_IMG#IMGNR");
    release();

    // Nothing may still be on its way when the release ends.
    ASSERT_EQ(ImageCount(), 6);
    const QStringList steps{QStringLiteral("-2"), QStringLiteral("0"), QStringLiteral("+2")};
    for (int i = 0; i < 6; ++i) {
        const TMadeImage &image = *MadeImages().find(i);
        const QString step = steps[i / 2];
        EXPECT_FALSE(image.Failed) << i;
        EXPECT_EQ(image.Settings.ExpComp.Name, step) << i;
        // The name carries the settings the file was taken with, RAW first.
        EXPECT_TRUE(image.FileName.startsWith(step + QLatin1Char('_'))) << image.FileName.toStdString();
        EXPECT_TRUE(image.FileName.endsWith(i % 2 ? QStringLiteral(".JPG") : QStringLiteral(".CR2")))
            << image.FileName.toStdString();
        EXPECT_TRUE(QFileInfo::exists(pathOf(i))) << i;
    }
    EXPECT_EQ(form->statusText(), QStringLiteral(" Set Value "));
}

TEST_F(RawAndJpeg, AutomaticReleaseEndsTheProgramOnlyWhenBothFilesAreIn)
{
    AutomaticRelease = EndAfterShoot = true;
    QTimer::singleShot(0, shooting, [this] { shooting->Release(); });
    QTimer::singleShot(30000, [] { QCoreApplication::exit(1); });
    ASSERT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(ImageCount(), 2);
}

TEST_F(ShootingTest, TimeLapseTakesCountPicturesWithAWaitBetweenThemAndCountsInTheCaption)
{
    TProgramSettings &s = ProgramSettings();
    s.Zeitraffer = true;
    s.Aufnahmenanzahl = 3;
    s.IntervalStdText = QStringLiteral("0");
    s.IntervalMinText = QStringLiteral("0");
    s.IntervalSekText = QStringLiteral("10");
    QStringList captions;
    QObject::connect(form.get(), &QWidget::windowTitleChanged,
                     [&](const QString &caption) { captions.append(caption); });
    const qint64 start = clock.tickMs();

    release();

    EXPECT_EQ(ImageCount(), 3);
    EXPECT_EQ(captions, QStringList({QStringLiteral("Einstellungen   :Zeitraffer Aufnahme :1 / 3"),
                                     QStringLiteral("Einstellungen   :Zeitraffer Aufnahme :2 / 3"),
                                     QStringLiteral("Einstellungen   :Zeitraffer Aufnahme :3 / 3"),
                                     QStringLiteral("Einstellungen")}));
    // Only the pauses run on the program's clock: two of 10 s.
    const qint64 waited = clock.tickMs() - start;
    EXPECT_GE(waited, 20000);
    EXPECT_LT(waited, 30000);
    EXPECT_EQ(s.Intervalsek, 10);
    EXPECT_FALSE(TimeLapseRunning);
    EXPECT_TRUE(form->AusloeserButton->isEnabled());
    EXPECT_FALSE(form->StopZeitrafferButton->isEnabled());
}

// Presses Stop once the first pause has run for a while.
class StopInPauseClock : public ManualClock
{
public:
    explicit StopInPauseClock(QPushButton *stop) : m_stop(stop) {}
    void sleepMs(int ms) override
    {
        ManualClock::sleepMs(ms);
        if (!m_pressed && tickMs() > 3000) {
            m_pressed = true;
            EXPECT_TRUE(m_stop->isEnabled());
            m_stop->click();
        }
    }

private:
    QPushButton *m_stop;
    bool m_pressed = false;
};

TEST_F(ShootingTest, StopInTheFirstPauseEndsTheTimeLapse)
{
    TProgramSettings &s = ProgramSettings();
    s.Zeitraffer = true;
    s.Aufnahmenanzahl = 3;
    s.IntervalSekText = QStringLiteral("10");
    StopInPauseClock stopClock(form->StopZeitrafferButton);
    setAppClock(&stopClock);

    release();

    EXPECT_EQ(ImageCount(), 1);
    EXPECT_EQ(releaseCommands(), 1);
    EXPECT_LT(stopClock.tickMs(), 10000);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_TRUE(form->AusloeserButton->isEnabled());
    EXPECT_FALSE(form->StopZeitrafferButton->isEnabled());
}

class LostPicture : public ShootingTest
{
protected:
    const char *bodyConfig() const override { return "camera=1;modedial=3;lostpicture=1"; }
};

TEST_F(LostPicture, StopEndsTheWaitForAPictureAndTheSeriesWithoutItsPause)
{
    TProgramSettings &s = ProgramSettings();
    s.Zeitraffer = true;
    s.Aufnahmenanzahl = 3;
    s.IntervalSekText = QStringLiteral("10");
    QTimer::singleShot(200, form->StopZeitrafferButton, &QPushButton::click);
    const qint64 start = clock.tickMs();
    QElapsedTimer real;
    real.start();

    release();

    EXPECT_LT(real.elapsed(), Shooting::PictureMarginMs);
    EXPECT_EQ(releaseCommands(), 1);
    EXPECT_EQ(clock.tickMs(), start);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_TRUE(form->AusloeserButton->isEnabled());
}

class Sequence : public ShootingTest
{
protected:
    // One step in the dial's mode M, with its own Tv and Av, the ISO left alone, and a pause.
    TCamerasettings step()
    {
        TCamerasettings settings;
        settings.AEMode = {QStringLiteral("Manual"), 3, true};
        settings.Tv = {QStringLiteral("1/250"), 120, true};
        settings.Av = {QStringLiteral("8"), 0x38, true};
        settings.PauseMinutes = 1;
        settings.PauseSeconds = 5;
        return settings;
    }
};

TEST_F(Sequence, StepWritesItsSettingsLeavesCodeZeroAloneShootsAndPauses)
{
    ProgramSettings().Einzelaufnahme = false;
    ProgramSettings().Bilderfolge = true;
    CommandList() = {step()};
    dialogs.answer(DialogButton::Yes);
    QStringList captions;
    QObject::connect(form.get(), &QWidget::windowTitleChanged,
                     [&](const QString &caption) { captions.append(caption); });
    const QString caption = form->windowTitle();
    const qint64 start = clock.tickMs();

    release();

    QString why;
    EXPECT_TRUE(dialogs.finished(&why)) << why.toStdString();
    EXPECT_EQ(ImageCount(), 1);
    EXPECT_EQ(writes(1030), QStringList{QStringLiteral("120")});
    EXPECT_EQ(writes(1029), QStringList{QStringLiteral("56")});
    EXPECT_TRUE(writes(1026).isEmpty());
    EXPECT_TRUE(writes(ExpCompId).isEmpty());
    EXPECT_TRUE(writes(256).isEmpty());
    EXPECT_GE(clock.tickMs() - start, 65000);
    ASSERT_FALSE(captions.isEmpty());
    EXPECT_EQ(captions.first(), QStringLiteral("Tessaro : Befehlsliste : 0 / 0"));
    EXPECT_EQ(form->windowTitle(), caption);
    EXPECT_FALSE(SequenceRunning);
    EXPECT_FALSE(form->StopZeitrafferButton->isEnabled());
}

TEST_F(Sequence, StepsWriteTheirValuesInOrderSkipUnselectedSettingsAndSelectTheirRows)
{
    ProgramSettings().Einzelaufnahme = false;
    ProgramSettings().Bilderfolge = true;
    const TPropList unknown{QStringLiteral("UNKNOWN"), NoSelectionCode, false};
    SequenceSteps list = {step(), step(), step()};
    list[0].ISO = {QStringLiteral("100"), 72, true};
    list[0].WB = {QStringLiteral("Tageslicht"), 1, true};
    list[1].Tv = {QStringLiteral("1/125"), 112, true};
    list[1].ISO = {QStringLiteral("200"), 80, true};
    list[1].WB = unknown;
    list[2].Tv = {QStringLiteral("1/60"), 104, true};
    list[2].Av = {QStringLiteral("11"), 0x40, true};
    list[2].ISO = unknown;
    list[2].WB = {QStringLiteral("Schatten"), 2, true};
    for (TCamerasettings &s : list)
        s.PauseMinutes = 0;
    CommandList() = list;
    dialogs.answer(DialogButton::Yes);
    QList<int> rows;
    QList<qsizetype> picturesAtRow;
    ShootingHooks hooks;
    hooks.sequenceStepStarted = [&](int index) {
        rows.append(index);
        picturesAtRow.append(ImageCount());
    };
    shooting->setHooks(hooks);

    release();

    EXPECT_EQ(rows, QList<int>({0, 1, 2}));
    EXPECT_EQ(picturesAtRow, QList<qsizetype>({0, 1, 2})) << "each row is selected before its picture";
    QStringList calls = simCallLog().filter(QRegularExpression(QStringLiteral(
        "^EdsSetPropertyData (1030|1029|1026|262) |^EdsSendCommand 0")));
    EXPECT_EQ(calls, QStringList({
                         "EdsSetPropertyData 1030 120", "EdsSetPropertyData 1029 56",
                         "EdsSetPropertyData 1026 72", "EdsSetPropertyData 262 1",
                         "EdsSendCommand 0",
                         "EdsSetPropertyData 1030 112", "EdsSetPropertyData 1029 56",
                         "EdsSetPropertyData 1026 80",
                         "EdsSendCommand 0",
                         "EdsSetPropertyData 1030 104", "EdsSetPropertyData 1029 64",
                         "EdsSetPropertyData 262 2",
                         "EdsSendCommand 0",
                     }));
    EXPECT_EQ(ImageCount(), 3);
}

TEST_F(Sequence, StopInAStepsPauseEndsTheSequence)
{
    ProgramSettings().Einzelaufnahme = false;
    ProgramSettings().Bilderfolge = true;
    SequenceSteps list = {step(), step(), step()};
    list[1].Tv = {QStringLiteral("1/125"), 112, true};
    CommandList() = list;
    dialogs.answer(DialogButton::Yes);
    HookClock pauseClock;
    pauseClock.onSleep = [&] {
        if (ImageCount() == 1 && SequenceRunning)
            shooting->Stop();
    };
    setAppClock(&pauseClock);

    release();

    EXPECT_EQ(releaseCommands(), 1);
    EXPECT_EQ(writes(1030), QStringList{QStringLiteral("120")});
    EXPECT_LT(pauseClock.tickMs(), 65000) << "the pause ended at the Stop";
    EXPECT_FALSE(SequenceRunning);
    EXPECT_TRUE(form->AusloeserButton->isEnabled());
    EXPECT_FALSE(form->StopZeitrafferButton->isEnabled());
}

TEST_F(Sequence, NoToThePromptEndsTheSequenceWithoutShooting)
{
    ProgramSettings().Einzelaufnahme = false;
    ProgramSettings().Bilderfolge = true;
    CommandList() = {step()};
    dialogs.answer(DialogButton::No);

    release();

    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_TRUE(dialogs.calls().first().text.endsWith(QStringLiteral("Modus : Manual ein")));
    EXPECT_EQ(releaseCommands(), 0);
    EXPECT_TRUE(simCallLog().filter(QStringLiteral("EdsSetPropertyData")).isEmpty());
    EXPECT_TRUE(form->AusloeserButton->isEnabled());
}

TEST_F(Sequence, PromptRepeatsUntilTheDialMatches)
{
    ProgramSettings().Einzelaufnahme = false;
    ProgramSettings().Bilderfolge = true;
    TCamerasettings first = step();
    first.AEMode = {QStringLiteral("Av"), 2, true};
    CommandList() = {first};
    // The dial stays on M: Yes is asked again, then the user gives up.
    dialogs.answer(DialogButton::Yes).answer(DialogButton::No);

    release();

    EXPECT_EQ(dialogs.calls().size(), 2);
    EXPECT_EQ(releaseCommands(), 0);
}

TEST_F(Sequence, ListEditedDuringARunDoesNotChangeTheRunningSequence)
{
    ProgramSettings().Einzelaufnahme = false;
    ProgramSettings().Bilderfolge = true;
    CommandList() = {step(), step()};
    dialogs.answer(DialogButton::Yes);
    ShootingHooks hooks;
    hooks.sequenceStepStarted = [](int index) {
        if (index == 0)
            CommandList() = SequenceSteps();
    };
    shooting->setHooks(hooks);

    release();

    EXPECT_EQ(ImageCount(), 2);
    EXPECT_EQ(writes(1030), QStringList({QStringLiteral("120"), QStringLiteral("120")}));
    EXPECT_FALSE(SequenceRunning);
}

TEST_F(Sequence, AfterTheSequenceTheTimeLapseKeepsReleaseOffAndStopUsable)
{
    TProgramSettings &s = ProgramSettings();
    s.Bilderfolge = true;
    s.Zeitraffer = true;
    s.Aufnahmenanzahl = 2;
    s.IntervalSekText = QStringLiteral("10");
    CommandList() = {step()};
    dialogs.answer(DialogButton::Yes);
    HookClock pauseClock;
    bool checked = false;
    pauseClock.onSleep = [&] {
        if (checked || !form->windowTitle().contains(QStringLiteral("Zeitraffer")))
            return;
        checked = true;
        EXPECT_FALSE(form->AusloeserButton->isEnabled());
        EXPECT_TRUE(form->StopZeitrafferButton->isEnabled());
        // A click that reaches the button all the same changes nothing.
        shooting->AusloeserButtonClick();
        EXPECT_TRUE(form->StopZeitrafferButton->isEnabled());
    };
    setAppClock(&pauseClock);

    release();

    EXPECT_TRUE(checked);
    EXPECT_EQ(releaseCommands(), 3);
    EXPECT_TRUE(form->AusloeserButton->isEnabled());
    EXPECT_FALSE(form->StopZeitrafferButton->isEnabled());
}

// A body that answers busy to every exposure-compensation write.
class BusyExpCompView : public MainFormView
{
public:
    using MainFormView::MainFormView;
    std::function<void()> onBusy;
    quint32 ApplyProperty(quint32 property, quint32 value) override
    {
        if (property != ExpCompId)
            return MainFormView::ApplyProperty(property, value);
        if (onBusy)
            std::exchange(onBusy, {})();
        return EDS_ERR_DEVICE_BUSY;
    }
};

TEST_F(Sequence, StopDuringABusyWriteTakesNoFurtherPicture)
{
    ProgramSettings().Einzelaufnahme = false;
    ProgramSettings().Bilderfolge = true;
    TCamerasettings first = step();
    first.ExpComp = {QStringLiteral("+1"), 0x08, true};
    CommandList() = {first, first};
    dialogs.answer(DialogButton::Yes);
    BusyExpCompView busyView(*form);
    Shooting busy(busyView, dispatcher->transfer());
    busyView.onBusy = [&busy] { busy.Stop(); };

    busy.Release();

    EXPECT_EQ(releaseCommands(), 0);
    EXPECT_EQ(ImageCount(), 0);
}

TEST_F(ShootingTest, TwoPicturesWithTheSameNameAreBothKept)
{
    ProgramSettings().Filemask = QStringLiteral("shot");
    release();
    release();

    ASSERT_EQ(ImageCount(), 2);
    EXPECT_EQ(MadeImages().find(0)->FileName, QStringLiteral("shot.JPG"));
    EXPECT_EQ(MadeImages().find(1)->FileName, QStringLiteral("shot_1.JPG"));
    EXPECT_TRUE(QFileInfo::exists(pathOf(0)));
    EXPECT_TRUE(QFileInfo::exists(pathOf(1)));
}

TEST_F(ShootingTest, BulbTimeThatIsNotANumberIsReportedAndNothingIsReleased)
{
    form->BulbMode = true;
    form->findChild<QLineEdit *>(QStringLiteral("BulbTimeedit"))->setText(QStringLiteral("abc"));

    release();

    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls().first().text, QStringLiteral("'abc' ist kein gültiger Integerwert"));
    EXPECT_EQ(releaseCommands(), 0);
    EXPECT_TRUE(form->AusloeserButton->isEnabled());
}

TEST_F(ShootingTest, BulbReleaseSendsNothingAndWaitsForAPictureFromTheBody)
{
    ASSERT_EQ(simSetModeDial(4), 0); // B: the body exposes for as long as the button is held
    ASSERT_TRUE(waitUntil([&] { return form->BulbMode; }));
    form->findChild<QLineEdit *>(QStringLiteral("BulbTimeedit"))->setText(QStringLiteral("0"));
    letTimeRun();

    release();

    EXPECT_EQ(releaseCommands(), 0);
    EXPECT_EQ(form->statusText(), QStringLiteral("Kein Bild von der Kamera erhalten"));
}

TEST_F(ShootingTest, KeepAliveTimerFollowsThePeriodAndWritesTheApertureBack)
{
    shooting->setKeepAlive(25);
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 25000);
    shooting->setKeepAlive(0);
    EXPECT_FALSE(form->Timer1->isActive());

    shooting->setKeepAlive(1);
    ASSERT_TRUE(waitUntil([&] { return !writes(1029).isEmpty(); }));
    shooting->setKeepAlive(0);
    EXPECT_EQ(writes(1029).first(), QString::number(cachedValue(1029)));
    EXPECT_EQ(form->statusText(), QStringLiteral(" Set Value "));
}

TEST_F(ShootingTest, AutomaticReleaseWithEndAfterShotEndsTheProgram)
{
    ProgramSettings().Einzelaufnahme = false;
    AutomaticRelease = EndAfterShoot = true;
    QTimer::singleShot(0, shooting, [this] { shooting->Release(); });
    QTimer::singleShot(30000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

class FailedAutomaticRelease : public ShootingTest
{
protected:
    const char *bodyConfig() const override { return "camera=1;modedial=3;faildownload=1"; }
};

TEST_F(FailedAutomaticRelease, EndsTheProgramWithAStatusThatSaysSo)
{
    AutomaticRelease = EndAfterShoot = true;
    QTimer::singleShot(0, shooting, [this] { shooting->Release(); });
    QTimer::singleShot(30000, [] { QCoreApplication::exit(2); });
    EXPECT_EQ(QCoreApplication::exec(), 1);
}

TEST_F(ShootingTest, TurningTheDialDuringATimeLapseDoesNotTurnSingleShotsIntoBracketing)
{
    TProgramSettings &s = ProgramSettings();
    s.Zeitraffer = true;
    s.Aufnahmenanzahl = 3;
    s.IntervalSekText = QStringLiteral("10");
    HookClock dialClock;
    // In the first pause the user turns the dial to Av, where bracketing would be allowed.
    dialClock.onSleep = [&dialClock] {
        if (std::exchange(dialClock.onSleep, {}))
            simSetModeDial(2);
    };
    setAppClock(&dialClock);

    release();

    EXPECT_EQ(releaseCommands(), 3);
    EXPECT_EQ(ImageCount(), 3);
    EXPECT_TRUE(writes(ExpCompId).isEmpty());
    EXPECT_EQ(ProgramSettings().AEModeCode, 2u);
    EXPECT_FALSE(ProgramSettings().Belichtungsreihe);
}

TEST_F(ShootingTest, LongIntervalsAreWaitedInFullAndOverlongOnesRefused)
{
    TProgramSettings &s = ProgramSettings();
    s.Einzelaufnahme = true;
    s.Zeitraffer = true;
    s.Aufnahmenanzahl = 2;
    s.IntervalStdText = QStringLiteral("600");
    HookClock hours;
    hours.stepMs = 3600 * 1000;
    setAppClock(&hours);

    release();

    EXPECT_EQ(releaseCommands(), 2);
    EXPECT_GE(hours.tickMs(), qint64(600) * 3600 * 1000);
    EXPECT_TRUE(dialogs.calls().isEmpty());

    s.IntervalStdText = QStringLiteral("1001");
    release();
    EXPECT_EQ(releaseCommands(), 2);
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_TRUE(dialogs.calls().first().text.contains(QStringLiteral("zu lang")));
    EXPECT_TRUE(form->AusloeserButton->isEnabled());
}

TEST_F(ShootingTest, EveryWindowMessageIsHandledOnce)
{
    setDebugEnabled(true);
    clearDebugLines();
    // An item the camera does not know: the offer is not handled, and must not come twice.
    postWindowMessage(form.get(), WM_OBJECTEVENT, kEdsObjectEvent_DirItemRequestTransfer, 0xDEAD);
    postWindowMessage(form.get(), WM_UNKNOWNEVENT, 0x1234, 1);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    setDebugEnabled(false);

    EXPECT_EQ(ImageCount(), 1);
    EXPECT_EQ(debugLines().count(QStringLiteral("Unbekannter Event aufgetreten")), 1);
}

// A user who plugs the camera back in before pressing Retry.
class ReplugDialogs : public ScriptedDialogs
{
public:
    DialogButton message(MessageIcon icon, const QString &caption, const QString &text,
                         DialogButtons buttons) override
    {
        if (text != QStringLiteral("Kamera nicht verbunden"))
            return ScriptedDialogs::message(icon, caption, text, buttons);
        ++replugged;
        EXPECT_EQ(simReconnect(), 0);
        return DialogButton::Retry;
    }
    int replugged = 0;
};

TEST_F(ShootingTest, RetryAfterReplugginTakesThePicture)
{
    shooting->setHooks({{}, {}, [this] { return ReconnectCamera(*form); }});
    release();
    ASSERT_EQ(simDisconnect(), 0);
    ReplugDialogs replug;
    setAppDialogs(&replug);

    release();

    EXPECT_EQ(replug.replugged, 1);
    ASSERT_EQ(ImageCount(), 2);
    EXPECT_FALSE(MadeImages().find(1)->Failed);
    EXPECT_TRUE(QFileInfo::exists(pathOf(1)));
    EXPECT_NE(pathOf(0), pathOf(1));
}

// A fault of the body, the status it must leave, what is recorded, and whether the next
// release still works.
struct FaultCase
{
    const char *name;
    const char *config;
    quint32 error; // 0: the wait gives up
    int recorded;
    int failed;
    bool nextWorks;
};

void PrintTo(const FaultCase &c, std::ostream *os)
{
    *os << c.name;
}

class Faults : public ShootingTest, public ::testing::WithParamInterface<FaultCase>
{
protected:
    const char *bodyConfig() const override { return GetParam().config; }
};

TEST_P(Faults, EndInAStatusMessageAndTheProgramGoesOn)
{
    const FaultCase &c = GetParam();
    ProgramSettings().Filemask = QStringLiteral("IMG#IMGNR");
    if (c.error == EDS_ERR_COMM_DISCONNECTED)
        release(); // the first picture still comes
    // Only a picture that never comes needs its time limit to pass.
    QTimer *ticker = c.error ? nullptr : letTimeRun();

    release();
    delete ticker;

    const QString expected = c.error ? EdsErrorText(c.error)
                                     : QStringLiteral("Kein Bild von der Kamera erhalten");
    EXPECT_EQ(form->statusText(), expected);
    EXPECT_EQ(form->statusColor(), StatusErrorColor);
    EXPECT_EQ(ImageCount(), c.recorded);
    int failed = 0;
    for (int i = 0; i < ImageCount(); ++i)
        failed += MadeImages().find(i)->Failed ? 1 : 0;
    EXPECT_EQ(failed, c.failed);
    EXPECT_TRUE(form->AusloeserButton->isEnabled());
    // Nothing broken under a picture's name; what did arrive is kept, marked as partial.
    if (c.error == EDS_ERR_COMM_USB_BUS_ERR) {
        EXPECT_FALSE(QFileInfo::exists(dir.path() + QStringLiteral("/IMG0001.JPG")));
        EXPECT_GT(QFileInfo(dir.path() + QStringLiteral("/IMG0001.JPG.part")).size(), 0);
        EXPECT_EQ(MadeImages().find(0)->FileName, QStringLiteral("IMG0001.JPG"));
    }

    const int before = ImageCount();
    release();
    EXPECT_EQ(ImageCount(), before + (c.nextWorks ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Body, Faults,
    ::testing::Values(
        FaultCase{"FailedDownload", "camera=1;modedial=3;faildownload=1", EDS_ERR_COMM_USB_BUS_ERR, 1, 1, true},
        FaultCase{"PictureNeverComes", "camera=1;modedial=3;lostpicture=1", 0, 0, 0, true},
        FaultCase{"Disconnect", "camera=1;modedial=3;disconnectafter=1", EDS_ERR_COMM_DISCONNECTED, 1, 0, false}),
    [](const ::testing::TestParamInfo<FaultCase> &info) { return std::string(info.param.name); });

class Replugged : public ShootingTest
{
protected:
    const char *bodyConfig() const override { return "camera=1;modedial=3;rawjpeg=1;firstnumber=815"; }
    void SetUp() override
    {
        ShootingTest::SetUp();
        if (HasFatalFailure())
            return;
        setAppDialogs(&replug);
        ShootingHooks hooks;
        hooks.reconnect = [this] { return ReconnectCamera(*form); };
        shooting->setHooks(hooks);
        ProgramSettings().Filemask = QStringLiteral("IMG#IMGNR");
    }
    ReplugDialogs replug;
};

TEST_F(Replugged, PictureTakenAfterRetryIsRecordedWithWhatTheBodyHadThen)
{
    // Switched to JPEG only while the cable is out: the program cannot read it then.
    ASSERT_EQ(simDisconnect(), 0);
    ASSERT_EQ(simTurnValue(256, 0x0013FF0F), 0);
    letTimeRun(); // a wait for a second file that never comes ends

    release();

    EXPECT_EQ(replug.replugged, 1);
    ASSERT_EQ(ImageCount(), 1);
    const TMadeImage &image = *MadeImages().find(0);
    EXPECT_FALSE(image.Failed);
    EXPECT_EQ(image.FileName, QStringLiteral("IMG0815.JPG"));
    EXPECT_EQ(image.Settings.Quality.ID, 0x0013FF0Fu);
    EXPECT_NE(form->statusText().toStdString(), "Kein Bild von der Kamera erhalten");
}

// The program's windows: the capture settings drive the keep-alive timer, and Stop makes
// their time-lapse controls usable again.
class ProgramWiring : public MainWindowTest
{
};

TEST_F(ProgramWiring, KeepAliveAndStopReachTheirWindows)
{
    form.reset();
    AppMaster.reset();
    ProgramWindows windows;
    TForm1 &main = windows.mainForm();
    QWidget *capture = windows.windows()[6];

    auto *interval = capture->findChild<QComboBox *>(QStringLiteral("keepaliveintervalcombobox"));
    ASSERT_NE(interval, nullptr);
    ASSERT_GT(interval->count(), 1);
    capture->findChild<QCheckBox *>(QStringLiteral("keepaliveCheckBox"))->click();
    interval->setCurrentIndex(0);
    EXPECT_TRUE(main.Timer1->isActive());
    EXPECT_EQ(main.Timer1->interval(), interval->itemData(0).toInt() * 1000);

    auto *hours = capture->findChild<QComboBox *>(QStringLiteral("InterValStdComboBox"));
    ASSERT_NE(hours, nullptr);
    EXPECT_FALSE(hours->isEnabled());
    windows.shooting().Stop();
    EXPECT_TRUE(hours->isEnabled());
    EXPECT_FALSE(main.StopZeitrafferButton->isEnabled());
}

TEST_F(ProgramWiring, CommandListWindowFollowsTheCaptureSequenceBoxAndTakesTheMainSettings)
{
    form.reset();
    AppMaster.reset();
    ProgramWindows windows;
    QWidget *capture = windows.windows()[6];
    QWidget *list = windows.windows()[5];
    ASSERT_EQ(list->objectName(), QStringLiteral("BilderFolgeForm"));
    auto *listBox = list->findChild<QCheckBox *>(QStringLiteral("CommandListCheckbox"));
    auto *add = list->findChild<QPushButton *>(QStringLiteral("AddCOmmandButton"));
    ASSERT_TRUE(listBox && add);

    capture->findChild<QCheckBox *>(QStringLiteral("BilderfolgeCheckbox"))->click();
    EXPECT_TRUE(listBox->isChecked());
    EXPECT_TRUE(add->isEnabled());
    windows.mainForm().findChild<QComboBox *>(QStringLiteral("ISOComboBox"))->setCurrentIndex(-1);
    add->click();
    ASSERT_EQ(CommandList().size(), 1);
    EXPECT_EQ(CommandList()[0].ISO.Name, QStringLiteral("UNKNOWN"));
    EXPECT_EQ(CommandList()[0].ISO.ID, NoSelectionCode);
    auto *grid = list->findChild<QTableWidget *>(QStringLiteral("CommandlistSG1"));
    EXPECT_EQ(grid->item(0, 5)->text(), QStringLiteral("UNKNOWN"));

    capture->findChild<QCheckBox *>(QStringLiteral("EinzelAufnahmeCheckBox"))->click();
    EXPECT_FALSE(listBox->isChecked());
    EXPECT_FALSE(add->isEnabled());
    CommandList().clear();
}

TEST_F(ProgramWiring, ClosingTheMainWindowEndsTheProgramWhateverElseIsOpen)
{
    form.reset();
    AppMaster.reset();
    ProgramWindows windows;
    windows.windows()[6]->show();
    TForm1 &main = windows.mainForm();
    main.show();
    QTimer::singleShot(100, &main, [&main] { main.close(); });
    QTimer::singleShot(20000, [] { QCoreApplication::exit(1); });

    EXPECT_EQ(QCoreApplication::exec(), 0);
}

} // namespace
