#pragma once

#include <QDateTime>

// Where the program reads the time. Tests install a ManualClock so that waits, intervals
// and time stamps run without real seconds passing.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;   // local wall-clock time (masks, EXIF, file names)
    virtual qint64 tickMs() const = 0;   // monotonic milliseconds, for waits and intervals
    virtual void sleepMs(int ms) = 0;    // give the processor away for about ms milliseconds
};

// The clock in use: the system clock unless a test installed another.
Clock &appClock();
// Installs a clock (nullptr restores the system clock). The caller keeps ownership.
void setAppClock(Clock *clock);

// A clock that moves only when told to, or when someone sleeps on it.
class ManualClock : public Clock
{
public:
    explicit ManualClock(const QDateTime &start = QDateTime(QDate(2026, 1, 1), QTime(12, 0)));
    QDateTime now() const override;
    qint64 tickMs() const override;
    void sleepMs(int ms) override;
    void advanceMs(qint64 ms);

private:
    QDateTime m_start;
    qint64 m_elapsedMs = 0;
};
