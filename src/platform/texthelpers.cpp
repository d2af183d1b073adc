#include "platform/texthelpers.h"

#include <QFileInfo>

#include <array>

namespace {

// The standard scheme's system colours (0x00BBGGRR), by index.
constexpr std::array<quint32, 31> kSystemColours{
    0xC8C8C8, // scroll bar
    0x000000, // desktop
    0xD1B499, // active caption
    0xDBCDBF, // inactive caption
    0xF0F0F0, // menu
    0xFFFFFF, // window
    0x646464, // window frame
    0x000000, // menu text
    0x000000, // window text
    0x000000, // caption text
    0xB4B4B4, // active border
    0xFCF7F4, // inactive border
    0xABABAB, // application workspace
    0xD77800, // highlight
    0xFFFFFF, // highlight text
    0xF0F0F0, // button face
    0xA0A0A0, // button shadow
    0x6D6D6D, // grey text
    0x000000, // button text
    0x000000, // inactive caption text
    0xFFFFFF, // button highlight
    0x696969, // 3D dark shadow
    0xE3E3E3, // 3D light
    0x000000, // tooltip text
    0xE1FFFF, // tooltip background
    0x000000, // unused
    0xCC6600, // hot-tracked item
    0xEAD1B9, // active caption gradient
    0xF2E4D7, // inactive caption gradient
    0xFF9933, // menu highlight
    0xF0F0F0, // menu bar
};

quint32 resolveColour(quint32 colour)
{
    if (!(colour & 0x80000000u))
        return colour & 0xFFFFFF;
    const quint32 index = colour & 0xFF;
    return index < kSystemColours.size() ? kSystemColours[index] : 0;
}

} // namespace

const QString &crlf()
{
    static const QString text = QStringLiteral("\r\n");
    return text;
}

QString ColorToRGBText(quint32 colour)
{
    const quint32 rgb = resolveColour(colour);
    return QStringLiteral("RGB(%1,%2,%3)").arg(rgb & 0xFF).arg((rgb >> 8) & 0xFF).arg((rgb >> 16) & 0xFF);
}

QString PadText(const QString &text, const QString &pad, int length, int side)
{
    if (pad.isEmpty() || (side != PadFront && side != PadBehind) || text.size() >= length)
        return text;
    // Whole pads only, so a long pad may overshoot.
    const qsizetype count = (length - text.size() + pad.size() - 1) / pad.size();
    const QString padding = pad.repeated(count);
    return side == PadFront ? padding + text : text + padding;
}

QString ZeroPad(qint64 number, const QString &templ)
{
    QString result = QString::number(number);
    if (result.size() < templ.size())
        result.prepend(QString(templ.size() - result.size(), QLatin1Char('0')));
    return result;
}

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

bool IsDirectory(const QString &path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

QString asciiUpper(const QString &text)
{
    QString upper = text;
    for (QChar &c : upper) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    }
    return upper;
}
