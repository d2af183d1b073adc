#include "app/shooting.h"

#include "app/transfer.h"
#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/camerahelpers.h"
#include "camera/camerasettings.h"
#include "camera/edserrors.h"
#include "camera/proptables.h"
#include "platform/dialogs.h"
#include "sequence/commandlist.h"
#include "settings/configuration.h"
#include "settings/programsettings.h"
#include "ui/mainform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <optional>

bool TimeLapseRunning = false;
bool SequenceRunning = false;
bool AutomaticRelease = false;
bool EndAfterShoot = false;

namespace {

constexpr quint32 AEModeProperty = 1024;
constexpr quint32 AvProperty = 1029;
constexpr quint32 ExpCompProperty = 1031;
// How often a wait looks at its clock when no event wakes it.
constexpr int WaitHeartbeatMs = 10;

const QString &crlf()
{
    static const QString text = QStringLiteral("\r\n");
    return text;
}

// The step's settings a sequence writes, in writing order.
struct StepProperty
{
    quint32 sdkId;
    TPropList TCamerasettings::*field;
};
constexpr std::array<StepProperty, 5> kStepProperties{{
    {1030, &TCamerasettings::Tv},
    {1029, &TCamerasettings::Av},
    {1026, &TCamerasettings::ISO},
    {1031, &TCamerasettings::ExpComp},
    {256, &TCamerasettings::Quality},
}};

// Blocks until an event arrives or the heartbeat passes, then handles what is pending.
class EventPump
{
public:
    EventPump() { m_heartbeat.start(WaitHeartbeatMs); }
    void pass() { QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents); }

private:
    QTimer m_heartbeat;
};

TCamera *camera()
{
    return AppMaster ? AppMaster->GetCamera() : nullptr;
}

std::optional<quint32> readAEMode()
{
    if (!camera() || AppMaster->GetProperty(AEModeProperty) != EDS_ERR_OK)
        return std::nullopt;
    return camera()->GetPropertyUInt32(AEModeProperty);
}

