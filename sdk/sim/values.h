#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace edsim {

using Codes = std::vector<int32_t>;

// Exposure scale of the body in its current mode dial position.
enum class Zone { Program, ShutterPriority, AperturePriority, Manual, Bulb, Basic };
Zone zoneOf(uint32_t aeMode);

// What the body offers for one property in a zone; empty when the property cannot be set.
Codes allowedValues(uint32_t property, Zone zone);

// Texts as the body's display shows them.
std::string tvText(uint32_t code);
std::string avText(uint32_t code);
std::string isoText(uint32_t code);
std::string aeText(uint32_t code);
std::string wbText(uint32_t code);
std::string exposureCompText(uint32_t code);

struct Fraction {
    int32_t num;
    int32_t den;
};

// Seconds of a timed Tv code, f-number of an Av code, exposure bias of a compensation code.
Fraction exposureTime(uint32_t tvCode);
Fraction fNumber(uint32_t avCode);
Fraction exposureBias(uint32_t compCode);
uint32_t isoSpeed(uint32_t isoCode); // the speed the body picks for Auto, too

// EXIF codes of the body's settings.
uint16_t exifExposureProgram(uint32_t aeMode);
uint16_t exifMeteringMode(uint32_t metering);
uint16_t exifWhiteBalance(uint32_t wb);

// Image quality: which files one picture makes.
bool qualityHasRaw(uint32_t quality);
bool qualityHasJpeg(uint32_t quality);

} // namespace edsim
