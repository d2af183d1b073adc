#include "settings/textfile.h"

#include "settings/wincodec.h"

#include <QFile>
#include <QSaveFile>

#include <utility>

namespace textfile {

namespace {

using Decoder = QString (*)(QByteArrayView);

QString decodeUtf8(QByteArrayView bytes) { return QString::fromUtf8(bytes); }

// Where the text starts and how it decodes. Editors put a UTF-8 byte-order mark in front of
// text they store as UTF-8; without one (or when the rest is no valid UTF-8) it is ours.
std::pair<qsizetype, Decoder> textEncoding(const QByteArray &bytes)
{
    static constexpr QByteArrayView utf8Mark("\xEF\xBB\xBF");
    if (!bytes.startsWith(utf8Mark))
        return {0, wincodec::decode};
    const bool utf8 = QByteArrayView(bytes).sliced(utf8Mark.size()).isValidUtf8();
    return {utf8Mark.size(), utf8 ? decodeUtf8 : wincodec::decode};
}

} // namespace

QStringList splitLines(const QByteArray &bytes)
{
    QStringList lines;
    const auto [textStart, decode] = textEncoding(bytes);
    qsizetype start = textStart;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        qsizetype stop = end;
        if (stop > start && bytes[stop - 1] == '\r')
            --stop;
        lines.append(decode(QByteArrayView(bytes).sliced(start, stop - start)));
        start = next;
    }
    return lines;
}

QByteArray joinLines(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += wincodec::encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

Bytes readBytes(const QString &path)
{
    Bytes result;
    QFile file(path);
    if (!file.exists()) {
        result.notFound = true;
        result.error = QStringLiteral("%1: file does not exist").arg(path);
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return result;
    }
    result.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        result.error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return result;
}

Lines readLines(const QString &path)
{
    const Bytes read = readBytes(path);
    return {splitLines(read.bytes), read.notFound, read.error};
}

namespace {

// Unbuffered, so that a short write is seen here: a buffered QSaveFile can commit a
// truncated file and call it success.
bool writeAll(QSaveFile &file, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

Result<> writeBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Failure{QStringLiteral("%1: %2").arg(path, file.errorString())};
    if (!writeAll(file, bytes)) {
        const QString error = file.errorString();
        file.cancelWriting();
        return Failure{QStringLiteral("%1: %2").arg(path, error)};
    }
    if (!file.commit())
        return Failure{QStringLiteral("%1: %2").arg(path, file.errorString())};
    return {};
}

Result<> writeLines(const QString &path, const QStringList &lines)
{
    return writeBytes(path, joinLines(lines));
}

} // namespace textfile
