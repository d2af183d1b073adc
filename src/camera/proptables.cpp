#include "camera/proptables.h"

#include "platform/texthelpers.h"

#include "edsdk.h"

#include <limits>

namespace {

using P = CameraProperty;

constexpr std::array<CameraPropertyInfo, CameraPropertyCount> kProperties{{
    {P::AEMode, kEdsPropID_AEMode, "[AEMODEPROP]", {"AE", "KAMERAMODUS"}, false},
    {P::Av, kEdsPropID_Av, "[AVPROP]", {"AV", ""}, false},
    {P::Tv, kEdsPropID_Tv, "[TVPROP]", {"TV", ""}, false},
    {P::ISO, kEdsPropID_ISOSpeed, "[ISOPROP]", {"ISO", ""}, false},
    {P::WhiteBalance, kEdsPropID_WhiteBalance, "[WEISSABGLEICHPROP]", {"WB", "WEISSABGLEICH"}, true},
    {P::AFMode, kEdsPropID_AFMode, "[AFMODEPROP]", {"FOCUS", "FOKUS"}, false},
    {P::Quality, kEdsPropID_ImageQuality, "[IMAGEQUALITYPROP]", {"QUALITY", "BILDQUALITAET"}, false},
    {P::ExpComp, kEdsPropID_ExposureCompensation, "[EXPCOMPPROP]", {"EXPCOMP", "BELICHTUNGSKORREKTUR"}, false},
    {P::Metering, kEdsPropID_MeteringMode, "[METERINGMODEPROP]", {"METERING", "MESSMETHODE"}, true},
    {P::DriveMode, kEdsPropID_DriveMode, "[DRIVEMODEPROP]", {"DM", "AUFNAHMEMODUS"}, false},
}};

constexpr std::array<KeepAliveInterval, 7> kKeepAlive{{
    {"30 Sekunden", 25},
    {"1 Minute", 55},
    {"2 Minuten", 115},
    {"4 Minuten", 235},
    {"8 Minuten", 475},
    {"15 Minuten", 895},
    {"AUS", 0},
}};

struct Tables
{
    std::array<PropTable, CameraPropertyCount> master;
    std::array<PropTable, CameraPropertyCount> current;
};

Tables &tables()
{
    static Tables t;
    return t;
}

bool answersTo(const CameraPropertyInfo &info, const QString &upperName)
{
    for (std::string_view n : info.scriptNames) {
        if (!n.empty() && upperName == QLatin1StringView(n.data(), qsizetype(n.size())))
            return true;
    }
    return false;
}

bool nameMatches(const CameraPropertyInfo &info, const QString &entryName, const QString &upperText)
{
    const QString upperName = asciiUpper(entryName);
    return info.matchContains ? upperName.contains(upperText) : upperName == upperText;
}

} // namespace

const std::array<CameraPropertyInfo, CameraPropertyCount> &cameraProperties() { return kProperties; }

const CameraPropertyInfo &cameraPropertyInfo(CameraProperty property)
{
    return kProperties[static_cast<size_t>(property)];
}

const CameraPropertyInfo *cameraPropertyByScriptName(const QString &name)
{
    const QString upper = name.toUpper();
    for (const CameraPropertyInfo &info : kProperties) {
        if (answersTo(info, upper))
            return &info;
    }
    return nullptr;
}

const CameraPropertyInfo *cameraPropertyBySdkId(quint32 sdkId)
{
    for (const CameraPropertyInfo &info : kProperties) {
        if (info.sdkId == sdkId)
            return &info;
    }
    return nullptr;
}

PropTable &MasterTable(CameraProperty property)
{
    return tables().master[static_cast<size_t>(property)];
}

PropTable &CurrentTable(CameraProperty property)
{
    return tables().current[static_cast<size_t>(property)];
}

void resetPropertyTables() { tables() = Tables{}; }

TPropList *findEntryByCode(PropTable &table, quint32 code)
{
    for (TPropList &entry : table) {
        if (entry.ID == code)
            return &entry;
    }
    return nullptr;
}

TPropList &appendUnknownEntry(PropTable &master, quint32 code)
{
    master.push_back({QStringLiteral("Unbekannt") + QString::number(code), code, true});
    return master.back();
}

quint32 PropertyIdByName(const QString &name)
{
    const CameraPropertyInfo *info = cameraPropertyByScriptName(name);
    return info ? info->sdkId : 0;
}

QString PropertyTextByCode(const QString &name, qint64 code)
{
    const CameraPropertyInfo *info = cameraPropertyByScriptName(name);
    if (!info || code < 0 || code > qint64(std::numeric_limits<quint32>::max()))
        return {};
    const TPropList *entry = findEntryByCode(CurrentTable(info->property), quint32(code));
    return entry ? entry->Name : QString();
}

std::optional<quint32> PropertyCodeByText(const QString &name, const QString &text, int offset)
{
    const CameraPropertyInfo *info = cameraPropertyByScriptName(name);
    // An empty text would be found inside every name of a property matched by containment.
    if (!info || text.isEmpty())
        return std::nullopt;
    const PropTable &table = CurrentTable(info->property);
    const QString upperText = asciiUpper(text);
    for (size_t i = 0; i < table.size(); ++i) {
        if (!nameMatches(*info, table[i].Name, upperText))
            continue;
        const qint64 target = qint64(i) + offset;
        if (target < 0 || target >= qint64(table.size()))
            return std::nullopt;
        return table[size_t(target)].ID;
    }
    return std::nullopt;
}

const std::array<KeepAliveInterval, 7> &keepAliveIntervals() { return kKeepAlive; }
