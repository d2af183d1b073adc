#include "review/jpegdecoder.h"

#include <QBuffer>
#include <QImageReader>

bool isCompleteJpeg(const QByteArray &bytes)
{
    if (!bytes.startsWith("\xFF\xD8\xFF"))
        return false;
    qsizetype end = bytes.size();
    while (end > 4 && (bytes[end - 1] == '\0' || bytes[end - 1] == '\xFF'))
        --end;
    return end > 4 && bytes[end - 2] == '\xFF' && bytes[end - 1] == '\xD9';
}

Result<QImage> decodeJpegScaled(const QByteArray &bytes, const QSize &size)
{
    if (!isCompleteJpeg(bytes))
        return Failure{QStringLiteral("keine vollständige JPEG-Datei")};
    QByteArray data = bytes; // shares, never copies
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    // Qt's JPEG reader replaces libjpeg's error exit, which would end the program.
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(false);
    if (size.isValid() && !size.isEmpty())
        reader.setScaledSize(size);
    QImage image = reader.read();
    if (image.isNull())
        return Failure{reader.errorString()};
    if (size.isValid() && !size.isEmpty() && image.size() != size)
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}
