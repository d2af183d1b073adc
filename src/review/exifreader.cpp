#include "review/exifreader.h"

#include "camera/madeimages.h"
#include "review/jpegdecoder.h"

#include <QFile>
#include <QFileInfo>

#include <exiv2/exiv2.hpp>

#include <array>
#include <limits>
#include <optional>

namespace {

using Exif = Exiv2::ExifData;

// The file types read, by extension.
const std::array<std::pair<const char *, int>, 6> kReadTypes{{
    {"jpg", Exiv2::ImageType::jpeg},
    {"jpeg", Exiv2::ImageType::jpeg},
    {"jpe", Exiv2::ImageType::jpeg},
    {"tif", Exiv2::ImageType::tiff},
    {"tiff", Exiv2::ImageType::tiff},
    {"nef", Exiv2::ImageType::tiff},
}};

std::optional<int> typeByExtension(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    for (const auto &[extension, type] : kReadTypes) {
        if (suffix == QLatin1String(extension))
            return type;
    }
    return std::nullopt;
}

const Exiv2::Exifdatum *find(const Exif &exif, const char *key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? nullptr : &*it;
}

QString printed(const Exif &exif, const Exiv2::Exifdatum &datum)
{
    return QString::fromStdString(datum.print(&exif)).trimmed();
}

// Some bodies' serial numbers are printed in a mixed hexadecimal form; the camera shows
// the plain number.
QString plainNumber(const Exif &exif, const Exiv2::Exifdatum &datum)
{
    if (datum.typeId() == Exiv2::asciiString)
        return printed(exif, datum);
    return QString::number(quint32(datum.toLong()));
}

// The photographer's names for the EXIF orientation values.
QString orientationText(const Exif &, const Exiv2::Exifdatum &datum)
{
    switch (datum.toLong()) {
    case 1: return QStringLiteral("Normal");
    case 3: return QStringLiteral("Rotated 180°");
    case 6: return QStringLiteral("CounterClockwise 90°");
    case 8: return QStringLiteral("Clockwise 90°");
    default: return QString();
    }
}

using Format = QString (*)(const Exif &, const Exiv2::Exifdatum &);

struct TagSource
{
    const char *name;
    // Tried in order; the first the file has gives the text.
    std::array<const char *, 2> keys;
    Format format = printed;
};

// "Exposure Level" is the exposure bias the picture was taken with: the compensation the
// photographer set, as "+2/3 EV".
const TagSource kTags[] = {
    {"DateTime", {"Exif.Image.DateTime", "Exif.Photo.DateTimeOriginal"}},
    {"OwnerName", {"Exif.Canon.OwnerName", "Exif.Photo.CameraOwnerName"}},
    {"CameraSerialNumber", {"Exif.Canon.SerialNumber", "Exif.Photo.BodySerialNumber"}, plainNumber},
    {"FirmwareVersion", {"Exif.Canon.FirmwareVersion", nullptr}},
    {"ExposureProgram", {"Exif.Photo.ExposureProgram", nullptr}},
    {"ExposureTime", {"Exif.Photo.ExposureTime", nullptr}},
    {"ApertureValue", {"Exif.Photo.ApertureValue", "Exif.Photo.FNumber"}},
    {"ISOSpeedRatings", {"Exif.Photo.ISOSpeedRatings", nullptr}},
    {"WhiteBalance", {"Exif.CanonSi.WhiteBalance", "Exif.Photo.WhiteBalance"}},
    {"Exposure Level", {"Exif.Photo.ExposureBiasValue", nullptr}},
    {"Orientation", {"Exif.Image.Orientation", nullptr}, orientationText},
};

void muteExiv2()
{
    static const bool muted = [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        return true;
    }();
    Q_UNUSED(muted);
}

// The metadata sits before the picture data: a JPEG's head and its last bytes are enough,
// unless the head turns out too short.
constexpr qint64 HeadBytes = 256 * 1024;
constexpr qint64 TailBytes = 64;

QByteArray readFile(const QString &path, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    if (file.size() <= limit)
        return file.readAll();
    QByteArray bytes = file.read(limit - TailBytes);
    file.seek(file.size() - TailBytes);
    return bytes + file.read(TailBytes);
}

} // namespace

