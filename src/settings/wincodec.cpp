#include "settings/wincodec.h"

#include "platform/texthelpers.h"

#include <QList>

#include <algorithm>
#include <array>
#include <optional>

namespace wincodec {

namespace {

// 0x80..0x9F; undefined bytes keep their own number.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t charFor(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighTable[byte - 0x80];
    return byte;
}

// The byte for one character, or -1 when the code page has none.
int byteFor(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return int(codePoint);
    for (size_t i = 0; i < kHighTable.size(); ++i) {
        if (kHighTable[i] == codePoint)
            return int(0x80 + i);
    }
    return -1;
}

const QString kPathMark = QStringLiteral("?utf8?");

// The UTF-8 bytes of a marked form's body; nothing when a "%" is not followed by two hex digits.
std::optional<QByteArray> markedBytes(QStringView body)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body[i] != u'%') {
            bytes += QString(body[i]).toUtf8();
            continue;
        }
        const int high = i + 2 < body.size() ? hexDigitValue(body[i + 1]) : -1;
        const int low = high < 0 ? -1 : hexDigitValue(body[i + 2]);
        if (low < 0)
            return std::nullopt;
        bytes += char(high * 16 + low);
        i += 2;
    }
    return bytes;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(charFor(static_cast<unsigned char>(bytes[i])));
    return text;
}

QByteArray encode(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            bytes.append('?');
            ++i;
            continue;
        }
        const int b = byteFor(c.unicode());
        bytes.append(b < 0 ? '?' : char(b));
    }
    return bytes;
}

bool representable(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return byteFor(c.unicode()) >= 0; });
}

QString storablePath(const QString &path)
{
    if (representable(path))
        return path;
    QString stored = kPathMark;
    for (const char32_t codePoint : path.toUcs4()) {
        if (codePoint != U'%' && byteFor(codePoint) >= 0) {
            stored += QChar(char16_t(codePoint));
            continue;
        }
        for (const char byte : QString::fromUcs4(&codePoint, 1).toUtf8())
            stored += u'%' + QString::number(uchar(byte), 16).toUpper().rightJustified(2, u'0');
    }
    return stored;
}

QString pathFromStored(const QString &stored)
{
    if (!stored.startsWith(kPathMark))
        return stored;
    const std::optional<QByteArray> bytes = markedBytes(QStringView(stored).sliced(kPathMark.size()));
    if (!bytes || !QByteArrayView(*bytes).isValidUtf8())
        return stored;
    const QString path = QString::fromUtf8(*bytes);
    return representable(path) ? stored : path;
}

} // namespace wincodec
