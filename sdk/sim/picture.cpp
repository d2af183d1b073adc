#include "picture.h"

#include "body.h"
#include "values.h"

#include "edsdk.h"
#include "edsimage.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace edsim {

namespace {

std::string fileName(const Shot& shot, const char* extension)
{
    char number[8];
    std::snprintf(number, sizeof number, "%04u", shot.fileNumber);
    return shot.prefix + number + extension;
}

std::string localTime(std::time_t when, const char* format)
{
    std::tm tm{};
    localtime_r(&when, &tm);
    char text[32];
    std::strftime(text, sizeof text, format, &tm);
    return text;
}

using Data = std::shared_ptr<const std::vector<unsigned char>>;

Data render(const EdsImageSpec& spec, const Data& preview)
{
    unsigned char* bytes = nullptr;
    size_t size = 0;
    const int result = preview ? EdsImageRenderRaw(&spec, preview->data(), preview->size(), &bytes, &size)
                               : EdsImageRenderJpeg(&spec, &bytes, &size);
    if (result != 0)
        return nullptr;
    auto data = std::make_shared<const std::vector<unsigned char>>(bytes, bytes + size);
    EdsImageFree(bytes);
    return data;
}

bool isJpegName(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".jpg" || ext == ".jpeg" || ext == ".jpe";
}

// The file a frame delivers: the given file, or the folder's JPEGs by name, in turn.
std::string pictureFileOf(const std::string& source, uint32_t frame)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (source.empty() || !fs::is_directory(source, ec))
        return source;
    std::vector<std::string> jpegs;
    for (const fs::directory_entry& entry : fs::directory_iterator(source, ec)) {
        if (entry.is_regular_file(ec) && isJpegName(entry.path()))
            jpegs.push_back(entry.path().string());
    }
    if (jpegs.empty())
        return {};
    std::sort(jpegs.begin(), jpegs.end());
    return jpegs[(frame - 1) % jpegs.size()];
}

Data readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return nullptr;
    auto data = std::make_shared<std::vector<unsigned char>>(std::istreambuf_iterator<char>(in),
                                                             std::istreambuf_iterator<char>());
    return data->empty() ? nullptr : data;
}

} // namespace

Shot snapshot(const Body& body, uint32_t frame, uint32_t fileNumber, uint32_t bulbMs)
{
    const Config& c = body.config();
    Shot s;
    s.frame = frame;
    s.fileNumber = fileNumber;
    s.when = std::time(nullptr);
    s.aeMode = body.value(kEdsPropID_AEMode);
    s.tv = body.value(kEdsPropID_Tv);
    s.av = body.value(kEdsPropID_Av);
    s.iso = body.value(kEdsPropID_ISOSpeed);
    s.wb = body.value(kEdsPropID_WhiteBalance);
    s.compensation = body.value(kEdsPropID_ExposureCompensation);
    s.metering = body.value(kEdsPropID_MeteringMode);
    s.quality = body.value(kEdsPropID_ImageQuality);
    s.bulbMs = bulbMs;
    s.prefix = c.prefix;
    s.model = c.model;
    s.owner = body.text(kEdsPropID_OwnerName);
    s.serial = c.serial;
    s.firmware = c.firmware;
    s.width = c.width;
    s.height = c.height;
    if (!c.pictureFile.empty()) {
        s.pictureFile = pictureFileOf(c.pictureFile, frame);
        // A folder without JPEGs gives no picture rather than a rendered one.
        if (s.pictureFile.empty())
            s.pictureFile = c.pictureFile;
    }
    return s;
}

uint32_t exposureMs(const Shot& shot)
{
    if (shot.tv == kEdsTv_Bulb)
        return shot.bulbMs;
    const Fraction t = exposureTime(shot.tv);
    return static_cast<uint32_t>(1000LL * t.num / t.den);
}

uint64_t contentHash(const std::vector<unsigned char>& bytes)
{
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char byte : bytes)
        hash = (hash ^ byte) * 1099511628211ull;
    return hash;
}

std::vector<PictureFile> renderShot(const Shot& shot)
{
    const std::string jpegName = fileName(shot, ".JPG");
    const std::string rawName = fileName(shot, ".CR2");
    const bool bulb = shot.tv == kEdsTv_Bulb;
    const std::string timeText = bulb ? "BULB " + std::to_string(shot.bulbMs / 1000.0).substr(0, 5) + "S"
                                      : tvText(shot.tv);
    const std::string lines[] = {
        (qualityHasJpeg(shot.quality) ? jpegName : rawName) + "  FRAME " + std::to_string(shot.frame),
        localTime(shot.when, "%Y-%m-%d %H:%M:%S"),
        aeText(shot.aeMode) + "  TV " + timeText + "  F" + avText(shot.av),
        "ISO " + isoText(shot.iso) + "  EC " + exposureCompText(shot.compensation) + "  WB " + wbText(shot.wb),
        shot.model,
    };
    const char* linePointers[std::size(lines)];
    for (size_t i = 0; i < std::size(lines); ++i)
        linePointers[i] = lines[i].c_str();

    const std::string dateTime = localTime(shot.when, "%Y:%m:%d %H:%M:%S");
    const Fraction time = bulb ? Fraction{static_cast<int32_t>(shot.bulbMs), 1000} : exposureTime(shot.tv);
    const Fraction f = fNumber(shot.av);
    const Fraction bias = exposureBias(shot.compensation);
    EdsImageSpec spec{};
    spec.width = shot.width;
    spec.height = shot.height;
    spec.frameNumber = shot.frame;
    spec.lines = linePointers;
    spec.lineCount = static_cast<uint32_t>(std::size(lines));
    spec.make = "Canon";
    spec.model = shot.model.c_str();
    spec.dateTime = dateTime.c_str();
    spec.orientation = 1;
    spec.exposureNum = static_cast<uint32_t>(time.num);
    spec.exposureDen = static_cast<uint32_t>(time.den);
    spec.fNumberNum = static_cast<uint32_t>(f.num);
    spec.fNumberDen = static_cast<uint32_t>(f.den);
    spec.iso = isoSpeed(shot.iso);
    spec.exposureProgram = exifExposureProgram(shot.aeMode);
    spec.whiteBalance = exifWhiteBalance(shot.wb);
    spec.biasNum = bias.num;
    spec.biasDen = bias.den;
    spec.meteringMode = exifMeteringMode(shot.metering);
    spec.ownerName = shot.owner.c_str();
    spec.serialNumber = shot.serial.c_str();
    unsigned version[3] = {0, 0, 0};
    std::sscanf(shot.firmware.c_str(), "%u.%u.%u", &version[0], &version[1], &version[2]);
    for (int i = 0; i < 3; ++i)
        spec.firmwareVersion[i] = version[i];

    // The JPEG is also the preview inside the RAW file.
    const Data jpeg = shot.pictureFile.empty() ? render(spec, nullptr) : readFile(shot.pictureFile);
    if (!jpeg)
        return {};
    std::vector<PictureFile> files;
    if (qualityHasRaw(shot.quality)) {
        const Data raw = render(spec, jpeg);
        if (!raw)
            return {};
        files.push_back({rawName, kEdsObjectFormat_CR2, shot.when, raw, contentHash(*raw)});
    }
    if (qualityHasJpeg(shot.quality))
        files.push_back({jpegName, kEdsObjectFormat_Jpeg, shot.when, jpeg, contentHash(*jpeg)});
    return files;
}

} // namespace edsim
