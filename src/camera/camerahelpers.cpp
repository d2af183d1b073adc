#include "camera/camerahelpers.h"

QString sdkFieldText(const char *field, int size)
{
    return QString::fromLatin1(field, int(qstrnlen(field, uint(size))));
}
