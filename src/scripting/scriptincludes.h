#pragma once

#include "pascal/engine.h"

#include <QString>

// Finds an included file: in the folder of the including file, or in `programFolder` when
// that has no folder. Backslashes separate folders too; the exact name is taken first, then
// a name that differs only in letter case.
pascal::IncludeResolver scriptIncludeResolver(const QString &programFolder);
