#pragma once

#include <QString>

// The text of a fixed-size character field of the SDK: up to its first NUL, at most `size`
// characters.
QString sdkFieldText(const char *field, int size);
