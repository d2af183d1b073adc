#pragma once

#include <QString>

// Gives a control its name, by which the program and the tests find it.
template<typename W>
W *named(W *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

template<typename W>
W *named(W *widget, const char *name)
{
    return named(widget, QString::fromLatin1(name));
}
