#include "fixtures.h"

#include "edsimage.h"

#include <QFile>

QByteArray renderedJpeg(const PictureSpec &spec)
{
    const char *lines[] = {"FIXTURE"};
    EdsImageSpec image{};
    image.width = spec.width;
    image.height = spec.height;
    image.frameNumber = 1;
    image.lines = lines;
    image.lineCount = 1;
    image.make = "Canon";
    image.model = spec.model;
    image.dateTime = "2026:03:14 15:09:26";
    image.orientation = spec.orientation;
    image.exposureNum = 1;
    image.exposureDen = 250;
    image.fNumberNum = 80;
    image.fNumberDen = 10;
    image.iso = 400;
    image.exposureProgram = 1;
    image.whiteBalance = 1;
    image.biasNum = -4;
    image.biasDen = 6;
    image.meteringMode = 3;
    image.ownerName = spec.owner;
    image.serialNumber = spec.serial;
    image.firmwareVersion[0] = 2;
    image.firmwareVersion[1] = 1;
    image.firmwareVersion[2] = 3;
    unsigned char *data = nullptr;
    size_t size = 0;
    if (EdsImageRenderJpeg(&image, &data, &size) != 0)
        return {};
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    EdsImageFree(data);
    return bytes;
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}
