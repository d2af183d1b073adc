#pragma once

#include "edsdk.h"

#include <QString>

#include <array>

struct Rational
{
    qint32 Numerator = 0;
    qint32 Denominator = 0;
};

// Cache of what the connected camera reported: device information, the last value of each
// tracked property and the allowed values of the adjustable ones. Never calls the SDK.
// Every store and read writes its debug log lines.
class TCamera
{
public:
    explicit TCamera(const EdsDeviceInfo &deviceInfo);

    QString GetModelName() const;
    const EdsDeviceInfo &DeviceInfo() const { return FDeviceInfo; }
    QString ProductName() const { return FProductName; }

    // Properties without a slot are ignored (only logged).
    void SetPropertyUInt32(EdsPropertyID property, EdsUInt32 value);
    void SetPropertyInt32(EdsPropertyID property, EdsInt32 value);
    // Keeps the text as the product name for property 2.
    void SetPropertyString(EdsPropertyID property, const QString &text);

    // All bits set for a property without a slot.
    EdsUInt32 GetPropertyUInt32(EdsPropertyID property) const;
    Rational GetPropertyRational(EdsPropertyID property) const;

    void SetPropertyDesc(EdsPropertyID property, const EdsPropertyDesc &desc);
    // Form, access and count 0 for a property without a slot.
    EdsPropertyDesc GetPropertyDesc(EdsPropertyID property) const;

private:
    void storeValue(EdsPropertyID property, EdsUInt32 value);

    EdsDeviceInfo FDeviceInfo;
    QString FProductName;
    std::array<EdsUInt32, 13> FValues{};
    Rational FFocalLength;
    EdsUInt32 FCFn = 0;
    std::array<EdsPropertyDesc, 12> FDescs{};
};
