#include "platform/waits.h"

#include "manualclockfixture.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class WaitProcessingTest : public ManualClockTest
{
};

TEST_F(WaitProcessingTest, WaitsTheFullTimeDespiteAnEarlierStop)
{
    StopRequested = true;
    WaitProcessing(500);
    EXPECT_GE(clock.tickMs(), 500);
    EXPECT_LT(clock.tickMs(), 510);
    EXPECT_FALSE(StopRequested);
}

TEST_F(WaitProcessingTest, ProcessesEventsAndEndsOnStop)
{
    int handled = 0;
    QMetaObject::invokeMethod(qApp, [&] { ++handled; }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(qApp, [&] { StopRequested = true; }, Qt::QueuedConnection);
    WaitProcessing(1000000);
    EXPECT_EQ(handled, 1);
    EXPECT_TRUE(StopRequested);
    EXPECT_LT(clock.tickMs(), 1000);
}

TEST_F(WaitProcessingTest, NothingToWaitForReturnsAtOnce)
{
    WaitProcessing(0);
    WaitProcessing(-5);
    EXPECT_EQ(clock.tickMs(), 0);
}

} // namespace
