#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace edsim {

class Body;

// Everything the body knew at the moment of the release.
struct Shot {
    uint32_t frame = 0;        // pictures since the body was built, from 1
    uint32_t fileNumber = 0;   // the number in the file name
    std::time_t when = 0;
    uint32_t aeMode = 0, tv = 0, av = 0, iso = 0, wb = 0, compensation = 0, metering = 0, quality = 0;
    uint32_t bulbMs = 0;
    std::string prefix, model, owner, serial, firmware;
    uint32_t width = 0, height = 0;
    std::string pictureFile; // delivered as the JPEG when set
};

Shot snapshot(const Body& body, uint32_t frame, uint32_t fileNumber, uint32_t bulbMs);

// How long the shutter stays open.
uint32_t exposureMs(const Shot& shot);

struct PictureFile {
    std::string name;
    uint32_t format = 0;
    std::time_t when = 0;
    std::shared_ptr<const std::vector<unsigned char>> data;
    uint64_t hash = 0; // contentHash of data
};

// FNV-1a (64 bits) of the bytes: what the call log gives for each offered file.
uint64_t contentHash(const std::vector<unsigned char>& bytes);

// The files of one picture in the order the body offers them: RAW first. Empty when
// rendering failed.
std::vector<PictureFile> renderShot(const Shot& shot);

} // namespace edsim
