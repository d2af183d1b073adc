#include "postprocess/queuewait.h"

#include "manualclockfixture.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

class QueueWaitTest : public ManualClockTest
{
protected:
    QList<int> shown;
    std::function<void(int)> show = [this](int count) { shown.append(count); };
};

// The count drops as posted events are handled: the wait must process them to end.
TEST_F(QueueWaitTest, ProcessesEventsAndEndsWhenTheQueueIsEmpty)
{
    int pending = 3;
    for (int i = 0; i < 3; ++i)
        QMetaObject::invokeMethod(qApp, [&] { --pending; }, Qt::QueuedConnection);
    EXPECT_EQ(WaitForEmptyQueue([&] { return pending; }, 60000, show), QueueWaitEnd::Empty);
    EXPECT_EQ(shown, (QList<int>{3, 0}));
}

TEST_F(QueueWaitTest, EndsOnStopAndAfterItsTime)
{
    StopRequested = true; // an earlier stop does not end this wait
    QMetaObject::invokeMethod(qApp, [] { StopRequested = true; }, Qt::QueuedConnection);
    EXPECT_EQ(WaitForEmptyQueue([] { return 1; }, 60000), QueueWaitEnd::Stopped);

    const qint64 before = clock.tickMs();
    EXPECT_EQ(WaitForEmptyQueue([] { return 1; }, 2000, show), QueueWaitEnd::TimedOut);
    EXPECT_GE(clock.tickMs() - before, 2000);
    EXPECT_LT(clock.tickMs() - before, 2100);
    EXPECT_EQ(shown, QList<int>{1});
}

TEST_F(QueueWaitTest, AnEmptyQueueEndsAtOnce)
{
    EXPECT_EQ(WaitForEmptyQueue([] { return 0; }, 0), QueueWaitEnd::Empty);
    EXPECT_EQ(clock.tickMs(), 0);
}

} // namespace
