#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

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

// The texts of a list's items, in order.
inline QStringList itemTexts(const QListWidget &list)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts.append(list.item(row)->text());
    return texts;
}