struct ExifReader::Data
{
    Exif exif;
};

ExifReader::ExifReader(const QString &path)
{
    if (!typeByExtension(path))
        return;
    read(path, readFile(path, HeadBytes));
    if (!m_data && QFileInfo(path).size() > HeadBytes)
        read(path, readFile(path, std::numeric_limits<qint64>::max()));
}

ExifReader::ExifReader(const QString &fileName, const QByteArray &bytes)
{
    read(fileName, bytes);
}

void ExifReader::read(const QString &fileName, const QByteArray &bytes)
{
    const std::optional<int> type = typeByExtension(fileName);
    // A JPEG cut short is not trusted for its EXIF either.
    if (!type || bytes.isEmpty() || (*type == Exiv2::ImageType::jpeg && !isCompleteJpeg(bytes)))
        return;
    muteExiv2();
    try {
        auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes.constData()),
                                               long(bytes.size()));
        if (!image.get() || image->imageType() != *type)
            return;
        image->readMetadata();
        if (image->exifData().empty())
            return;
        m_data = std::make_unique<Data>(Data{image->exifData()});
    } catch (...) {
        // Exiv2 throws on damaged files; such a file has no EXIF data for us.
        m_data.reset();
    }
}

ExifReader::~ExifReader() = default;

bool ExifReader::hasExif() const
{
    return m_data != nullptr;
}

QString ExifReader::make() const
{
    const Exiv2::Exifdatum *datum = m_data ? find(m_data->exif, "Exif.Image.Make") : nullptr;
    return datum ? printed(m_data->exif, *datum) : QString();
}

QString ExifReader::model() const
{
    const Exiv2::Exifdatum *datum = m_data ? find(m_data->exif, "Exif.Image.Model") : nullptr;
    return datum ? printed(m_data->exif, *datum) : QString();
}

QString ExifReader::tag(const QString &name) const
{
    if (!m_data)
        return {};
    for (const TagSource &source : kTags) {
        if (name.compare(QLatin1String(source.name), Qt::CaseInsensitive) != 0)
            continue;
        for (const char *key : source.keys) {
            if (!key)
                break;
            try {
                if (const Exiv2::Exifdatum *datum = find(m_data->exif, key))
                    return source.format(m_data->exif, *datum);
            } catch (...) {
                return {};
            }
        }
        return {};
    }
    return {};
}

void ReadPictureExif(TExifInfos &exif, const QString &path)
{
    const ExifReader reader(path);
    if (!reader.hasExif())
        return;
    exif.Make = reader.make();
    exif.Model = reader.model();
    const std::pair<QString TExifInfos::*, const char *> fields[] = {
        {&TExifInfos::DateTime, "DateTime"},
        {&TExifInfos::OwnerName, "OwnerName"},
        {&TExifInfos::SerialNumber, "CameraSerialNumber"},
        {&TExifInfos::FirmwareVersion, "FirmwareVersion"},
        {&TExifInfos::ExposureProgram, "ExposureProgram"},
        {&TExifInfos::ExposureTime, "ExposureTime"},
        {&TExifInfos::ApertureValue, "ApertureValue"},
        {&TExifInfos::ISOSpeedRatings, "ISOSpeedRatings"},
        {&TExifInfos::WhiteBalance, "WhiteBalance"},
        {&TExifInfos::ExposureLevel, "Exposure Level"},
    };
    for (const auto &[field, name] : fields)
        exif.*field = reader.tag(QLatin1String(name));
    static const std::pair<const char *, const char *> orientations[] = {
        {"NORMAL", "NORMAL"},
        {"CLOCKWISE 90°", "90L"},
        {"COUNTERCLOCKWISE 90°", "90R"},
    };
    const QString orientation = reader.tag(QStringLiteral("Orientation")).toUpper();
    exif.Orientation.clear();
    for (const auto &[text, stored] : orientations) {
        if (orientation == QString::fromUtf8(text))
            exif.Orientation = QLatin1String(stored);
    }
}
