#include "camera/camera.h"

#include "camera/camerahelpers.h"
#include "camera/edserrors.h"
#include "diagnostics/debuglog.h"

#include <algorithm>

namespace {

// Properties with a value slot, in slot order.
constexpr std::array<EdsPropertyID, 13> ValueProperties = {
    kEdsPropID_AEMode,       kEdsPropID_Av,          kEdsPropID_Tv,
    kEdsPropID_ISOSpeed,     kEdsPropID_WhiteBalance, kEdsPropID_BatteryLevel,
    kEdsPropID_AFMode,       kEdsPropID_ImageQuality, kEdsPropID_ExposureCompensation,
    kEdsPropID_FlashCompensation, kEdsPropID_MeteringMode, kEdsPropID_DriveMode,
    kEdsPropID_ShutterCounter};
// Properties with a description slot, in slot order.
constexpr std::array<EdsPropertyID, 12> DescProperties = {
    kEdsPropID_AEMode,       kEdsPropID_Av,          kEdsPropID_Tv,
    kEdsPropID_ISOSpeed,     kEdsPropID_WhiteBalance, kEdsPropID_BatteryLevel,
    kEdsPropID_AFMode,       kEdsPropID_ImageQuality, kEdsPropID_ExposureCompensation,
    kEdsPropID_FlashCompensation, kEdsPropID_MeteringMode, kEdsPropID_DriveMode};
constexpr int MaxNameLength = 255;

template<std::size_t N>
int slotIndex(const std::array<EdsPropertyID, N> &properties, EdsPropertyID property)
{
    const auto it = std::find(properties.begin(), properties.end(), property);
    return it == properties.end() ? -1 : int(it - properties.begin());
}

void logHeader(const char *operation, const char *label, EdsPropertyID property)
{
    DebugLine(QString::fromLatin1(operation));
    DebugLine(QString::fromLatin1(label) + QString::number(property));
    DebugLine(QString::fromLatin1(label) + PropertyIdName(property));
}

} // namespace

TCamera::TCamera(const EdsDeviceInfo &deviceInfo)
    : FDeviceInfo(deviceInfo)
{
}

QString TCamera::GetModelName() const
{
    return sdkFieldText(FDeviceInfo.szDeviceDescription, MaxNameLength);
}

void TCamera::storeValue(EdsPropertyID property, EdsUInt32 value)
{
    const int index = slotIndex(ValueProperties, property);
    if (index >= 0)
        FValues[index] = value;
}

void TCamera::SetPropertyUInt32(EdsPropertyID property, EdsUInt32 value)
{
    logHeader("SetPropertyUInt32", "ID        =", property);
    DebugLine(QStringLiteral("Value     =") + QString::number(value));
    DebugLine(QString());
    storeValue(property, value);
}

void TCamera::SetPropertyInt32(EdsPropertyID property, EdsInt32 value)
{
    logHeader("setPropertyInt32", "ID        =", property);
    DebugLine(QStringLiteral("Value     =") + QString::number(value));
    DebugLine(QString());
    storeValue(property, EdsUInt32(value));
}

void TCamera::SetPropertyString(EdsPropertyID property, const QString &text)
{
    logHeader("setPropertyString", "ID        =", property);
    DebugLine(QStringLiteral("String    =") + text);
    DebugLine(QString());
    if (property == kEdsPropID_ProductName)
        FProductName = text.left(MaxNameLength);
}

EdsUInt32 TCamera::GetPropertyUInt32(EdsPropertyID property) const
{
    const int index = slotIndex(ValueProperties, property);
    EdsUInt32 value = 0xFFFFFFFFu;
    if (property == kEdsPropID_CFn)
        value = FCFn;
    else if (index >= 0)
        value = FValues[index];
    logHeader("getPropertyUInt32", "ID        =", property);
    DebugLine(QStringLiteral("Value     =") + QString::number(value));
    DebugLine(QString());
    return value;
}

Rational TCamera::GetPropertyRational(EdsPropertyID property) const
{
    const Rational value = property == kEdsPropID_FocalLength ? FFocalLength : Rational{};
    logHeader("setPropertyRational", "ID         =", property);
    DebugLine(QStringLiteral("Numerator  =") + QString::number(value.Numerator));
    DebugLine(QStringLiteral("Denominator=") + QString::number(value.Denominator));
    DebugLine(QString());
    return value;
}

void TCamera::SetPropertyDesc(EdsPropertyID property, const EdsPropertyDesc &desc)
{
    logHeader("setPropertyRational", "ID         =", property);
    DebugLine(QString());
    const int index = slotIndex(DescProperties, property);
    if (index < 0)
        return;
    FDescs[index] = desc;
    // Readers walk Count entries; never more than the array holds.
    FDescs[index].numElements = std::clamp(desc.numElements, 0, EDS_MAX_DESC_VALUES);
}

EdsPropertyDesc TCamera::GetPropertyDesc(EdsPropertyID property) const
{
    const int index = slotIndex(DescProperties, property);
    const EdsPropertyDesc desc = index < 0 ? EdsPropertyDesc{} : FDescs[index];
    logHeader("getPropertyDesc", "ID            =", property);
    DebugLine(QStringLiteral("Desc Form     =") + QString::number(desc.form)
              + QStringLiteral("(0=R ; 1=W;2=RW)"));
    DebugLine(QStringLiteral("Desc Elements =") + QString::number(desc.numElements));
    return desc;
}
