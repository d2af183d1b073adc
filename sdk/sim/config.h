#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace edsim {

// How the body is built. Read from "key=value" pairs: the INI file beside the library,
// then the TESSARO_SIM environment variable ("key=value;key=value"), then the test call.
struct Config {
    bool camera = true;
    bool legacy = false;
    std::string model = "Canon EOS 5D Mark II";
    std::string owner = "Tessaro";
    std::string serial = "1230456789";
    std::string firmware = "1.0.7";
    uint32_t width = 640;
    uint32_t height = 426;
    uint32_t quality = 0x0013FF0F;     // JPEG large fine
    uint32_t modeDial = 3;             // M
    uint32_t battery = 80;
    uint64_t downloadSpeed = 35000000; // bytes a second, about what USB 2.0 carries; 0: no limit
    uint32_t processingMs = 150;
    uint32_t bulbMs = 1000;
    std::string prefix = "IMG_";
    uint32_t firstNumber = 1;
    // Delivered unchanged instead of a rendered JPEG: one file, or a folder whose JPEGs
    // are taken in turn. Empty: the body renders its pictures.
    std::string pictureFile;
    // Faults: the releases or pictures they hit, counted from 1 ("3" or "3,17,250"); 0 is none.
    std::set<uint32_t> busyOnRelease;
    std::set<uint32_t> failDownload;
    std::set<uint32_t> lostPicture;
    std::set<uint32_t> failWrite;
    uint32_t disconnectAfter = 0;
};

// Applies one pair; false for an unknown key or a value it cannot take.
bool applySetting(Config& config, const std::string& key, const std::string& value);

// Applies "key=value" pairs separated by ';' or line ends; INI section lines and
// comments (';' or '#' at the start of a line) are skipped. Reports the first bad pair.
bool applySettings(Config& config, const std::string& text, std::string* badPair = nullptr);

// File beside the library, then the environment.
Config loadConfig();

} // namespace edsim
