#pragma once

#include "app/transfer.h"
#include "edsdk.h"

#include <QObject>

#include <algorithm>
#include <functional>

class TForm1;
class ShootingView;
struct TCamerasettings;

// Series state: cleared by Stop, checked before every step of a series.
extern bool TimeLapseRunning;
extern bool SequenceRunning;
// Set by the command line: release at start, and end the program after that release. The
// next release takes the automatic-release flag and clears it.
extern bool AutomaticRelease;
extern bool EndAfterShoot;

// Window steps of other parts of the program; an unset one does nothing.
struct ShootingHooks
{
    // A sequence step begins: its row of the command list is shown selected.
    std::function<void(int step)> sequenceStepStarted;
    // Stop was pressed: the time-lapse controls of the capture settings become usable again.
    std::function<void()> stopped;
    // The camera was unplugged and the user asks to try again: connects anew; true when a
    // camera is there.
    std::function<bool()> reconnect;
};

// The longest pause or interval a series accepts.
inline constexpr qint64 MaxSeriesPauseMs = qint64(1000) * 3600 * 1000;

// The release button, the shooting modes and their series, the Stop button and the camera
// keep-alive. Everything runs on the main thread; every wait processes pending events and
// runs on the program's clock, so the camera's messages, the Stop button and the rest of the
// interface stay live.
class Shooting : public QObject
{
public:
    // The wait for one picture lasts its exposure time plus this, counted afresh whenever
    // one of its files arrives.
    static constexpr qint64 PictureMarginMs = 30000;

    Shooting(ShootingView &view, PictureTransfer &transfer, QObject *parent = nullptr);

    void setHooks(ShootingHooks hooks);

    // Takes the settings over from their windows, then runs Release. Ignored while a
    // release runs.
    void AusloeserButtonClick();
    // Runs the enabled modes. Does nothing while a release is running already.
    void Release();
    // One release and the wait for every file it gives. With the bulb flag no command is
    // sent and the picture taken at the body is waited for. Returns the camera's code of
    // the release; a wait that gave up leaves its message in the status bar.
    EdsError Shoot();
    // A script's release: Shoot, refused with EDS_ERR_DEVICE_BUSY while another release runs,
    // and holding the release button back meanwhile, so releases never nest.
    EdsError ShootAlone();
    // How long the wait for the next picture may last: its exposure plus the margin.
    qint64 pictureWaitMs() const { return std::max<qint64>(exposureMs(), 0) + PictureMarginMs; }
    void RunBracketing();
    void RunTimeLapse();
    void RunSequence();
    // Ends a running series before its next release and a running wait at once.
    void Stop();
    bool releasing() const { return m_releasing; }

    // Stops the keep-alive timer, then starts it with this period unless it is 0.
    void setKeepAlive(int periodSeconds);
    void KeepAliveTick();

private:
    // The modes a release runs with, fixed when it starts.
    struct Modes
    {
        bool single = false;
        bool bracketing = false;
        bool timeLapse = false;
        bool sequence = false;
    };

    Modes chosenModes() const;
    EdsError shootWithin(qint64 exposureMs);
    // Sends the release, asking to plug the camera back in while it is not there; calls
    // `reconnected` each time it is back, before releasing again.
    EdsError release(qint64 limitMs, const std::function<void()> &reconnected);
    // Cancel / Retry / Ignore after the camera was unplugged. True to release again.
    bool retryAfterUnplugging();
    TCamerasettings settingsInForce();
    // Repeats a camera call while the body answers busy, up to the limit or a Stop.
    EdsError whileBusy(const std::function<EdsError()> &call, qint64 limitMs);
    // Processes events until `done`, a Stop, or limitMs on the program's clock; the limit
    // starts again whenever `progress` changes. False when it gave up.
    bool waitFor(const std::function<bool()> &done, qint64 limitMs,
                 const std::function<int()> &progress);
    qint64 exposureMs() const;
    bool askSequenceStart(quint32 firstAEMode, const QString &firstAEText);
    void runSequenceStep(const TCamerasettings &step, int index, int count);
    bool pauseAccepted(qint64 ms, const QString &what);
    void endProgramAfterRelease(int recordedBefore);
    void beginSeries();
    void endSeries();
    void setExpComp(const QString &text);

    ShootingView &m_view;
    PictureTransfer &m_transfer;
    ShootingHooks m_hooks;
    Modes m_modes;
    bool m_releasing = false;
    bool m_stopPressed = false;
    bool m_pictureMissed = false; // a release of the running one gave no picture
    int m_seriesDepth = 0;
};

// Connects the main window's release and Stop buttons and its keep-alive timer to `shooting`.
void wireShootingControls(TForm1 &form, Shooting &shooting);

// Exposure time in milliseconds of a shutter-speed text ("30\"", "1\"3", "1/125"); 0 when it
// cannot be read.
qint64 exposureMsOfTv(const QString &tv);
