#include "settings/wincodec.h"

#include <gtest/gtest.h>

TEST(WinCodec, EveryByteSurvivesDecodeAndEncode)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = wincodec::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(wincodec::encode(text), all);
}

TEST(WinCodec, DecodesTheCodePage)
{
    const struct
    {
        unsigned char byte;
        char16_t expected;
    } cases[] = {
        {0x41, u'A'},    {0x80, 0x20AC}, {0x8A, 0x0160}, {0x9F, 0x0178}, {0x81, 0x0081},
        {0x8D, 0x008D},  {0x8F, 0x008F}, {0x90, 0x0090}, {0x9D, 0x009D}, {0xA0, 0x00A0},
        {0xE1, 0x00E1},  {0xFC, 0x00FC},
    };
    for (const auto &c : cases) {
        const QString text = wincodec::decode(QByteArray(1, char(c.byte)));
        EXPECT_EQ(text, QString(QChar(c.expected))) << "byte " << int(c.byte);
    }
}

TEST(WinCodec, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    const struct
    {
        QString text;
        QByteArray expected;
    } cases[] = {
        {QStringLiteral("Auslösen €"), QByteArray("Ausl\xF6sen \x80")},
        {QStringLiteral("Ω"), QByteArray("?")},
        {QString(QChar(0x0080)), QByteArray("?")},  // the byte 0x80 is the euro sign
        {QString::fromUcs4(U"a\U0001F600b"), QByteArray("a?b")},
        {QString(QChar(0xD800)) + u'x', QByteArray("?x")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(wincodec::encode(c.text), c.expected) << c.text.toStdString();
}

TEST(WinCodec, PathsTheCodePageCannotHoldAreStoredInAMarkedFormThatReadsBack)
{
    const struct
    {
        QString path;
        QString stored;
    } cases[] = {
        {QStringLiteral("/home/łukasz/zdjęcia/"), QStringLiteral("?utf8?/home/%C5%82ukasz/zdj%C4%99cia/")},
        {QStringLiteral("/100%/Łódź/"), QStringLiteral("?utf8?/100%25/%C5%81ód%C5%BA/")},
        {QString::fromUcs4(U"/a\U0001F600/"), QStringLiteral("?utf8?/a%F0%9F%98%80/")},
        // Paths the code page holds stay as they are, "%" included.
        {QStringLiteral("C:\\Bilder\\100%\\"), QStringLiteral("C:\\Bilder\\100%\\")},
        {QStringLiteral("/Größe €/"), QStringLiteral("/Größe €/")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QString stored = wincodec::storablePath(c.path);
        EXPECT_EQ(stored, c.stored);
        EXPECT_TRUE(wincodec::representable(stored));
        EXPECT_EQ(wincodec::pathFromStored(stored), c.path);
    }
}

TEST(WinCodec, StoredPathsOutsideTheMarkedFormReadUnchanged)
{
    for (const QString &stored : {
             QStringLiteral("%USERPROFILE%\\Bilder\\"),
             QStringLiteral("/a%C5%82/"),              // encoded, but not marked
             QStringLiteral("?utf8?/plain/"),          // marked, but nothing that needed it
             QStringLiteral("?utf8?/100%25/"),         // the same
             QStringLiteral("?utf8?/a%C5/"),           // no UTF-8
             QStringLiteral("?utf8?/a%zz%C5%82/"),     // no escape
             QStringLiteral("?utf8?/a%C5%8"),          // cut short
         }) {
        EXPECT_EQ(wincodec::pathFromStored(stored), stored) << stored.toStdString();
    }
}
