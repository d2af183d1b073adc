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
