#include "body.h"

#include <algorithm>

namespace edsim {

namespace {

const std::map<EdsPropertyID, EdsDataType>& types()
{
    static const std::map<EdsPropertyID, EdsDataType> table = {
        {kEdsPropID_ProductName, kEdsDataType_String},
        {kEdsPropID_OwnerName, kEdsDataType_String},
        {kEdsPropID_FirmwareVersion, kEdsDataType_String},
        {kEdsPropID_BatteryLevel, kEdsDataType_UInt32},
        {kEdsPropID_SaveTo, kEdsDataType_UInt32},
        {kEdsPropID_ShutterCounter, kEdsDataType_UInt32},
        {kEdsPropID_ImageQuality, kEdsDataType_UInt32},
        {kEdsPropID_WhiteBalance, kEdsDataType_Int32},
        {kEdsPropID_AEMode, kEdsDataType_UInt32},
        {kEdsPropID_DriveMode, kEdsDataType_UInt32},
        {kEdsPropID_ISOSpeed, kEdsDataType_UInt32},
        {kEdsPropID_MeteringMode, kEdsDataType_UInt32},
        {kEdsPropID_AFMode, kEdsDataType_UInt32},
        {kEdsPropID_Av, kEdsDataType_UInt32},
        {kEdsPropID_Tv, kEdsDataType_UInt32},
        {kEdsPropID_ExposureCompensation, kEdsDataType_UInt32},
    };
    return table;
}

bool contains(const Codes& codes, uint32_t value)
{
    return std::find(codes.begin(), codes.end(), static_cast<int32_t>(value)) != codes.end();
}

} // namespace

Body::Body(const Config& config)
    : config_(config)
    , dial_(config.modeDial)
    , stored_{
          {kEdsPropID_BatteryLevel, config.battery},
          {kEdsPropID_SaveTo, kEdsSaveTo_Camera},
          {kEdsPropID_ImageQuality, config.quality},
          {kEdsPropID_WhiteBalance, 0},
          {kEdsPropID_DriveMode, 0},
          {kEdsPropID_ISOSpeed, 72},               // 100
          {kEdsPropID_MeteringMode, 3},            // evaluative
          {kEdsPropID_AFMode, 0},                  // one shot
          {kEdsPropID_Av, 48},                     // f/5.6
          {kEdsPropID_Tv, 112},                    // 1/125
          {kEdsPropID_ExposureCompensation, 0},
      }
    , owner_(config.owner)
    , nextNumber_(config.firstNumber)
{
}

bool Body::known(EdsPropertyID property) const
{
    return types().count(property) != 0;
}

EdsDataType Body::dataType(EdsPropertyID property) const
{
    auto it = types().find(property);
    return it != types().end() ? it->second : kEdsDataType_Unknown;
}

uint32_t Body::value(EdsPropertyID property) const
{
    if (property == kEdsPropID_AEMode)
        return dial_;
    if (property == kEdsPropID_ShutterCounter)
        return shutterCount_;
    const Codes codes = allowed(property);
    auto it = stored_.find(property);
    const uint32_t stored = it != stored_.end() ? it->second : 0;
    // A list of one value is the body deciding for itself (bulb, the basic zone).
    if (codes.size() == 1)
        return static_cast<uint32_t>(codes.front());
    return stored;
}

std::string Body::text(EdsPropertyID property) const
{
    switch (property) {
    case kEdsPropID_ProductName: return config_.model;
    case kEdsPropID_OwnerName: return owner_;
    case kEdsPropID_FirmwareVersion: return config_.firmware;
    default: return {};
    }
}

Codes Body::allowed(EdsPropertyID property) const
{
    if (property == kEdsPropID_AEMode)
        return {static_cast<int32_t>(dial_)};
    return allowedValues(property, zoneOf(dial_));
}

bool Body::hostWritable(EdsPropertyID property) const
{
    // The mode is on the dial; battery, counter and names of the body are its own.
    switch (property) {
    case kEdsPropID_AEMode:
    case kEdsPropID_BatteryLevel:
    case kEdsPropID_ShutterCounter:
    case kEdsPropID_ProductName:
    case kEdsPropID_FirmwareVersion:
        return false;
    default:
        return known(property);
    }
}

EdsError Body::writeFromHost(EdsPropertyID property, uint32_t value)
{
    if (!known(property))
        return EDS_ERR_PROPERTIES_UNAVAILABLE;
    if (!hostWritable(property) || isString(property))
        return EDS_ERR_NOT_SUPPORTED;
    if (property == kEdsPropID_SaveTo) {
        if (value < kEdsSaveTo_Camera || value > kEdsSaveTo_Both)
            return EDS_ERR_DEVICE_INVALID_PARAMETER;
    } else if (!contains(allowed(property), value)) {
        return EDS_ERR_DEVICE_INVALID_PARAMETER;
    }
    stored_[property] = value;
    return EDS_ERR_OK;
}

EdsError Body::writeTextFromHost(EdsPropertyID property, const std::string& text)
{
    if (!known(property))
        return EDS_ERR_PROPERTIES_UNAVAILABLE;
    if (property != kEdsPropID_OwnerName)
        return EDS_ERR_NOT_SUPPORTED;
    if (text.size() > 31)
        return EDS_ERR_INVALID_LENGTH;
    owner_ = text;
    return EDS_ERR_OK;
}

EdsError Body::turn(EdsPropertyID property, uint32_t value)
{
    if (property == kEdsPropID_BatteryLevel) {
        if (value > 100 && value != 0xFFFFFFFFu)
            return EDS_ERR_INVALID_PARAMETER;
        stored_[property] = value;
        return EDS_ERR_OK;
    }
    if (!known(property) || isString(property) || property == kEdsPropID_SaveTo
        || property == kEdsPropID_ShutterCounter || property == kEdsPropID_AEMode)
        return EDS_ERR_INVALID_PARAMETER;
    if (!contains(allowed(property), value))
        return EDS_ERR_DEVICE_INVALID_PARAMETER;
    stored_[property] = value;
    return EDS_ERR_OK;
}

Body::Changes Body::setModeDial(uint32_t aeMode)
{
    std::map<EdsPropertyID, std::pair<Codes, uint32_t>> before;
    for (EdsPropertyID p : listProperties())
        before[p] = {allowed(p), value(p)};
    dial_ = aeMode;
    Changes changes;
    for (EdsPropertyID p : listProperties()) {
        if (p == kEdsPropID_AEMode) // the caller announces the dial itself
            continue;
        if (allowed(p) != before[p].first)
            changes.lists.push_back(p);
        if (value(p) != before[p].second)
            changes.values.push_back(p);
    }
    return changes;
}

const std::vector<EdsPropertyID>& Body::listProperties()
{
    static const std::vector<EdsPropertyID> props = {
        kEdsPropID_ImageQuality, kEdsPropID_WhiteBalance, kEdsPropID_AEMode, kEdsPropID_DriveMode,
        kEdsPropID_ISOSpeed, kEdsPropID_MeteringMode, kEdsPropID_AFMode, kEdsPropID_Av, kEdsPropID_Tv,
        kEdsPropID_ExposureCompensation,
    };
    return props;
}

const std::vector<EdsPropertyID>& Body::valueProperties()
{
    // The AE mode comes last: a program refreshes everything that depends on it then.
    static const std::vector<EdsPropertyID> props = {
        kEdsPropID_ProductName, kEdsPropID_OwnerName, kEdsPropID_FirmwareVersion,
        kEdsPropID_BatteryLevel, kEdsPropID_SaveTo, kEdsPropID_ShutterCounter,
        kEdsPropID_ImageQuality, kEdsPropID_WhiteBalance, kEdsPropID_DriveMode, kEdsPropID_ISOSpeed,
        kEdsPropID_MeteringMode, kEdsPropID_AFMode, kEdsPropID_Av, kEdsPropID_Tv,
        kEdsPropID_ExposureCompensation, kEdsPropID_AEMode,
    };
    return props;
}

uint32_t Body::takeFileNumber()
{
    const uint32_t number = nextNumber_;
    nextNumber_ = nextNumber_ % 9999 + 1;
    return number;
}

} // namespace edsim
