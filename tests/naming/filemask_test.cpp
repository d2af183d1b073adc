#include "camera/camerasettings.h"
#include "naming/filemask.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

namespace {

const QString nb(NonBreakingSpace);

TCamerasettings sampleSettings()
{
    TCamerasettings s;
    s.AEMode.Name = QStringLiteral("Av");
    s.Av.Name = QStringLiteral("5.6");
    s.Tv.Name = QStringLiteral("1/125");
    s.ISO.Name = QStringLiteral("400");
    s.WB.Name = QStringLiteral("Tageslicht");
    s.Quality.Name = QStringLiteral("L Fein");
    s.ExpComp.Name = QStringLiteral("-1 1/3");
    return s;
}

class MaskTest : public ::testing::Test
{
protected:
    void SetUp() override { setAppClock(&clock); }
    void TearDown() override { setAppClock(nullptr); }

    ManualClock clock{QDateTime(QDate(2026, 5, 7), QTime(9, 4, 3))};
    TCamerasettings settings = sampleSettings();
    NamingValues values{QStringLiteral("Studio"), QStringLiteral("IMG#IMGNR"),
                         QStringLiteral("pre"), QStringLiteral("0815"), QStringLiteral("JPG")};
};

struct MaskCase
{
    const char *name;
    QString mask;
    QString expected;
};

TEST_F(MaskTest, FullExpansionReplacesEveryToken)
{
    const MaskCase cases[] = {
        {"project", "#PROJECT", "Studio"},
        {"date and time", "#YEAR-#MONTH-#DAY_#HOUR.#MINUTE.#SEKUNDE", "2026-05-07_09.04.03"},
        {"prefix, number, format", "#PREFIX#IMGNR.#FORMAT", "pre0815.JPG"},
        {"camera values", "#AEMODE #AV #TV #ISO #WA #QUAL",
         "Av" + nb + "5.6" + nb + "1/125" + nb + "400" + nb + "Tageslicht" + nb + "L Fein"},
        {"exposure compensation", "#EXPCOMP", "-1" + nb + "1x3"},
        {"command count is empty", "a#CCb", "ab"},
        {"every occurrence", "#IMGNR-#IMGNR", "0815-0815"},
        {"tokens are substrings", "#AVX", "5.6X"},
        {"other case stays", "#year #Project #imgnr", "#year" + nb + "#Project" + nb + "#imgnr"},
        {"folders keep backslash", "#YEAR\\#MONTH\\IMG#IMGNR", "2026\\05\\IMG0815"},
        {"empty mask", "", ""},
    };
    for (const MaskCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ExpandFileMask(c.mask, settings, values), c.expected);
    }
}

TEST_F(MaskTest, ValuesAreSeenOnlyByLaterSteps)
{
    values.Projektname = QStringLiteral("P #YEAR #AV");
    values.Prefix = QStringLiteral("#IMGNR#YEAR");
    settings.Quality.Name = QStringLiteral("#ISO");
    // The project's year and aperture are replaced; the prefix's year comes too late.
    EXPECT_EQ(ExpandFileMask(QStringLiteral("#PROJECT #PREFIX #QUAL"), settings, values),
              "P" + nb + "2026" + nb + "5.6" + nb + "0815#YEAR" + nb + "#ISO");
}

TEST_F(MaskTest, SpacesBecomeNonBreakingOnlyBeforeCameraTokens)
{
    values.Projektname = QStringLiteral("Mein Projekt");
    values.Prefix = QStringLiteral("a b");
    settings.WB.Name = QStringLiteral("Kunst licht");
    EXPECT_EQ(ExpandFileMask(QStringLiteral("x #PROJECT #PREFIX #WA"), settings, values),
              "x" + nb + "Mein" + nb + "Projekt" + nb + "a" + nb + "b" + nb + "Kunst licht");
}

TEST_F(MaskTest, ExposureCompensationFractions)
{
    const std::pair<QString, QString> cases[] = {
        {"+ 1/3", "+" + nb + "1x3"}, {"-1 1/3", "-1" + nb + "1x3"}, {"+2 1/2", "+2" + nb + "1x2"},
        {"- 2/3", "-" + nb + "2x3"}, {"0", "0"},                    {"+3", "+3"},
    };
    for (const auto &[camera, expected] : cases) {
        SCOPED_TRACE(camera.toStdString());
        settings.ExpComp.Name = camera;
        const QString out = ExpandFileMask(QStringLiteral("#EXPCOMP"), settings, values);
        EXPECT_EQ(out, expected);
        EXPECT_FALSE(out.contains(QLatin1Char('/')));
    }
}

TEST_F(MaskTest, YearHasAtLeastFourDigits)
{
    clock = ManualClock(QDateTime(QDate(987, 12, 31), QTime(23, 59, 59)));
    EXPECT_EQ(ExpandFileMask(QStringLiteral("#YEAR#MONTH#DAY#HOUR#MINUTE#SEKUNDE"), settings, values),
              "09871231235959");
}

TEST_F(MaskTest, DateMaskKnowsNoSpacesOrCameraTokens)
{
    values.Prefix = QStringLiteral("#IMGNR x");
    values.Projektname = QStringLiteral("#PREFIX");
    EXPECT_EQ(ExpandDateMask(QStringLiteral("ComFile#YEAR#MONTH#DAY#HOUR#MINUTE.rccf"), values),
              "ComFile202605070904.rccf");
    // Project before prefix, number before prefix: the prefix's own #IMGNR stays.
    EXPECT_EQ(ExpandDateMask(QStringLiteral("#PROJECT #IMGNR #AV #SEKUNDE #FORMAT #CC"), values),
              "#IMGNR x 0815 #AV 03 #FORMAT #CC");
}

} // namespace
