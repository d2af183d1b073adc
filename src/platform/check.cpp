#include "platform/check.h"

#include <QtGlobal>

void tessaroCheckFailed(const char *condition, const char *file, int line)
{
    qWarning("Tessaro: check \"%s\" failed in %s:%d", condition, file, line);
}
