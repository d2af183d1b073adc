#include "camera/proptables.h"

#include <gtest/gtest.h>

namespace {

using P = CameraProperty;

class PropertyLookups : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetPropertyTables();
        CurrentTable(P::AEMode) = {{"P", 0, true}, {"Tv", 1, true}, {"Av", 2, true}, {"M", 3, true}};
        CurrentTable(P::DriveMode) = {{"Einzelbild", 0, true}, {"Serie", 1, true}};
        CurrentTable(P::ISO) = {{"Auto", 0, true},  {"100", 72, true}, {"200", 80, true},
                                {"400", 88, true},  {"800", 96, true}, {"1000", 99, true}};
        CurrentTable(P::WhiteBalance) = {{"Auto", 0, true}, {"Tageslicht", 1, true},
                                         {"Schatten", 2, true}, {"Kunstlicht", 4, true}};
        CurrentTable(P::Metering) = {{"Mehrfeld", 3, true}, {"Spotmessung", 1, true}};
        CurrentTable(P::Tv) = {{"Bulb", 12, true}, {"Max", 0xFFFFFFFF, true}};
    }
    void TearDown() override { resetPropertyTables(); }
};

TEST(PropertyIdByName, AnswersToEveryScriptNameInAnyCase)
{
    const struct
    {
        const char *name;
        quint32 id;
    } cases[] = {
        {"AE", 1024},       {"kameramodus", 1024},   {"Av", 1029},        {"TV", 1030},
        {"iso", 1026},      {"WB", 262},             {"weissabgleich", 262}, {"FOCUS", 1028},
        {"Fokus", 1028},    {"QUALITY", 256},        {"bildqualitaet", 256}, {"EXPCOMP", 1031},
        {"Belichtungskorrektur", 1031}, {"METERING", 1027}, {"Messmethode", 1027},
        {"dm", 1025},       {"AUFNAHMEMODUS", 1025}, {"FLASH", 0},        {"", 0},
        {"WB ", 0},         {"A", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PropertyIdByName(QString::fromLatin1(c.name)), c.id) << c.name;
}

TEST_F(PropertyLookups, TextByCodeSearchesOnlyTheNamedPropertysCurrentTable)
{
    EXPECT_EQ(PropertyTextByCode("DM", 0), "Einzelbild");
    EXPECT_EQ(PropertyTextByCode("AE", 0), "P");
    EXPECT_EQ(PropertyTextByCode("kameramodus", 3), "M");
    EXPECT_EQ(PropertyTextByCode("AE", 4), "");
    EXPECT_EQ(PropertyTextByCode("FLASH", 0), "");
}

TEST_F(PropertyLookups, TextByCodeComparesAsSignedAgainstUnsigned)
{
    EXPECT_EQ(PropertyTextByCode("TV", -1), "");
    EXPECT_EQ(PropertyTextByCode("TV", 4294967295LL), "Max");
    EXPECT_EQ(PropertyTextByCode("TV", 4294967296LL + 12), "");
}

TEST_F(PropertyLookups, CodeByTextMatchesExactlyOrByContainedText)
{
    const struct
    {
        const char *name;
        const char *text;
        int offset;
        std::optional<quint32> code;
    } cases[] = {
        {"ISO", "100", 0, 72},           // exact, although "1000" also contains it
        {"ISO", "10", 0, std::nullopt},  // exact match only
        {"iso", "auto", 0, 0},           // code 0 is a real answer
        {"WB", "tag", 0, 1},
        {"WEISSABGLEICH", "LICHT", 0, 1}, // the first entry that contains it
        {"WB", "Bewoelkt", 0, std::nullopt},
        {"METERING", "spot", 0, 1},
        {"AE", "a", 0, std::nullopt},    // AE is not a contains-match property
        {"AE", "av", 0, 2},
        {"FLASH", "Auto", 0, std::nullopt},
        {"WB", "", 0, std::nullopt},     // an empty text is in every name, yet matches none
    };
    for (const auto &c : cases)
        EXPECT_EQ(PropertyCodeByText(c.name, c.text, c.offset), c.code) << c.name << " " << c.text;
}

TEST_F(PropertyLookups, CodeByTextStepsByOffsetAndNeverLeavesTheTable)
{
    const struct
    {
        int offset;
        std::optional<quint32> code;
    } cases[] = {
        {0, 88}, {1, 96}, {2, 99}, {3, std::nullopt}, {-1, 80}, {-3, 0}, {-4, std::nullopt},
        {std::numeric_limits<int>::max(), std::nullopt}, {std::numeric_limits<int>::min(), std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PropertyCodeByText("ISO", "400", c.offset), c.code) << c.offset;
}

TEST(PropertyTables, GrowthKeepsReferencesToEntriesValid)
{
    resetPropertyTables();
    PropTable &master = MasterTable(P::Tv);
    master.push_back({"Bulb", 12, true});
    const TPropList *first = &master.front();
    const TPropList &added = appendUnknownEntry(master, 21);
    for (quint32 code = 1000; code < 11000; ++code)
        appendUnknownEntry(master, code);

    EXPECT_EQ(&master[0], first);
    EXPECT_EQ(&master[1], &added);
    EXPECT_EQ(added.Name, "Unbekannt21");
    EXPECT_EQ(added.ID, 21u);
    EXPECT_TRUE(added.Enabled);
    EXPECT_EQ(master.back().Name, "Unbekannt10999");
    EXPECT_EQ(findEntryByCode(master, 21), &added);
    EXPECT_EQ(findEntryByCode(master, 22), nullptr);
    resetPropertyTables();
}

TEST(PropertyTables, MasterAndCurrentTablesAreSeparatePerProperty)
{
    resetPropertyTables();
    MasterTable(P::ISO).push_back({"100", 72, true});
    EXPECT_TRUE(CurrentTable(P::ISO).empty());
    EXPECT_TRUE(MasterTable(P::Av).empty());
    EXPECT_EQ(cameraPropertyBySdkId(1026)->property, P::ISO);
    EXPECT_EQ(cameraPropertyInfo(P::ISO).fileHeader, "[ISOPROP]");
    EXPECT_EQ(cameraPropertyBySdkId(8), nullptr);
    resetPropertyTables();
    EXPECT_TRUE(MasterTable(P::ISO).empty());
}

} // namespace
