#include "values.h"

#include "edsdk.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

namespace edsim {

namespace {

struct Named {
    uint32_t code;
    const char* text;
};

constexpr Named kTv[] = {
    {12, "Bulb"}, {16, "30\""}, {19, "25\""}, {20, "20\""}, {21, "20\""}, {24, "15\""}, {27, "13\""},
    {28, "10\""}, {29, "10\""}, {32, "8\""}, {35, "6\""}, {36, "6\""}, {37, "5\""}, {40, "4\""},
    {43, "3\"2"}, {44, "3\""}, {45, "2\"5"}, {48, "2\""}, {51, "1\"6"}, {52, "1\"5"}, {53, "1\"3"},
    {56, "1\""}, {59, "0\"8"}, {60, "0\"7"}, {61, "0\"6"}, {64, "0\"5"}, {67, "0\"4"}, {68, "0\"3"},
    {69, "0\"3"}, {72, "1/4"}, {75, "1/5"}, {76, "1/6"}, {77, "1/6"}, {80, "1/8"}, {83, "1/10"},
    {84, "1/10"}, {85, "1/13"}, {88, "1/15"}, {91, "1/20"}, {92, "1/20"}, {93, "1/25"}, {96, "1/30"},
    {99, "1/40"}, {100, "1/45"}, {101, "1/50"}, {104, "1/60"}, {107, "1/80"}, {108, "1/90"},
    {109, "1/100"}, {112, "1/125"}, {115, "1/160"}, {116, "1/180"}, {117, "1/200"}, {120, "1/250"},
    {123, "1/320"}, {124, "1/350"}, {125, "1/400"}, {128, "1/500"}, {131, "1/640"}, {132, "1/750"},
    {133, "1/800"}, {136, "1/1000"}, {139, "1/1250"}, {140, "1/1500"}, {141, "1/1600"},
    {144, "1/2000"}, {147, "1/2500"}, {148, "1/3000"}, {149, "1/3200"}, {152, "1/4000"},
    {155, "1/5000"}, {156, "1/6000"}, {157, "1/6400"}, {160, "1/8000"},
};

constexpr Named kAv[] = {
    {8, "1"}, {11, "1.1"}, {12, "1.2"}, {13, "1.2"}, {16, "1.4"}, {19, "1.6"}, {20, "1.8"},
    {21, "1.8"}, {24, "2"}, {27, "2.2"}, {28, "2.5"}, {29, "2.5"}, {32, "2.8"}, {35, "3.2"},
    {36, "3.5"}, {37, "3.5"}, {40, "4"}, {43, "4.5"}, {44, "4.5"}, {45, "5.0"}, {48, "5.6"},
    {51, "6.3"}, {52, "6.7"}, {53, "7.1"}, {56, "8"}, {59, "9"}, {60, "9.5"}, {61, "10"},
    {64, "11"}, {67, "13"}, {68, "13"}, {69, "14"}, {72, "16"}, {75, "18"}, {76, "19"},
    {77, "20"}, {80, "22"}, {83, "25"}, {84, "27"}, {85, "29"}, {88, "32"}, {91, "36"},
    {92, "38"}, {93, "40"}, {96, "45"}, {99, "51"}, {100, "54"}, {101, "57"}, {104, "64"},
    {107, "72"}, {108, "76"}, {109, "80"}, {112, "91"},
};

constexpr Named kIso[] = {
    {0, "Auto"}, {72, "100"}, {75, "125"}, {77, "160"}, {80, "200"}, {83, "250"}, {85, "320"},
    {88, "400"}, {91, "500"}, {93, "640"}, {96, "800"}, {99, "1000"}, {101, "1250"},
    {104, "1600"}, {107, "2000"}, {109, "2500"}, {112, "3200"}, {115, "4000"}, {117, "5000"},
    {120, "6400"}, {128, "12800"},
};

constexpr Named kAe[] = {
    {0, "P"}, {1, "Tv"}, {2, "Av"}, {3, "M"}, {4, "Bulb"}, {5, "A-DEP"}, {6, "DEP"},
    {7, "Custom"}, {8, "Lock"}, {9, "Auto"}, {10, "Night Portrait"}, {11, "Sports"},
    {12, "Portrait"}, {13, "Landscape"}, {14, "Close-up"}, {15, "Flash Off"},
    {19, "Creative Auto"}, {22, "Scene Intelligent Auto"},
};

constexpr Named kWb[] = {
    {0, "Auto"}, {1, "Daylight"}, {8, "Shade"}, {2, "Cloudy"}, {3, "Tungsten"},
    {4, "Fluorescent"}, {5, "Flash"}, {6, "Custom"}, {9, "Color Temperature"},
};

template <size_t N>
const char* lookup(const Named (&table)[N], uint32_t code)
{
    auto it = std::find_if(std::begin(table), std::end(table), [code](const Named& n) { return n.code == code; });
    return it != std::end(table) ? it->text : nullptr;
}

template <size_t N>
std::string textOf(const Named (&table)[N], uint32_t code)
{
    const char* text = lookup(table, code);
    return text ? std::string(text) : std::string("?").append(std::to_string(code));
}

template <size_t N>
Codes codesOf(const Named (&table)[N], uint32_t from, uint32_t to)
{
    Codes codes;
    for (const Named& n : table)
        if (n.code >= from && n.code <= to)
            codes.push_back(static_cast<int32_t>(n.code));
    return codes;
}

// One stop is 8 units; a body set to third stops offers the codes 0, 3 and 5 of each stop.
Codes thirdStops(uint32_t from, uint32_t to)
{
    Codes codes;
    for (uint32_t c = from; c <= to; ++c)
        if (c % 8 == 0 || c % 8 == 3 || c % 8 == 5)
            codes.push_back(static_cast<int32_t>(c));
    return codes;
}

Codes exposureCompCodes()
{
    Codes codes;
    for (int32_t eighths : thirdStops(0, 24))
        codes.insert(codes.begin(), eighths);
    for (int32_t eighths : thirdStops(3, 24))
        codes.push_back(256 - eighths); // negative values are a two's complement byte
    return codes;
}

const std::map<uint32_t, Codes>& fullLists()
{
    static const std::map<uint32_t, Codes> lists = {
        {kEdsPropID_Av, thirdStops(32, 80)},   // f/2.8 to f/22
        {kEdsPropID_Tv, thirdStops(16, 160)},  // 30" to 1/8000
        {kEdsPropID_ISOSpeed, [] { Codes c = thirdStops(72, 120); c.insert(c.begin(), 0); c.push_back(128); return c; }()},
        {kEdsPropID_WhiteBalance, codesOf(kWb, 0, 9)},
        {kEdsPropID_MeteringMode, {3, 4, 1, 5}},
        {kEdsPropID_AFMode, {0, 1, 2, 3}},
        {kEdsPropID_DriveMode, {0, 1, 4, 16, 17}},
        {kEdsPropID_ExposureCompensation, exposureCompCodes()},
        {kEdsPropID_ImageQuality,
         {0x0013FF0F, 0x0012FF0F, 0x0113FF0F, 0x0112FF0F, 0x0E13FF0F, 0x0E12FF0F, 0x0F13FF0F,
          0x1013FF0F, 0x0064FF0F, 0x00640013, 0x0164FF0F, 0x0264FF0F}},
    };
    return lists;
}

// In the basic zone the body decides these itself.
const std::map<uint32_t, int32_t>& basicZoneFixed()
{
    static const std::map<uint32_t, int32_t> fixed = {
        {kEdsPropID_ISOSpeed, 0},
        {kEdsPropID_WhiteBalance, 0},
        {kEdsPropID_MeteringMode, 3},
        {kEdsPropID_AFMode, 2},
    };
    return fixed;
}

bool offersAv(Zone z)
{
    return z == Zone::AperturePriority || z == Zone::Manual || z == Zone::Bulb;
}

bool offersTv(Zone z)
{
    return z == Zone::ShutterPriority || z == Zone::Manual;
}

bool offersCompensation(Zone z)
{
    return z == Zone::Program || z == Zone::ShutterPriority || z == Zone::AperturePriority || z == Zone::Manual;
}

// "1/125", "30\"", "0\"5", "1\"6" as a fraction of seconds.
Fraction parseTime(const std::string& text)
{
    const auto slash = text.find('/');
    if (slash != std::string::npos)
        return {std::atoi(text.c_str()), std::atoi(text.c_str() + slash + 1)};
    const auto mark = text.find('"');
    const int whole = std::atoi(text.c_str());
    if (mark == std::string::npos || mark + 1 >= text.size())
        return {whole, 1};
    return {whole * 10 + std::atoi(text.c_str() + mark + 1), 10};
}

} // namespace

Zone zoneOf(uint32_t aeMode)
{
    switch (aeMode) {
    case 0: case 5: case 6: case 7: case 8: return Zone::Program;
    case 1: return Zone::ShutterPriority;
    case 2: return Zone::AperturePriority;
    case 3: return Zone::Manual;
    case 4: return Zone::Bulb;
    default: return Zone::Basic;
    }
}

Codes allowedValues(uint32_t property, Zone zone)
{
    if (property == kEdsPropID_Tv && zone == Zone::Bulb)
        return {static_cast<int32_t>(kEdsTv_Bulb)};
    if ((property == kEdsPropID_Tv && !offersTv(zone)) || (property == kEdsPropID_Av && !offersAv(zone))
        || (property == kEdsPropID_ExposureCompensation && !offersCompensation(zone)))
        return {};
    if (zone == Zone::Basic) {
        auto fixed = basicZoneFixed().find(property);
        if (fixed != basicZoneFixed().end())
            return {fixed->second};
    }
    auto it = fullLists().find(property);
    return it != fullLists().end() ? it->second : Codes{};
}

std::string tvText(uint32_t code) { return textOf(kTv, code); }
std::string avText(uint32_t code) { return textOf(kAv, code); }
std::string isoText(uint32_t code) { return textOf(kIso, code); }
std::string aeText(uint32_t code) { return textOf(kAe, code); }
std::string wbText(uint32_t code) { return textOf(kWb, code); }

std::string exposureCompText(uint32_t code)
{
    const auto eighths = static_cast<int8_t>(code & 0xFF);
    if (eighths == 0)
        return "0";
    const int magnitude = std::abs(eighths);
    static const char* const kFractions[] = {"", "", "", "1/3", "1/2", "2/3", "", ""};
    std::string text = eighths < 0 ? "-" : "+";
    if (magnitude / 8 > 0)
        text += std::to_string(magnitude / 8);
    if (magnitude % 8 != 0)
        text.append(" ").append(kFractions[magnitude % 8]);
    return text;
}

Fraction exposureTime(uint32_t tvCode)
{
    const char* text = lookup(kTv, tvCode);
    if (!text || tvCode == kEdsTv_Bulb)
        return {1, 60};
    return parseTime(text);
}

Fraction fNumber(uint32_t avCode)
{
    const char* text = lookup(kAv, avCode);
    if (!text)
        return {56, 10};
    return {static_cast<int32_t>(std::lround(std::atof(text) * 10)), 10};
}

Fraction exposureBias(uint32_t compCode)
{
    const auto eighths = static_cast<int8_t>(compCode & 0xFF);
    const int magnitude = std::abs(eighths);
    // Sixths hold both third and half stops exactly.
    static const int kSixths[] = {0, 0, 0, 2, 3, 4, 0, 0};
    const int sixths = (magnitude / 8) * 6 + kSixths[magnitude % 8];
    return {eighths < 0 ? -sixths : sixths, 6};
}

uint32_t isoSpeed(uint32_t isoCode)
{
    const char* text = lookup(kIso, isoCode);
    if (!text || isoCode == 0)
        return 400;
    return static_cast<uint32_t>(std::atoi(text));
}

uint16_t exifExposureProgram(uint32_t aeMode)
{
    switch (zoneOf(aeMode)) {
    case Zone::Manual: case Zone::Bulb: return 1;
    case Zone::AperturePriority: return 3;
    case Zone::ShutterPriority: return 4;
    case Zone::Basic: return 2;
    case Zone::Program: return 2;
    }
    return 0;
}

uint16_t exifMeteringMode(uint32_t metering)
{
    switch (metering) {
    case 1: return 3; // spot
    case 3: return 5; // evaluative: pattern
    case 4: return 6; // partial
    case 5: return 2; // centre-weighted average
    default: return 0;
    }
}

uint16_t exifWhiteBalance(uint32_t wb)
{
    return wb == 0 || wb == 23 ? 0 : 1;
}

namespace {
bool halfHasFormat(uint32_t half, uint32_t format)
{
    return half != 0xFF0F && ((half >> 4) & 0xF) == format;
}
} // namespace

bool qualityHasRaw(uint32_t quality)
{
    return halfHasFormat(quality >> 16, 6) || halfHasFormat(quality & 0xFFFF, 6);
}

bool qualityHasJpeg(uint32_t quality)
{
    return halfHasFormat(quality >> 16, 1) || halfHasFormat(quality & 0xFFFF, 1);
}

} // namespace edsim
