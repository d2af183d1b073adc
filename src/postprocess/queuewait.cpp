#include "postprocess/queuewait.h"

#include "platform/clock.h"
#include "platform/waits.h"

#include <QCoreApplication>

namespace {

constexpr int kLookMs = 5;

} // namespace

QueueWaitEnd WaitForEmptyQueue(const std::function<int()> &pendingCount, qint64 timeoutMs,
                               const std::function<void(int)> &showCount)
{
    StopRequested = false;
    Clock &clock = appClock();
    const qint64 start = clock.tickMs();
    int shown = -1;
    for (;;) {
        const int count = pendingCount();
        if (count != shown && showCount)
            showCount(count);
        shown = count;
        if (count == 0)
            return QueueWaitEnd::Empty;
        QCoreApplication::processEvents();
        if (StopRequested)
            return QueueWaitEnd::Stopped;
        if (clock.tickMs() - start >= timeoutMs)
            return QueueWaitEnd::TimedOut;
        clock.sleepMs(kLookMs);
    }
}
