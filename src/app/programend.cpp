#include "app/programend.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

std::optional<int> g_endCode;

} // namespace

void requestProgramEnd(int code)
{
    g_endCode = code;
    QCoreApplication::exit(code);
}

std::optional<int> requestedProgramEnd() { return g_endCode; }

void resetProgramEnd() { g_endCode.reset(); }

void reportOnStderr(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}
