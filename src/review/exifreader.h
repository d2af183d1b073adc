#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct TExifInfos;

// The metadata of one picture file, read through exiv2. Only JPEG files (".jpg", ".jpeg",
// ".jpe") and TIFF files (".tif", ".tiff", ".nef") are read, in any letter case; any other
// file, and any file exiv2 cannot make sense of, has no EXIF data. Nothing here throws.
class ExifReader
{
public:
    explicit ExifReader(const QString &path);
    // The same for bytes already read from a file of this name.
    ExifReader(const QString &fileName, const QByteArray &bytes);
    ~ExifReader();
    ExifReader(const ExifReader &) = delete;
    ExifReader &operator=(const ExifReader &) = delete;

    bool hasExif() const;
    QString make() const;
    QString model() const;
    // The display text of a tag by the names the picture list uses ("DateTime", "OwnerName",
    // "CameraSerialNumber", "Exposure Level", ...), ignoring case; empty when the file has
    // no such tag or the name is not one of them.
    QString tag(const QString &name) const;

private:
    void read(const QString &fileName, const QByteArray &bytes);

    struct Data;
    std::unique_ptr<Data> m_data;
};

// Fills `exif` from the file; leaves it untouched when the file has no EXIF data.
void ReadPictureExif(TExifInfos &exif, const QString &path);
