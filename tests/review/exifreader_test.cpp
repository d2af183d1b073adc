// EXIF values of received pictures as the picture list and the EXIF window carry them.
#include "fixtures.h"

#include "camera/madeimages.h"
#include "review/exifreader.h"

#include <QTemporaryDir>

#include <exiv2/exiv2.hpp>

#include <gtest/gtest.h>

namespace {

TExifInfos exifOf(const QString &path)
{
    TExifInfos exif;
    ReadPictureExif(exif, path);
    return exif;
}

TEST(PictureExif, ValuesReadAsThePhotographerSeesThem)
{
    QTemporaryDir dir;
    const TExifInfos exif = exifOf(writeFile(dir.filePath("IMG0001.JPG"), renderedJpeg()));
    const std::pair<QString TExifInfos::*, const char *> expected[] = {
        {&TExifInfos::Make, "Canon"},
        {&TExifInfos::Model, "Canon EOS 5D Mark II"},
        {&TExifInfos::Orientation, "NORMAL"},
        {&TExifInfos::DateTime, "2026:03:14 15:09:26"},
        {&TExifInfos::OwnerName, "Studio Nord"},
        {&TExifInfos::SerialNumber, "1230456789"},
        {&TExifInfos::FirmwareVersion, "Firmware Version 2.1.3"},
        {&TExifInfos::ExposureProgram, "Manual"},
        {&TExifInfos::ApertureValue, "F8"},
        {&TExifInfos::ExposureTime, "1/250 s"},
        {&TExifInfos::ISOSpeedRatings, "400"},
        {&TExifInfos::WhiteBalance, "Manual"},
        {&TExifInfos::ExposureLevel, "-2/3 EV"},
        // Never filled.
        {&TExifInfos::FocusMode, ""},
        {&TExifInfos::ExifDriveMode, ""},
        {&TExifInfos::ImageQuality, ""},
        {&TExifInfos::MeteringMode, ""},
    };
    for (const auto &[field, text] : expected)
        EXPECT_EQ(exif.*field, QString::fromUtf8(text)) << text;
}

struct BodyCase
{
    const char *name;
    unsigned orientation;
    const char *serial;
    const char *model;
    const char *orientationText;
};

TEST(PictureExif, OrientationAndSerialNumberOfOtherBodies)
{
    // exiv2 prints the serial of some bodies (the D30) as hex and decimal run together.
    const BodyCase cases[] = {
        {"turned right", 6, "2087654321", "Canon EOS 5D Mark II", "90R"},
        {"turned left", 8, "42", "Canon EOS 40D", "90L"},
        {"upside down", 3, "1230456789", "Canon EOS D30", ""},
        {"mirrored", 2, "4294967295", "Canon EOS D30", ""},
        {"normal", 1, "0", "Canon EOS D30", "NORMAL"},
    };
    QTemporaryDir dir;
    for (const BodyCase &c : cases) {
        PictureSpec spec;
        spec.orientation = c.orientation;
        spec.serial = c.serial;
        spec.model = c.model;
        const TExifInfos exif = exifOf(writeFile(dir.filePath("x.jpg"), renderedJpeg(spec)));
        EXPECT_EQ(exif.Orientation, QLatin1String(c.orientationText)) << c.name;
        EXPECT_EQ(exif.SerialNumber, QLatin1String(c.serial)) << c.name;
        EXPECT_EQ(exif.Model, QLatin1String(c.model)) << c.name;
    }
}

TEST(PictureExif, ReaderGivesTheOrientationTextsByName)
{
    const std::pair<unsigned, const char *> cases[] = {
        {1, "Normal"}, {6, "CounterClockwise 90°"}, {8, "Clockwise 90°"}, {3, "Rotated 180°"}};
    for (const auto &[value, text] : cases) {
        PictureSpec spec;
        spec.orientation = value;
        const ExifReader reader(QStringLiteral("a.jpg"), renderedJpeg(spec));
        EXPECT_EQ(reader.tag(QStringLiteral("orientation")), QString::fromUtf8(text)) << value;
    }
    const ExifReader reader(QStringLiteral("a.jpg"), renderedJpeg());
    EXPECT_TRUE(reader.tag(QStringLiteral("FocusMode")).isEmpty());
}

TEST(PictureExif, WhiteBalanceComesFromTheCanonMakerNoteWhereThere)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir.filePath("wb.jpg"), renderedJpeg());
    auto image = Exiv2::ImageFactory::open(path.toStdString());
    image->readMetadata();
    image->exifData()["Exif.CanonSi.WhiteBalance"] = uint16_t(1); // daylight
    image->writeMetadata();
    EXPECT_EQ(exifOf(path).WhiteBalance, QStringLiteral("Daylight"));
}

TEST(PictureExif, OnlyTheListedExtensionsAreRead)
{
    QTemporaryDir dir;
    const QByteArray jpeg = renderedJpeg();
    const std::pair<const char *, bool> cases[] = {
        {"a.jpg", true}, {"b.JPEG", true}, {"c.Jpe", true},
        // A JPEG under a TIFF name is no TIFF.
        {"d.tif", false}, {"e.png", false}, {"f.CR2", false}, {"g", false}, {"h.jpg.bak", false},
    };
    for (const auto &[name, read] : cases)
        EXPECT_EQ(!exifOf(writeFile(dir.filePath(name), jpeg)).Make.isEmpty(), read) << name;
}

TEST(PictureExif, BrokenOrMissingFilesLeaveTheRecordEmpty)
{
    QTemporaryDir dir;
    QByteArray scrambled = renderedJpeg();
    for (qsizetype i = 20; i < scrambled.size(); i += 7)
        scrambled[i] = char(scrambled[i] ^ 0x5A);
    const QString paths[] = {
        dir.filePath("missing.jpg"),
        writeFile(dir.filePath("empty.jpg"), {}),
        writeFile(dir.filePath("text.jpg"), "no picture at all"),
        writeFile(dir.filePath("scrambled.jpg"), scrambled),
    };
    for (const QString &path : paths) {
        TExifInfos exif;
        exif.Make = QStringLiteral("kept");
        ReadPictureExif(exif, path);
        EXPECT_EQ(exif.Make, QStringLiteral("kept")) << qPrintable(path);
        EXPECT_TRUE(exif.Orientation.isEmpty());
    }
}

} // namespace
