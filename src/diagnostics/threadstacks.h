#pragma once

#include <QStringList>

// The symbolised call stack of every thread of another process, read with elfutils' libdwfl
// (which stops the threads through ptrace while it reads). One heading line per thread, the
// thread `markedThread` marked, then one line per frame. On failure one line saying why.
QStringList threadStacks(int pid, int markedThread);
