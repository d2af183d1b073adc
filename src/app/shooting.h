#pragma once

#include "edsdk.h"

#include <QObject>

#include <functional>

class QTimer;
class TForm1;
struct TCamerasettings;

// Series state: cleared by Stop, checked before every step of a series.
extern bool TimeLapseRunning;
extern bool SequenceRunning;
// Set by the command line: release at start, and end the program after that release.
extern bool AutomaticRelease;
extern bool EndAfterShoot;

// Window steps of other parts of the program; an unset one does nothing.
struct TShootingHooks
{
    // A sequence step begins: its row of the command list is shown selected.
    std::function<void(int step)> sequenceStepStarted;
    // Stop was pressed: the time-lapse controls of the capture settings become usable again.
    std::function<void()> stopped;
};

// The release button, the shooting modes and their series, the Stop button and the camera
// keep-alive. Everything runs on the main thread; every wait processes pending events, so the
// camera's messages, the Stop button and the rest of the interface stay live.
class TShooting : public QObject
{
public:
    // The wait for one picture lasts its exposure time plus this.
    static constexpr int DefaultPictureMarginMs = 30000;

    explicit TShooting(TForm1 &form);

    void setHooks(TShootingHooks hooks);
    void setPictureMarginMs(int ms) { m_pictureMarginMs = ms; }

    // Takes the settings over from their windows, then runs Release.
    void AusloeserButtonClick();
    // Runs the enabled modes. Does nothing while a release is running already.
    void Release();
    // One release and the wait for its picture. With the bulb flag no command is sent and the
    // picture taken at the body is waited for. Returns the camera's code of the release; a wait
    // that gave up leaves its message in the status bar.
    EdsError Shoot();
    void RunBracketing();
    void RunTimeLapse();
    void RunSequence();
    // Ends a running series at its next check and a running picture wait at once.
    void Stop();

    // Stops the keep-alive timer, then starts it with this period unless it is 0.
    void setKeepAlive(int periodSeconds);
    void KeepAliveTick();

private:
    EdsError shootWithin(qint64 exposureMs);
    EdsError takePicture(qint64 limitMs);
    // Repeats a camera call while the body answers busy, up to the limit or a Stop.
    EdsError whileBusy(const std::function<EdsError()> &call, qint64 limitMs);
    void waitForPicture(qint64 limitMs);
    qint64 exposureMs() const;
    bool askSequenceStart(quint32 firstAEMode, const QString &firstAEText);
    void runSequenceStep(const TCamerasettings &step, int index, int count);
    void seriesEnded();
    void setExpComp(const QString &text);

    TForm1 &m_form;
    TShootingHooks m_hooks;
    int m_pictureMarginMs = DefaultPictureMarginMs;
    bool m_releasing = false;
    bool m_stopPressed = false;
};

// Exposure time in milliseconds of a shutter-speed text ("30\"", "1\"3", "1/125"); 0 when it
// cannot be read.
qint64 exposureMsOfTv(const QString &tv);
