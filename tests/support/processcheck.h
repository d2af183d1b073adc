#pragma once

#include <QtGlobal>

// What the tests of external programs look at in /proc.

// Children of this process that have ended and were never waited for.
int zombieChildren();
// True while the process exists and is not a zombie.
bool processAlive(qint64 pid);
