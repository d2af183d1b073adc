#include "scripting/scriptnames.h"

#include "camera/madeimages.h"
#include "camera/proptables.h"

#include <array>
#include <utility>

namespace {

// Drive mode is not reachable from scripts: only these fifteen names are.
constexpr std::array<const char *, 15> kCameraNames = {
    "AE",     "KAMERAMODUS", "AV",      "TV",            "ISO",
    "WB",     "WEISSABGLEICH", "FOCUS", "FOKUS",         "QUALITY",
    "BILDQUALITAET", "EXPCOMP", "BELICHTUNGSKORREKTUR", "METERING", "MESSMETHODE",
};

QString beforeFirstDot(const QString &name)
{
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

QString fromFirstDot(const QString &name)
{
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

using Reader = QString (*)(const TMadeImage &);

struct PictureField
{
    std::array<const char *, 2> names;
    Reader read;
};

const std::array<PictureField, 23> kPictureFields = {{
    {{"VERZEICHNIS", "DIR"}, [](const TMadeImage &i) { return i.Folder; }},
    {{"NAME", nullptr}, [](const TMadeImage &i) { return i.FileName; }},
    {{"PFAD", nullptr}, [](const TMadeImage &i) { return i.Folder + i.FileName; }},
    {{"MASKPATH", nullptr}, [](const TMadeImage &i) { return i.MaskPath; }},
    {{"NURNAME", nullptr}, [](const TMadeImage &i) { return beforeFirstDot(i.FileName); }},
    {{"ERWEITERUNG", nullptr}, [](const TMadeImage &i) { return fromFirstDot(i.FileName); }},
    {{"HERSTELLER", nullptr}, [](const TMadeImage &i) { return i.Exif.Make; }},
    {{"MODELL", nullptr}, [](const TMadeImage &i) { return i.Exif.Model; }},
    {{"AUSRICHTUNG", "ORIENTATION"}, [](const TMadeImage &i) { return i.Exif.Orientation; }},
    {{"DATUM", "DATE"}, [](const TMadeImage &i) { return i.Exif.DateTime; }},
    {{"BESITZER", "OWNER"}, [](const TMadeImage &i) { return i.Exif.OwnerName; }},
    {{"SERIENNUMMER", "SERIALNUMBER"}, [](const TMadeImage &i) { return i.Exif.SerialNumber; }},
    {{"FIRMWARE", nullptr}, [](const TMadeImage &i) { return i.Exif.FirmwareVersion; }},
    {{"AE", nullptr}, [](const TMadeImage &i) { return i.Exif.ExposureProgram; }},
    {{"AV", nullptr}, [](const TMadeImage &i) { return i.Exif.ApertureValue; }},
    {{"TV", nullptr}, [](const TMadeImage &i) { return i.Exif.ExposureTime; }},
    {{"ISO", nullptr}, [](const TMadeImage &i) { return i.Exif.ISOSpeedRatings; }},
    {{"WEISSABGLEICH", "WHITEBALANCE"}, [](const TMadeImage &i) { return i.Exif.WhiteBalance; }},
    {{"FOKUS", "FOCUS"}, [](const TMadeImage &i) { return i.Exif.FocusMode; }},
    {{"DRIVEMODE", nullptr}, [](const TMadeImage &i) { return i.Exif.ExifDriveMode; }},
    {{"BILDQUALITAET", "IMAGEQUALITY"}, [](const TMadeImage &i) { return i.Exif.ImageQuality; }},
    {{"BELKORREKTUR", "EXPCOMP"}, [](const TMadeImage &i) { return i.Exif.ExposureLevel; }},
    {{"MESSMETHODE", "METERINGMODE"}, [](const TMadeImage &i) { return i.Exif.MeteringMode; }},
}};

} // namespace

const CameraPropertyInfo *scriptCameraProperty(const QString &name)
{
    const QString upper = asciiUpper(name);
    for (const char *allowed : kCameraNames) {
        if (upper == QLatin1String(allowed))
            return cameraPropertyByScriptName(upper);
    }
    return nullptr;
}

const TMadeImage *scriptPicture(int index, int offset)
{
    const qint64 base = index == 0 ? qint64(ImageCount()) - 1 : qint64(index);
    const qint64 position = base + offset;
    if (position < 0 || position >= ImageCount())
        return nullptr;
    return MadeImages().find(int(position));
}

QString scriptPictureValue(int index, int offset, const QString &name)
{
    const TMadeImage *image = scriptPicture(index, offset);
    return image ? pictureProperty(*image, name) : QStringLiteral("KEIN BILD VORHANDEN");
}

QString pictureProperty(const TMadeImage &image, const QString &name)
{
    const QString upper = asciiUpper(name);
    for (const PictureField &field : kPictureFields) {
        for (const char *n : field.names) {
            if (n && upper == QLatin1String(n))
                return field.read(image);
        }
    }
    return {};
}
