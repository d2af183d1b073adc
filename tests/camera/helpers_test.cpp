#include "camera/camerahelpers.h"
#include "platform/texthelpers.h"
#include "platform/waits.h"
#include "camera/edserrors.h"
#include "platform/clock.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(EdsErrorText, GivesTheTextOfListedCodesOnly)
{
    const struct
    {
        quint32 code;
        const char *text;
    } cases[] = {
        {0, " Kein Fehler "},          {2, " Internal error  "},   {65, " I/O error "},
        {66, " No file in directroy "}, {129, " Device busy "},     {245, " Not used "},
        {82, ""},                      {246, ""},                  {12, ""},
        {0xFFFFFFFF, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(EdsErrorText(c.code), QString::fromLatin1(c.text)) << c.code;
}

TEST(EdsErrorText, EveryTextIsFramedByBlanks)
{
    int listed = 0;
    for (quint32 code = 0; code < 1024; ++code) {
        const QString text = EdsErrorText(code);
        if (text.isEmpty())
            continue;
        ++listed;
        EXPECT_TRUE(text.startsWith(' ') && text.endsWith(' ') && !text.startsWith("  ")) << code;
    }
    EXPECT_EQ(listed, 87);
}

TEST(PropertyIdName, NamesTheSdkConstant)
{
    EXPECT_EQ(PropertyIdName(1024), "kEdsPropID_AEMode");
    EXPECT_EQ(PropertyIdName(65535), "kEdsPropID_Unknown");
    EXPECT_EQ(PropertyIdName(2147483648u), "kEdsPropID_AtCapture_Flag");
    EXPECT_EQ(PropertyIdName(2), "kEdsPropID_ProductName");
    EXPECT_EQ(PropertyIdName(0), "");
    EXPECT_EQ(PropertyIdName(1047), "");
}

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

class WaitProcessingTest : public ::testing::Test
{
protected:
    void SetUp() override { setAppClock(&clock); }
    void TearDown() override
    {
        setAppClock(nullptr);
        StopRequested = false;
    }
    ManualClock clock;
};

TEST_F(WaitProcessingTest, WaitsTheFullTimeDespiteAnEarlierStop)
{
    StopRequested = true;
    WaitProcessing(500);
    EXPECT_GE(clock.tickMs(), 500);
    EXPECT_LT(clock.tickMs(), 510);
    EXPECT_FALSE(StopRequested);
}

TEST_F(WaitProcessingTest, ProcessesEventsAndEndsOnStop)
{
    int handled = 0;
    QMetaObject::invokeMethod(qApp, [&] { ++handled; }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(qApp, [&] { StopRequested = true; }, Qt::QueuedConnection);
    WaitProcessing(1000000);
    EXPECT_EQ(handled, 1);
    EXPECT_TRUE(StopRequested);
    EXPECT_LT(clock.tickMs(), 1000);
}

TEST_F(WaitProcessingTest, NothingToWaitForReturnsAtOnce)
{
    WaitProcessing(0);
    WaitProcessing(-5);
    EXPECT_EQ(clock.tickMs(), 0);
}

} // namespace
