#pragma once

#include <QString>
#include <QStringList>

// The comma text of the catalogue's option lists. Joining encloses an item that holds a
// blank, a comma, a double quote or a control character in double quotes, doubling the
// quotes inside. Splitting takes commas and blanks outside quotes as separators (so "a b"
// without quotes is two items), removes the quotes and undoes the doubling.
QString joinCommaText(const QStringList &items);
QStringList splitCommaText(const QString &text);
