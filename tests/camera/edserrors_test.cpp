#include "camera/edserrors.h"

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

} // namespace
