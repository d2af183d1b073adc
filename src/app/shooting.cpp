#include "app/shooting.h"

#include "app/dialprompt.h"
#include "app/programend.h"
#include "app/shootingview.h"
#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/camerasettings.h"
#include "camera/edserrors.h"
#include "camera/madeimages.h"
#include "camera/proptables.h"
#include "platform/dialogs.h"
#include "sequence/commandlist.h"
#include "settings/configuration.h"
#include "settings/programsettings.h"
#include "platform/clock.h"
#include "platform/waits.h"
#include "ui/mainform.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <optional>
#include <utility>

bool TimeLapseRunning = false;
bool SequenceRunning = false;
bool AutomaticRelease = false;
bool EndAfterShoot = false;

namespace {

// How often a wait looks at its clock when no event wakes it.
constexpr int WaitHeartbeatMs = 10;

// The step's settings a sequence writes, in writing order.
struct StepProperty
{
    quint32 sdkId;
    TPropList TCamerasettings::*field;
};
// White balance comes last: the list window takes it into every step and the file stores it,
// so a step must not silently leave it alone.
constexpr std::array<StepProperty, 6> kStepProperties{{
    {kEdsPropID_Tv, &TCamerasettings::Tv},
    {kEdsPropID_Av, &TCamerasettings::Av},
    {kEdsPropID_ISOSpeed, &TCamerasettings::ISO},
    {kEdsPropID_ExposureCompensation, &TCamerasettings::ExpComp},
    {kEdsPropID_ImageQuality, &TCamerasettings::Quality},
    {kEdsPropID_WhiteBalance, &TCamerasettings::WB},
}};

// 0 and the code of a setting taken without a selection both mean "leave it as it is".
bool writtenByStep(quint32 code)
{
    return code != 0 && code != NoSelectionCode;
}

// Blocks until an event arrives or the heartbeat passes, then handles what is pending.
class EventPump
{
public:
    EventPump() { m_heartbeat.start(WaitHeartbeatMs); }
    void pass() { QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents); }

private:
    QTimer m_heartbeat;
};

qint64 pauseMs(qint64 hours, qint64 minutes, qint64 secs)
{
    return (hours * 3600 + minutes * 60 + secs) * 1000;
}

} // namespace

qint64 exposureMsOfTv(const QString &tv)
{
    bool ok = false;
    if (tv.contains(QLatin1Char('"'))) {
        // 1"3 is 1.3 seconds.
        QString text = tv;
        text.replace(QLatin1Char('"'), QLatin1Char('.'));
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        const double secs = text.toDouble(&ok);
        return ok ? qint64(secs * 1000) : 0;
    }
    const qsizetype slash = tv.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return 0;
    const double numerator = tv.left(slash).toDouble(&ok);
    bool denominatorOk = false;
    const double denominator = tv.mid(slash + 1).toDouble(&denominatorOk);
    if (!ok || !denominatorOk || denominator <= 0)
        return 0;
    return qint64(numerator * 1000 / denominator);
}

