#pragma once

#include <QtGlobal>

#include <atomic>

// Set by the Stop button; ends a running WaitProcessing.
extern std::atomic<bool> StopRequested;

// Clears StopRequested, then processes pending events and yields, pass after pass, until
// `ms` milliseconds have passed on appClock() or StopRequested is set. `ms` <= 0 returns at once.
void WaitProcessing(qint64 ms);
