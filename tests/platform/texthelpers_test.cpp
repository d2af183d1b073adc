#include "platform/texthelpers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(ColorToRGBText, ResolvesPlainAndSystemColours)
{
    const struct
    {
        quint32 colour;
        const char *text;
    } cases[] = {
        {0x000000FF, "RGB(255,0,0)"},
        {0x0000FF00, "RGB(0,255,0)"},
        {0x00FF0000, "RGB(0,0,255)"},
        {0x00123456, "RGB(86,52,18)"},
        {0x02123456, "RGB(86,52,18)"},     // palette flags are ignored
        {0xFF00000F, "RGB(240,240,240)"}, // system colour: button face
        {0x80000005, "RGB(255,255,255)"}, // system colour: window
        {0xFF0000FF, "RGB(0,0,0)"},       // no such system colour
    };
    for (const auto &c : cases)
        EXPECT_EQ(ColorToRGBText(c.colour), c.text) << std::hex << c.colour;
}

TEST(IsDirectory, TrueOnlyForAnExistingFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("a.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    EXPECT_TRUE(IsDirectory(dir.path()));
    EXPECT_FALSE(IsDirectory(file.fileName()));
    EXPECT_FALSE(IsDirectory(dir.filePath("missing")));
    EXPECT_FALSE(IsDirectory(""));
}

TEST(PadText, PadsOnTheChosenSideUntilLongEnough)
{
    const struct
    {
        const char *text;
        const char *pad;
        int length;
        int side;
        const char *result;
    } cases[] = {
        {"7", " ", 3, PadFront, "  7"},
        {"7", " ", 3, PadBehind, "7  "},
        {"", "-", 3, PadBehind, "---"},
        {"abc", "x", 2, PadFront, "abc"},  // never shortened
        {"ab", "xyz", 4, PadFront, "xyzab"}, // a long pad may overshoot
        {"ab", "", 5, PadFront, "ab"},     // empty pad: unchanged
        {"ab", "x", 5, 2, "ab"},           // unknown side: unchanged
        {"ab", "x", 5, -1, "ab"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PadText(c.text, c.pad, c.length, c.side), c.result) << c.text << "|" << c.pad << "|" << c.side;
}

TEST(ZeroPad, PutsZerosInFrontUpToTheTemplatesLength)
{
    const struct
    {
        qint64 number;
        const char *templ;
        const char *result;
    } cases[] = {
        {5, "00", "05"}, {7, "000", "007"}, {123, "0", "123"}, {1234, "00", "1234"},
        {-5, "000", "0-5"}, {0, "", "0"}, {5, "ab", "05"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ZeroPad(c.number, c.templ), c.result) << c.number << " " << c.templ;
}

} // namespace