Shooting::Shooting(ShootingView &view, PictureTransfer &transfer, QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_transfer(transfer)
{
}

void wireShootingControls(TForm1 &form, Shooting &shooting)
{
    QObject::connect(form.AusloeserButton, &QPushButton::clicked, &shooting,
                     &Shooting::AusloeserButtonClick);
    QObject::connect(form.StopZeitrafferButton, &QPushButton::clicked, &shooting, &Shooting::Stop);
    QObject::connect(form.Timer1, &QTimer::timeout, &shooting, &Shooting::KeepAliveTick);
}

void Shooting::setHooks(ShootingHooks hooks)
{
    m_hooks = std::move(hooks);
}

void Shooting::AusloeserButtonClick()
{
    // A click that slipped through while a series runs must not touch its buttons.
    if (m_releasing)
        return;
    if (!CaptureSettingsFromWindow() || !ImageMagickSettingsFromWindow())
        return;
    if (m_view.bulbMode() && !wholeNumber(m_view.bulbTimeText())) {
        appDialogs().showMessage(QString::fromUtf8(ProgramCaption),
                                 QStringLiteral("'%1' ist kein gültiger Integerwert")
                                     .arg(m_view.bulbTimeText()),
                                 MessageIcon::Error);
        return;
    }
    Release();
}

Shooting::Modes Shooting::chosenModes() const
{
    const TProgramSettings &s = ProgramSettings();
    // Bracketing is chosen in the capture settings but runs only where the AE mode allows it.
    const bool allowed = !s.AEModeCode || bracketingAllowed(s.AEModeCode);
    return {s.Einzelaufnahme, s.Belichtungsreihe && allowed, s.Zeitraffer, s.Bilderfolge};
}

void Shooting::Release()
{
    if (m_releasing)
        return;
    m_releasing = true;
    m_stopPressed = false;
    // The command line's release is the only one that ends the program.
    const bool endAfterwards = std::exchange(AutomaticRelease, false) && EndAfterShoot;
    const int recordedBefore = MadeImages().count();
    m_pictureMissed = false;
    m_modes = chosenModes();
    // A picture that fails must stay in view while the series writes its next values.
    m_view.holdStatus(true);
    m_view.setReleaseEnabled(false);
    if (m_modes.single && !m_modes.timeLapse)
        Shoot();
    if (m_modes.bracketing && !m_modes.timeLapse)
        RunBracketing();
    if (m_modes.sequence)
        RunSequence();
    if (m_modes.timeLapse)
        RunTimeLapse();
    // Also when a script or the command line released: the button must not stay dead.
    m_view.setReleaseEnabled(true);
    m_view.setStopEnabled(false);
    m_view.holdStatus(false);
    m_releasing = false;
    if (endAfterwards)
        endProgramAfterRelease(recordedBefore);
}

EdsError Shooting::Shoot()
{
    // A script's release outside a series is not held back by an earlier Stop.
    if (!m_releasing)
        m_stopPressed = false;
    return shootWithin(exposureMs());
}

EdsError Shooting::ShootAlone()
{
    if (m_releasing)
        return EDS_ERR_DEVICE_BUSY;
    m_releasing = true;
    // An earlier Stop must not hold this release back.
    m_stopPressed = false;
    m_view.setReleaseEnabled(false);
    const EdsError err = Shoot();
    m_view.setReleaseEnabled(true);
    m_releasing = false;
    return err;
}

// The camera's values as they are now: what a series wrote last may not have been announced
// yet, and the picture must be named and recorded with what it was taken with.
TCamerasettings Shooting::settingsInForce()
{
    if (connectedCamera()) {
        for (const CameraPropertyInfo &info : cameraProperties()) {
            if (AppMaster->GetProperty(info.sdkId) == EDS_ERR_OK)
                m_view.UpdatePropertyDisplay(info.sdkId);
        }
    }
    return CurrentSettings();
}

EdsError Shooting::shootWithin(qint64 exposureMs)
{
    // Stop pressed at any moment of a series ends it before its next release.
    if (m_stopPressed)
        return EDS_ERR_OPERATION_CANCELLED;
    const qint64 limit = std::max<qint64>(exposureMs, 0) + PictureMarginMs;
    TCamerasettings settings;
    int files = 1;
    const auto readSettings = [&] {
        settings = settingsInForce();
        files = filesPerRelease(connectedCamera()
                                    ? connectedCamera()->GetPropertyUInt32(kEdsPropID_ImageQuality)
                                    : settings.Quality.ID);
    };
    readSettings();
    PictureArrived = false;
    if (!m_view.bulbMode()) {
        // What was read while the cable was out is stale: read again once it is back.
        const EdsError err = release(limit, readSettings);
        if (err != EDS_ERR_OK) {
            m_pictureMissed = true;
            m_view.setStatus(EdsErrorText(err), StatusErrorColor);
            return err;
        }
    }
    const PictureTransfer::ReleaseId id = m_transfer.releaseMade(settings, files);
    const bool complete = waitFor([this, id] { return m_transfer.releaseEnded(id); }, limit,
                                  [this, id] { return m_transfer.filesEnded(id); });
    if (!complete) {
        m_pictureMissed = true;
        m_transfer.releaseAbandoned(id);
        if (!StopRequested)
            m_view.setStatus(QStringLiteral("Kein Bild von der Kamera erhalten"), StatusErrorColor);
    }
    return EDS_ERR_OK;
}

EdsError Shooting::release(qint64 limitMs, const std::function<void()> &reconnected)
{
    for (;;) {
        const EdsError err = connectedCamera()
                                 ? whileBusy([] { return AppMaster->TakePicture(); }, limitMs)
                                 : EDS_ERR_DEVICE_NOT_FOUND;
        if (err != EDS_ERR_COMM_DISCONNECTED || !retryAfterUnplugging())
            return err;
        reconnected();
    }
}

bool Shooting::retryAfterUnplugging()
{
    for (;;) {
        const DialogButton answer = appDialogs().askCancelRetryIgnore(
            QStringLiteral("Fehler"), QStringLiteral("Kamera nicht verbunden"));
        if (answer == DialogButton::Cancel)
            m_stopPressed = true;
        if (answer != DialogButton::Retry)
            return false;
        if (m_hooks.reconnect && m_hooks.reconnect())
            return true;
    }
}

EdsError Shooting::whileBusy(const std::function<EdsError()> &call, qint64 limitMs)
{
    EdsError err = call();
    // A body still handing over the last picture's files answers busy for a moment.
    waitFor([&] { return err != EDS_ERR_DEVICE_BUSY || (err = call()) != EDS_ERR_DEVICE_BUSY; },
            limitMs, {});
    return err;
}

bool Shooting::waitFor(const std::function<bool()> &done, qint64 limitMs,
                        const std::function<int()> &progress)
{
    // Like every wait: only a Stop pressed while it runs ends it.
    StopRequested = false;
    Clock &clock = appClock();
    qint64 start = clock.tickMs();
    int seen = progress ? progress() : 0;
    EventPump pump;
    while (!done()) {
        // A Stop of the series counts too when it came just before this wait began.
        if (StopRequested || m_stopPressed)
            return false;
        if (progress && progress() != seen) {
            seen = progress();
            start = clock.tickMs();
        }
        if (clock.tickMs() - start > limitMs)
            return false;
        pump.pass();
    }
    return true;
}

qint64 Shooting::exposureMs() const
{
    return m_view.bulbMode() ? qint64(wholeNumber(m_view.bulbTimeText()).value_or(0)) * 1000
                             : exposureMsOfTv(CurrentSettings().Tv.Name);
}

void Shooting::RunBracketing()
{
    const TProgramSettings &s = ProgramSettings();
    if (!(m_releasing ? m_modes : chosenModes()).bracketing)
        return;
    for (const QString &text : {s.ExpComp1, s.ExpComp2, s.ExpComp3}) {
        if (m_stopPressed)
            return;
        setExpComp(text);
        Shoot();
    }
}

void Shooting::setExpComp(const QString &text)
{
    const PropTable &table = MasterTable(CameraProperty::ExpComp);
    const auto entry = std::find_if(table.begin(), table.end(),
                                    [&text](const TPropList &e) { return e.Name == text; });
    // A text the table does not know is a value that cannot be set.
    const auto write = [&entry] { return AppMaster->SetProperty(kEdsPropID_ExposureCompensation, entry->ID); };
    const EdsError err = entry == table.end() ? EDS_ERR_INVALID_PARAMETER
                         : AppMaster         ? whileBusy(write, PictureMarginMs)
                                             : EDS_ERR_DEVICE_NOT_FOUND;
    if (err != EDS_ERR_OK) {
        m_view.setStatus(QStringLiteral(" Can not set Value "), StatusErrorColor);
        m_view.UpdatePropertyDisplay(kEdsPropID_ExposureCompensation);
    } else {
        m_view.setStatus(QStringLiteral(" Set Value "), StatusSetValueColor);
    }
}

bool Shooting::pauseAccepted(qint64 ms, const QString &what)
{
    if (ms <= MaxSeriesPauseMs)
        return true;
    appDialogs().showMessage(QString::fromUtf8(ProgramCaption),
                             what + QStringLiteral(" ist zu lang: höchstens %1 Stunden.")
                                        .arg(MaxSeriesPauseMs / 3600000),
                             MessageIcon::Error);
    return false;
}

void Shooting::RunTimeLapse()
{
    TProgramSettings &s = ProgramSettings();
    intervalNumbersFromTexts(s);
    const qint64 intervalMs = pauseMs(s.Intervalstd, s.Intervalmin, s.Intervalsek);
    if (!pauseAccepted(intervalMs, QStringLiteral("Das Intervall")))
        return;
    const Modes modes = m_releasing ? m_modes : chosenModes();
    const int count = s.Aufnahmenanzahl;
    beginSeries();
    TimeLapseRunning = true;
    for (int i = 1; i <= count; ++i) {
        m_view.setCaption(QStringLiteral("Einstellungen   :Zeitraffer Aufnahme :%1 / %2")
                              .arg(i)
                              .arg(count));
        if (!TimeLapseRunning)
            break;
        if (modes.single)
            Shoot();
        if (modes.bracketing)
            RunBracketing();
        // A Stop during the shot must not sit out a whole interval first.
        if (i < count && TimeLapseRunning)
            WaitProcessing(intervalMs);
    }
    TimeLapseRunning = false;
    endSeries();
    m_view.setCaption(QStringLiteral("Einstellungen"));
}

void Shooting::RunSequence()
{
    // The list as it was at the start: it can be edited while a step waits.
    const SequenceSteps list = CommandList();
    for (const TCamerasettings &step : list) {
        if (!pauseAccepted(pauseMs(step.PauseHours, step.PauseMinutes, step.PauseSeconds),
                           QStringLiteral("Die Pause eines Schritts")))
            return;
    }
    beginSeries();
    SequenceRunning = true;
    const QString caption = m_view.caption();
    if (!list.isEmpty())
        SequenceRunning = askSequenceStart(list.first().AEMode.ID, list.first().AEMode.Name);
    const int count = int(list.size());
    for (int i = 0; i < count && SequenceRunning; ++i)
        runSequenceStep(list.at(i), i, count);
    endSeries();
    m_view.setCaption(caption);
    SequenceRunning = false;
}

bool Shooting::askSequenceStart(quint32 firstAEMode, const QString &firstAEText)
{
    const QString question =
        modeDialQuestion(QStringLiteral("Möchten sie Bilderfolge starten ? "), firstAEText);
    // Asked until the dial matches and the answer is Yes; No declines the sequence.
    do {
        if (appDialogs().askYesNo(QStringLiteral("Bestätigen"), question) != DialogButton::Yes)
            return false;
    } while (readAEMode() != firstAEMode);
    return true;
}

void Shooting::runSequenceStep(const TCamerasettings &step, int index, int count)
{
    if (m_hooks.sequenceStepStarted)
        m_hooks.sequenceStepStarted(index);
    m_view.setCaption(
        QStringLiteral("Tessaro : Befehlsliste : %1 / %2").arg(index).arg(count - 1));
    m_view.setBulbMode(step.Tv.ID == TvBulbCode);
    for (const StepProperty &property : kStepProperties) {
        const quint32 code = (step.*property.field).ID;
        if (writtenByStep(code) && !m_stopPressed)
            whileBusy([&] { return EdsError(m_view.ApplyProperty(property.sdkId, code)); },
                      PictureMarginMs);
    }
    // The panel learns of the new Tv only later; the step itself says how long it exposes.
    if (m_view.bulbMode())
        shootWithin(qint64(step.Bulbtime) * 1000);
    else
        shootWithin(writtenByStep(step.Tv.ID) ? exposureMsOfTv(step.Tv.Name) : exposureMs());
    if (SequenceRunning)
        WaitProcessing(pauseMs(step.PauseHours, step.PauseMinutes, step.PauseSeconds));
}

void Shooting::beginSeries()
{
    ++m_seriesDepth;
    m_view.setStopEnabled(true);
}

// Inside a release the buttons stay as they are until the whole release has ended.
void Shooting::endSeries()
{
    if (--m_seriesDepth > 0 || m_releasing)
        return;
    m_view.setReleaseEnabled(true);
    m_view.setStopEnabled(false);
}

void Shooting::Stop()
{
    TimeLapseRunning = false;
    SequenceRunning = false;
    m_stopPressed = true;
    StopRequested = true;
    m_view.setStopEnabled(false);
    if (m_hooks.stopped)
        m_hooks.stopped();
}

// A run that nobody watches tells by its status whether every picture of it was stored.
void Shooting::endProgramAfterRelease(int recordedBefore)
{
    bool failed = m_pictureMissed;
    for (int i = recordedBefore; i < MadeImages().count(); ++i)
        failed = failed || MadeImages().find(i)->Failed;
    if (failed)
        reportOnStderr(QStringLiteral("Nicht jedes Bild der Aufnahme wurde gespeichert."));
    requestProgramEnd(failed ? 1 : 0);
}

void Shooting::setKeepAlive(int periodSeconds)
{
    m_view.setKeepAliveMs(std::max(periodSeconds, 0) * 1000);
}

void Shooting::KeepAliveTick()
{
    if (connectedCamera())
        m_view.ApplyProperty(kEdsPropID_Av, connectedCamera()->GetPropertyUInt32(kEdsPropID_Av));
}
