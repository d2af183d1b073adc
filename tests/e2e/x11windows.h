#pragma once

#include <QString>

// Kept apart from the tests: Xlib's macros clash with GoogleTest's names.
// True when some window on the display carries exactly this title.
bool showsWindowTitled(const QString &displayName, const QString &title);
