#include "edsimage.h"
#include "font.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <exiv2/exiv2.hpp>

namespace {

using Bytes = std::vector<unsigned char>;

struct TextLayout {
    int scale = 1;
    int margin = 0;
    int lineHeight = 0;
    int boxWidth = 0;
    int boxHeight = 0;
};

TextLayout layoutText(const EdsImageSpec& spec)
{
    constexpr int kColumns = 40; // characters that must fit across the picture
    TextLayout t;
    t.scale = std::max(1, std::min(static_cast<int>(spec.height) / 100,
                                   static_cast<int>(spec.width) / ((edsimage::kGlyphWidth + 1) * kColumns)));
    t.margin = 4 * t.scale;
    t.lineHeight = (edsimage::kGlyphHeight + 3) * t.scale;
    size_t longest = 0;
    for (uint32_t i = 0; i < spec.lineCount; ++i)
        longest = std::max(longest, std::strlen(spec.lines[i]));
    t.boxWidth = static_cast<int>(longest) * (edsimage::kGlyphWidth + 1) * t.scale + 2 * t.margin;
    t.boxHeight = static_cast<int>(spec.lineCount) * t.lineHeight + 2 * t.margin;
    return t;
}

// One scanline of the picture: a gradient tinted by the frame number, with the text
// block drawn white on a dark box in the upper left corner.
void renderRow(const EdsImageSpec& spec, const TextLayout& t, int y, unsigned char* row)
{
    const int w = static_cast<int>(spec.width);
    const int h = static_cast<int>(spec.height);
    const unsigned char blue = static_cast<unsigned char>(32 + (spec.frameNumber * 53) % 192);
    const unsigned char green = static_cast<unsigned char>(48 + 160 * y / std::max(1, h - 1));
    // Grain, as a sensor has: it also gives the JPEG a realistic size.
    uint32_t grain = 2166136261u ^ static_cast<uint32_t>(y) * 16777619u ^ spec.frameNumber;
    for (int x = 0; x < w; ++x) {
        grain = grain * 1664525u + 1013904223u;
        const int noise = static_cast<int>(grain >> 27) - 16;
        unsigned char* px = row + 3 * x;
        px[0] = static_cast<unsigned char>(48 + 160 * x / std::max(1, w - 1) + noise);
        px[1] = static_cast<unsigned char>(green + noise);
        px[2] = static_cast<unsigned char>(blue + noise);
    }
    if (y >= t.boxHeight)
        return;
    const int boxRight = std::min(w, t.boxWidth);
    std::memset(row, 24, 3 * static_cast<size_t>(boxRight));
    const int inner = y - t.margin;
    if (inner < 0)
        return;
    const uint32_t line = static_cast<uint32_t>(inner / t.lineHeight);
    const int glyphRow = (inner % t.lineHeight) / t.scale;
    if (line >= spec.lineCount || glyphRow >= edsimage::kGlyphHeight)
        return;
    const char* text = spec.lines[line];
    const int advance = (edsimage::kGlyphWidth + 1) * t.scale;
    for (int c = 0; text[c] != '\0'; ++c) {
        const uint8_t bits = edsimage::glyph(text[c])[static_cast<size_t>(glyphRow)];
        for (int col = 0; col < edsimage::kGlyphWidth; ++col) {
            if (!(bits & (0x10 >> col)))
                continue;
            const int x0 = t.margin + c * advance + col * t.scale;
            for (int x = x0; x < std::min(boxRight, x0 + t.scale); ++x)
                std::memset(row + 3 * x, 240, 3);
        }
    }
}

bool encodeJpeg(const EdsImageSpec& spec, Bytes& out)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    // The default error exit ends the process; the sizes given here are checked before.
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long memSize = 0;
    jpeg_mem_dest(&cinfo, &mem, &memSize);
    cinfo.image_width = spec.width;
    cinfo.image_height = spec.height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const TextLayout layout = layoutText(spec);
    std::vector<unsigned char> row(3 * static_cast<size_t>(spec.width));
    while (cinfo.next_scanline < cinfo.image_height) {
        renderRow(spec, layout, static_cast<int>(cinfo.next_scanline), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    out.assign(mem, mem + memSize);
    std::free(mem);
    return true;
}

std::string text(const char* s)
{
    return s ? s : "";
}

bool addMetadata(const EdsImageSpec& spec, Bytes& jpeg)
{
    try {
        auto image = Exiv2::ImageFactory::open(jpeg.data(), static_cast<long>(jpeg.size()));
        image->readMetadata();
        Exiv2::ExifData& exif = image->exifData();
        exif["Exif.Image.Make"] = text(spec.make);
        exif["Exif.Image.Model"] = text(spec.model);
        exif["Exif.Image.Orientation"] = static_cast<uint16_t>(spec.orientation);
        exif["Exif.Image.DateTime"] = text(spec.dateTime);
        exif["Exif.Photo.DateTimeOriginal"] = text(spec.dateTime);
        exif["Exif.Photo.ExposureTime"] = Exiv2::URational(spec.exposureNum, spec.exposureDen);
        exif["Exif.Photo.FNumber"] = Exiv2::URational(spec.fNumberNum, spec.fNumberDen);
        const double apex = 2.0 * std::log2(static_cast<double>(spec.fNumberNum) / spec.fNumberDen);
        exif["Exif.Photo.ApertureValue"] = Exiv2::URational(static_cast<uint32_t>(std::lround(apex * 100)), 100);
        exif["Exif.Photo.ISOSpeedRatings"] = static_cast<uint16_t>(spec.iso);
        exif["Exif.Photo.ExposureProgram"] = static_cast<uint16_t>(spec.exposureProgram);
        exif["Exif.Photo.WhiteBalance"] = static_cast<uint16_t>(spec.whiteBalance);
        exif["Exif.Photo.ExposureBiasValue"] = Exiv2::Rational(spec.biasNum, spec.biasDen);
        exif["Exif.Photo.MeteringMode"] = static_cast<uint16_t>(spec.meteringMode);
        exif["Exif.Photo.PixelXDimension"] = spec.width;
        exif["Exif.Photo.PixelYDimension"] = spec.height;
        exif["Exif.Canon.OwnerName"] = text(spec.ownerName);
        exif["Exif.Canon.SerialNumber"] = static_cast<uint32_t>(std::strtoul(text(spec.serialNumber).c_str(), nullptr, 10));
        char firmware[64];
        std::snprintf(firmware, sizeof firmware, "Firmware Version %u.%u.%u", spec.firmwareVersion[0],
                      spec.firmwareVersion[1], spec.firmwareVersion[2]);
        exif["Exif.Canon.FirmwareVersion"] = std::string(firmware);
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        Exiv2::DataBuf buf = io.read(static_cast<long>(io.size()));
        jpeg.assign(buf.pData_, buf.pData_ + buf.size_);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool validSpec(const EdsImageSpec* spec)
{
    return spec && spec->width > 0 && spec->height > 0 && spec->width <= 20000 && spec->height <= 20000
        && spec->exposureDen > 0 && spec->fNumberDen > 0 && spec->fNumberNum > 0 && spec->biasDen != 0
        && (spec->lineCount == 0 || spec->lines);
}

int handOver(const Bytes& bytes, unsigned char** outData, size_t* outSize)
{
    auto* mem = static_cast<unsigned char*>(std::malloc(bytes.size()));
    if (!mem)
        return 3;
    std::memcpy(mem, bytes.data(), bytes.size());
    *outData = mem;
    *outSize = bytes.size();
    return 0;
}

bool renderJpeg(const EdsImageSpec& spec, Bytes& jpeg)
{
    return encodeJpeg(spec, jpeg) && addMetadata(spec, jpeg);
}

void appendLe32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

} // namespace

extern "C" {

int EdsImageRenderJpeg(const EdsImageSpec* spec, unsigned char** outData, size_t* outSize)
{
    if (!validSpec(spec) || !outData || !outSize)
        return 1;
    Bytes jpeg;
    if (!renderJpeg(*spec, jpeg))
        return 2;
    return handOver(jpeg, outData, outSize);
}

int EdsImageRenderRaw(const EdsImageSpec* spec, const unsigned char* preview, size_t previewSize,
                      unsigned char** outData, size_t* outSize)
{
    if (!validSpec(spec) || !outData || !outSize)
        return 1;
    Bytes rendered;
    if (!preview) {
        if (!renderJpeg(*spec, rendered))
            return 2;
        preview = rendered.data();
        previewSize = rendered.size();
    }
    // Little-endian TIFF header, first IFD offset, then the "CR" mark and version 2.0.
    Bytes raw = {'I', 'I', 42, 0};
    appendLe32(raw, 16);
    raw.insert(raw.end(), {'C', 'R', 2, 0});
    appendLe32(raw, 0);
    raw.insert(raw.end(), preview, preview + previewSize);
    // About 8.5 bits a pixel, as a losslessly packed 14-bit sensor would give.
    const size_t sensorBytes = static_cast<size_t>(spec->width) * spec->height * 17 / 16;
    raw.resize(raw.size() + sensorBytes);
    uint32_t state = 0x9E3779B9u ^ spec->frameNumber;
    for (size_t i = raw.size() - sensorBytes; i < raw.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        raw[i] = static_cast<unsigned char>(state >> 24);
    }
    return handOver(raw, outData, outSize);
}

void EdsImageFree(unsigned char* data)
{
    std::free(data);
}

} // extern "C"
