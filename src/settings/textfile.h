#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "platform/result.h"

// Line-based access to the stored text files: Windows-1252, written with CR LF, read with
// CR LF or LF. A file that starts with a UTF-8 byte-order mark reads as UTF-8 without it.
// Failures are returned, never thrown.
namespace textfile {

struct Lines
{
    QStringList lines;
    bool notFound = false;  // no file at the path (error says so too)
    QString error;
    bool ok() const { return error.isEmpty(); }
};

struct Bytes
{
    QByteArray bytes;
    bool notFound = false;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// A last line without a line end counts; a final line end does not start another line.
Lines readLines(const QString &path);
Bytes readBytes(const QString &path);
QStringList splitLines(const QByteArray &bytes);

// Replace the file in one step: after a failure the old file is untouched.
Result<> writeLines(const QString &path, const QStringList &lines);
Result<> writeBytes(const QString &path, const QByteArray &bytes);
QByteArray joinLines(const QStringList &lines);

} // namespace textfile
