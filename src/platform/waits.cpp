#include "platform/waits.h"

#include "platform/clock.h"

#include <QCoreApplication>

std::atomic<bool> StopRequested{false};

void WaitProcessing(qint64 ms)
{
    StopRequested = false;
    Clock &clock = appClock();
    const qint64 start = clock.tickMs();
    while (clock.tickMs() - start < ms) {
        QCoreApplication::processEvents();
        if (StopRequested)
            return;
        clock.sleepMs(1);
    }
}
