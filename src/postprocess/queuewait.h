#pragma once

#include <QtGlobal>

#include <functional>

enum class QueueWaitEnd { Empty, Stopped, TimedOut };

// The script's final wait for the command queue: processes pending events between looks
// at pendingCount(), so windows, the Stop button and the 1030 messages stay live. Ends when
// the count is 0, when StopRequested is set (it is cleared first, as WaitProcessing does),
// or after timeoutMs on appClock(). showCount is called with the first count and with every
// change, for the caption that shows what is left.
QueueWaitEnd WaitForEmptyQueue(const std::function<int()> &pendingCount, qint64 timeoutMs,
                               const std::function<void(int)> &showCount = {});
