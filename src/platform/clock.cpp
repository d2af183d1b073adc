#include "platform/clock.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

class SystemClock : public Clock
{
public:
    SystemClock() { m_timer.start(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 tickMs() const override { return m_timer.elapsed(); }
    void sleepMs(int ms) override { QThread::msleep(ms > 0 ? ms : 0); }

private:
    QElapsedTimer m_timer;
};

Clock *g_clock = nullptr;

} // namespace

Clock &appClock()
{
    static SystemClock system;
    return g_clock ? *g_clock : system;
}

void setAppClock(Clock *c) { g_clock = c; }

ManualClock::ManualClock(const QDateTime &start) : m_start(start) {}

QDateTime ManualClock::now() const { return m_start.addMSecs(m_elapsedMs); }

qint64 ManualClock::tickMs() const { return m_elapsedMs; }

void ManualClock::sleepMs(int ms) { advanceMs(ms > 0 ? ms : 1); }

void ManualClock::advanceMs(qint64 ms) { m_elapsedMs += ms; }
