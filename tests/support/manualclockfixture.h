#pragma once

#include "platform/clock.h"
#include "platform/waits.h"

#include <gtest/gtest.h>

// A test on the manual clock: the program's waits read it, and a Stop a test asked for does
// not reach the next test.
class ManualClockTest : public ::testing::Test
{
protected:
    void SetUp() override { setAppClock(&clock); }
    void TearDown() override
    {
        setAppClock(nullptr);
        StopRequested = false;
    }
    ManualClock clock;
};
