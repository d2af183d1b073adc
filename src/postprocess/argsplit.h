#pragma once

#include <QString>
#include <QStringList>

// Splits a command line into the arguments a program receives. Blanks and tabs separate;
// a double quote groups and is removed, so `""` is an empty argument and a quote that is
// never closed runs to the end. Nothing else is special: no backslash escapes, no shell
// characters. Other characters (the non-breaking space among them) stay as they are.
QStringList splitArguments(const QString &commandLine);
