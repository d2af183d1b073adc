// The shipped value file: its form, the first filling by position, and that it knows
// every value the simulated body offers.
#include "simbody.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

struct Entry {
    std::string name;
    uint32_t id;
};

std::string readFile()
{
    std::ifstream in(TESSARO_DEFAULT_CPF, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Blocks in file order with their entries; fails the test on a malformed block.
std::vector<std::pair<std::string, std::vector<Entry>>> parse(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    std::vector<std::pair<std::string, std::vector<Entry>>> blocks;
    for (size_t i = 0; i < lines.size();) {
        std::pair<std::string, std::vector<Entry>> block{lines[i], {}};
        EXPECT_EQ(lines.at(i + 1), "Begin");
        i += 2;
        while (i < lines.size() && lines[i] != "End") {
            EXPECT_EQ(lines[i].rfind("Name=", 0), 0u) << lines[i];
            EXPECT_EQ(lines.at(i + 1).rfind("ID=", 0), 0u);
            EXPECT_EQ(lines.at(i + 2), "Enabled=True");
            block.second.push_back({lines[i].substr(5), static_cast<uint32_t>(std::stoul(lines[i + 1].substr(3)))});
            i += 3;
        }
        ++i;
        blocks.push_back(block);
    }
    return blocks;
}

std::map<std::string, std::vector<Entry>> tables()
{
    std::map<std::string, std::vector<Entry>> byName;
    for (auto& [header, entries] : parse(readFile()))
        byName[header] = entries;
    return byName;
}

TEST(DefaultCpf, HasTheTenBlocksInOrderWithTheCountsOfTheFirstFilling)
{
    const auto blocks = parse(readFile());
    const std::pair<const char*, size_t> expected[] = {
        {"[AEMODEPROP]", 17}, {"[AVPROP]", 54}, {"[TVPROP]", 75}, {"[ISOPROP]", 20},
        {"[WEISSABGLEICHPROP]", 9}, {"[AFMODEPROP]", 5}, {"[IMAGEQUALITYPROP]", 29}, {"[EXPCOMPPROP]", 34},
        {"[METERINGMODEPROP]", 5}, {"[DRIVEMODEPROP]", 9},
    };
    ASSERT_EQ(blocks.size(), std::size(expected));
    for (size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].first, expected[i].first);
        EXPECT_GE(blocks[i].second.size(), expected[i].second) << expected[i].first;
        std::set<uint32_t> codes;
        for (const Entry& e : blocks[i].second)
            EXPECT_TRUE(codes.insert(e.id).second) << expected[i].first << " repeats " << e.id;
    }
}

TEST(DefaultCpf, SelectionsByPositionLandOnSensibleEntries)
{
    auto t = tables();
    EXPECT_EQ(t["[TVPROP]"].at(0).name, "Bulb") << "always offered first";
    EXPECT_EQ(t["[TVPROP]"].at(0).id, kEdsTv_Bulb);
    const auto& comp = t["[EXPCOMPPROP]"];
    EXPECT_EQ(comp.at(17).name, "0");
    EXPECT_EQ(comp.at(17).id, 0u);
    // An evenly spaced bracketing of two stops either side.
    EXPECT_EQ(comp.at(8).name, "-2 1/3");
    EXPECT_EQ(comp.at(16).name, "- 1/3");
    EXPECT_EQ(comp.at(24).name, "+1 2/3");
    // The texts of the default bracketing exist.
    for (const char* text : {"-2", "0", "+2"})
        EXPECT_TRUE(std::any_of(comp.begin(), comp.begin() + 34, [&](const Entry& e) { return e.name == text; }));
    // Before the camera reports, the other lists show "no value".
    const std::pair<const char*, size_t> lastOfFirstFilling[] = {
        {"[AEMODEPROP]", 16}, {"[AVPROP]", 53}, {"[TVPROP]", 74}, {"[ISOPROP]", 19}, {"[WEISSABGLEICHPROP]", 8},
        {"[AFMODEPROP]", 4}, {"[IMAGEQUALITYPROP]", 28}, {"[METERINGMODEPROP]", 4}, {"[DRIVEMODEPROP]", 8},
    };
    for (const auto& [block, index] : lastOfFirstFilling)
        EXPECT_EQ(t[block].at(index).id, 0xFFFFFFFFu) << block;
}

TEST(DefaultCpf, KnowsEveryValueTheSimulatedBodyOffers)
{
    auto t = tables();
    const std::pair<EdsPropertyID, const char*> blocks[] = {
        {kEdsPropID_AEMode, "[AEMODEPROP]"}, {kEdsPropID_Av, "[AVPROP]"}, {kEdsPropID_Tv, "[TVPROP]"},
        {kEdsPropID_ISOSpeed, "[ISOPROP]"}, {kEdsPropID_WhiteBalance, "[WEISSABGLEICHPROP]"},
        {kEdsPropID_AFMode, "[AFMODEPROP]"}, {kEdsPropID_ImageQuality, "[IMAGEQUALITYPROP]"},
        {kEdsPropID_ExposureCompensation, "[EXPCOMPPROP]"}, {kEdsPropID_MeteringMode, "[METERINGMODEPROP]"},
        {kEdsPropID_DriveMode, "[DRIVEMODEPROP]"},
    };
    ASSERT_EQ(EdsSimConfigure("modedial=3"), EDS_ERR_OK);
    simtest::Connection c;
    for (EdsUInt32 dial : {0u, 1u, 2u, 3u, 4u, 9u, 19u, 22u}) {
        ASSERT_EQ(EdsSimSetModeDial(dial), EDS_ERR_OK);
        for (const auto& [property, block] : blocks) {
            const auto& entries = t[block];
            for (EdsInt32 code : c.allowed(property))
                EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                                        [&](const Entry& e) { return e.id == static_cast<uint32_t>(code); }))
                    << block << " lacks " << code << " (dial " << dial << ")";
        }
    }
}

} // namespace