int seconds(qint32 hours, qint32 minutes, qint32 secs)
{
    return hours * 3600 + minutes * 60 + secs;
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

TShooting::TShooting(TForm1 &form)
    : QObject(&form)
    , m_form(form)
{
    connect(form.AusloeserButton, &QPushButton::clicked, this, &TShooting::AusloeserButtonClick);
    connect(form.StopZeitrafferButton, &QPushButton::clicked, this, &TShooting::Stop);
    connect(form.Timer1, &QTimer::timeout, this, &TShooting::KeepAliveTick);
}

void TShooting::setHooks(TShootingHooks hooks)
{
    m_hooks = std::move(hooks);
}

void TShooting::AusloeserButtonClick()
{
    if (!CaptureSettingsFromWindow() || !ImageMagickSettingsFromWindow())
        return;
    if (m_form.BulbMode && !wholeNumber(m_form.bulbTimeText())) {
        appDialogs().showMessage(QString::fromUtf8(MainWindowCaption),
                                 QStringLiteral("'%1' ist kein gültiger Integerwert")
                                     .arg(m_form.bulbTimeText()),
                                 MessageIcon::Error);
        return;
    }
    Release();
    m_form.AusloeserButton->setEnabled(true);
    m_form.StopZeitrafferButton->setEnabled(false);
}

void TShooting::Release()
{
    if (m_releasing)
        return;
    m_releasing = true;
    m_stopPressed = false;
    m_form.AusloeserButton->setEnabled(false);
    const TProgramSettings &s = ProgramSettings();
    if (s.Einzelaufnahme && !s.Zeitraffer)
        Shoot();
    if (s.Belichtungsreihe && !s.Zeitraffer)
        RunBracketing();
    if (s.Bilderfolge)
        RunSequence();
    if (s.Zeitraffer)
        RunTimeLapse();
    // Also when a script or the command line released: the button must not stay dead.
    m_form.AusloeserButton->setEnabled(true);
    m_releasing = false;
    if (AutomaticRelease && EndAfterShoot)
        QCoreApplication::exit(0);
}

EdsError TShooting::Shoot()
{
    return shootWithin(exposureMs());
}

EdsError TShooting::shootWithin(qint64 exposureMs)
{
    const qint64 limit = std::max<qint64>(exposureMs, 0) + m_pictureMarginMs;
    PictureArrived = false;
    if (!m_form.BulbMode) {
        const EdsError err = takePicture(limit);
        if (err != EDS_ERR_OK) {
            m_form.setStatus(EdsErrorText(err), StatusErrorColor);
            return err;
        }
    }
    waitForPicture(limit);
    return EDS_ERR_OK;
}

EdsError TShooting::takePicture(qint64 limitMs)
{
    if (!camera())
        return EDS_ERR_DEVICE_NOT_FOUND;
    return whileBusy(
        [] {
            // Cleared right before the command: only this release's picture ends the wait.
            PictureArrived = false;
            return AppMaster->TakePicture();
        },
        limitMs);
}

EdsError TShooting::whileBusy(const std::function<EdsError()> &call, qint64 limitMs)
{
    StopRequested = false;
    QElapsedTimer elapsed;
    elapsed.start();
    EventPump pump;
    for (;;) {
        const EdsError err = call();
        // A body still handing over the last picture's files answers busy for a moment.
        if (err != EDS_ERR_DEVICE_BUSY || elapsed.elapsed() > limitMs || StopRequested)
            return err;
        pump.pass();
    }
}

void TShooting::waitForPicture(qint64 limitMs)
{
    // Like every wait: only a Stop pressed while it runs ends it.
    StopRequested = false;
    QElapsedTimer elapsed;
    elapsed.start();
    EventPump pump;
    while (!PictureArrived && !StopRequested) {
        if (elapsed.elapsed() > limitMs) {
            m_form.setStatus(QStringLiteral("Kein Bild von der Kamera erhalten"), StatusErrorColor);
            return;
        }
        pump.pass();
    }
}

qint64 TShooting::exposureMs() const
{
    return m_form.BulbMode ? qint64(wholeNumber(m_form.bulbTimeText()).value_or(0)) * 1000
                           : exposureMsOfTv(CurrentSettings().Tv.Name);
}

void TShooting::RunBracketing()
{
    const TProgramSettings &s = ProgramSettings();
    if (!s.Belichtungsreihe)
        return;
    for (const QString &text : {s.ExpComp1, s.ExpComp2, s.ExpComp3}) {
        if (m_stopPressed)
            return;
        setExpComp(text);
        Shoot();
    }
}

void TShooting::setExpComp(const QString &text)
{
    const TPropTable &table = MasterTable(CameraProperty::ExpComp);
    const auto entry = std::find_if(table.begin(), table.end(),
                                    [&text](const TPropList &e) { return e.Name == text; });
    // A text the table does not know is a value that cannot be set.
    const auto write = [&entry] { return AppMaster->SetProperty(ExpCompProperty, entry->ID); };
    const EdsError err = entry == table.end() ? EDS_ERR_INVALID_PARAMETER
                         : AppMaster         ? whileBusy(write, m_pictureMarginMs)
                                             : EDS_ERR_DEVICE_NOT_FOUND;
    if (err != EDS_ERR_OK) {
        m_form.setStatus(QStringLiteral(" Can not set Value "), StatusErrorColor);
        m_form.UpdatePropertyDisplay(ExpCompProperty);
    } else {
        m_form.setStatus(QStringLiteral(" Set Value "), StatusSetValueColor);
    }
}

void TShooting::RunTimeLapse()
{
    TProgramSettings &s = ProgramSettings();
    intervalNumbersFromTexts(s);
    const int intervalMs = seconds(s.Intervalstd, s.Intervalmin, s.Intervalsek) * 1000;
    const int count = s.Aufnahmenanzahl;
    m_form.StopZeitrafferButton->setEnabled(true);
    TimeLapseRunning = true;
    for (int i = 1; i <= count; ++i) {
        m_form.setWindowTitle(QStringLiteral("Einstellungen   :Zeitraffer Aufnahme :%1 / %2")
                                  .arg(i)
                                  .arg(count));
        if (!TimeLapseRunning)
            break;
        if (s.Einzelaufnahme)
            Shoot();
        if (s.Belichtungsreihe)
            RunBracketing();
        // A Stop during the shot must not sit out a whole interval first.
        if (i < count && TimeLapseRunning)
            WaitProcessing(intervalMs);
    }
    TimeLapseRunning = false;
    seriesEnded();
    m_form.setWindowTitle(QStringLiteral("Einstellungen"));
}

void TShooting::RunSequence()
{
    m_form.StopZeitrafferButton->setEnabled(true);
    SequenceRunning = true;
    const QString caption = m_form.windowTitle();
    // The list as it was at the start: it can be edited while a step waits.
    const TCommandList list = CommandList();
    if (!list.isEmpty())
        SequenceRunning = askSequenceStart(list.first().AEMode.ID, list.first().AEMode.Name);
    const int count = int(list.size());
    for (int i = 0; i < count && SequenceRunning; ++i)
        runSequenceStep(list.at(i), i, count);
    seriesEnded();
    m_form.setWindowTitle(caption);
    SequenceRunning = false;
}

bool TShooting::askSequenceStart(quint32 firstAEMode, const QString &firstAEText)
{
    const QString question = QStringLiteral("Möchten sie Bilderfolge starten ? ") + crlf() + crlf()
                             + QStringLiteral("Dann  stellen bitte Sie an der Kamera den Modus : ")
                             + firstAEText + QStringLiteral(" ein");
    // Asked until the dial matches and the answer is Yes; No declines the sequence.
    do {
        if (appDialogs().askYesNo(QStringLiteral("Bestätigen"), question) != DialogButton::Yes)
            return false;
    } while (readAEMode() != firstAEMode);
    return true;
}

void TShooting::runSequenceStep(const TCamerasettings &step, int index, int count)
{
    if (m_hooks.sequenceStepStarted)
        m_hooks.sequenceStepStarted(index);
    m_form.setWindowTitle(
        QStringLiteral("Tessaro : Befehlsliste : %1 / %2").arg(index).arg(count - 1));
    m_form.BulbMode = step.Tv.ID == TvBulbCode;
    for (const StepProperty &property : kStepProperties) {
        const quint32 code = (step.*property.field).ID;
        if (code != 0)
            whileBusy([&] { return EdsError(m_form.ApplyProperty(property.sdkId, code)); },
                      m_pictureMarginMs);
    }
    // The panel learns of the new Tv only later; the step itself says how long it exposes.
    if (m_form.BulbMode)
        shootWithin(qint64(step.Bulbtime) * 1000);
    else
        shootWithin(step.Tv.ID ? exposureMsOfTv(step.Tv.Name) : exposureMs());
    if (SequenceRunning)
        WaitProcessing(seconds(step.PauseHours, step.PauseMinutes, step.PauseSeconds) * 1000);
}

void TShooting::seriesEnded()
{
    m_form.AusloeserButton->setEnabled(true);
    m_form.StopZeitrafferButton->setEnabled(false);
}

void TShooting::Stop()
{
    TimeLapseRunning = false;
    SequenceRunning = false;
    m_stopPressed = true;
    StopRequested = true;
    m_form.StopZeitrafferButton->setEnabled(false);
    if (m_hooks.stopped)
        m_hooks.stopped();
}

void TShooting::setKeepAlive(int periodSeconds)
{
    m_form.Timer1->stop();
    if (periodSeconds > 0)
        m_form.Timer1->start(periodSeconds * 1000);
}

void TShooting::KeepAliveTick()
{
    if (camera())
        m_form.ApplyProperty(AvProperty, camera()->GetPropertyUInt32(AvProperty));
}
