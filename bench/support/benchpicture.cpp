#include "benchpicture.h"

#include "edsimage.h"

QByteArray render24mp(uint32_t frame)
{
    const char *lines[] = {"BENCH 6000x4000", "1/250  F8  ISO 400"};
    EdsImageSpec spec{};
    spec.width = 6000;
    spec.height = 4000;
    spec.frameNumber = frame;
    spec.lines = lines;
    spec.lineCount = 2;
    spec.make = "Canon";
    spec.model = "Canon EOS 5D Mark II";
    spec.dateTime = "2026:03:14 15:09:26";
    spec.orientation = 1;
    spec.exposureNum = 1;
    spec.exposureDen = 250;
    spec.fNumberNum = 8;
    spec.fNumberDen = 1;
    spec.iso = 400;
    spec.biasDen = 3;
    spec.ownerName = "Bench";
    spec.serialNumber = "1230456789";
    unsigned char *data = nullptr;
    size_t size = 0;
    if (EdsImageRenderJpeg(&spec, &data, &size) != 0)
        return {};
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    EdsImageFree(data);
    return bytes;
}
