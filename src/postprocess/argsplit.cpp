#include "postprocess/argsplit.h"

namespace {

bool isSeparator(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

QStringList splitArguments(const QString &commandLine)
{
    QStringList arguments;
    QString current;
    bool inArgument = false; // a quote pair alone makes an (empty) argument
    bool quoted = false;
    for (const QChar c : commandLine) {
        if (c == u'"') {
            quoted = !quoted;
            inArgument = true;
        } else if (isSeparator(c) && !quoted) {
            if (inArgument)
                arguments.append(current);
            current.clear();
            inArgument = false;
        } else {
            current.append(c);
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.append(current);
    return arguments;
}
