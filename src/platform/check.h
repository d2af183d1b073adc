#pragma once

#include <QtGlobal>

// Soft checks of what the program relies on but must not crash over: a failed one is reported
// on the error output with its place, and the code goes on along the way given.
//   TESSARO_ASSERT(menu, return);    TESSARO_CHECK(index >= 0);
#define TESSARO_ASSERT(cond, action)                                                               \
    if (Q_LIKELY(cond)) {                                                                          \
    } else {                                                                                       \
        tessaroCheckFailed(#cond, __FILE__, __LINE__);                                             \
        action;                                                                                    \
    }                                                                                              \
    do {                                                                                           \
    } while (false)

#define TESSARO_CHECK(cond) TESSARO_ASSERT(cond, do {} while (false))

void tessaroCheckFailed(const char *condition, const char *file, int line);
