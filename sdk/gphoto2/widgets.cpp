#include "widgets.h"

#include "labels.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace gpbridge {
namespace {

constexpr const char* kProductNames[] = {"cameramodel", "model"};
constexpr const char* kOwnerNames[] = {"ownername", "artist"};
constexpr const char* kFirmwareNames[] = {"deviceversion", "firmwareversion"};
constexpr const char* kBatteryNames[] = {"batterylevel"};
constexpr const char* kSaveToNames[] = {"capturetarget"};
constexpr const char* kQualityNames[] = {"imageformat", "imageformatsd", "imageformatcf"};
constexpr const char* kWhiteBalanceNames[] = {"whitebalance"};
constexpr const char* kDriveNames[] = {"drivemode"};
constexpr const char* kIsoNames[] = {"iso"};
constexpr const char* kMeteringNames[] = {"meteringmode"};
constexpr const char* kFocusNames[] = {"focusmode"};
constexpr const char* kAvNames[] = {"aperture"};
constexpr const char* kTvNames[] = {"shutterspeed"};
constexpr const char* kCompensationNames[] = {"exposurecompensation"};
constexpr const char* kAEModeNames[] = {"autoexposuremode", "autoexposuremodedial"};

constexpr WidgetLabel kSaveToLabels[] = {{kEdsSaveTo_Host, "Internal RAM"},
                                         {kEdsSaveTo_Camera, "Memory card"}};

// The data types are those the simulated body reports, so the program reads both alike.
const PropertyWidget kWidgets[] = {
    {kEdsPropID_ProductName, kEdsDataType_String, WidgetKind::Text, kProductNames, {}},
    {kEdsPropID_OwnerName, kEdsDataType_String, WidgetKind::Text, kOwnerNames, {}},
    {kEdsPropID_FirmwareVersion, kEdsDataType_String, WidgetKind::Text, kFirmwareNames, {}},
    {kEdsPropID_BatteryLevel, kEdsDataType_UInt32, WidgetKind::Battery, kBatteryNames, {}},
    {kEdsPropID_SaveTo, kEdsDataType_UInt32, WidgetKind::SaveTo, kSaveToNames, kSaveToLabels},
    {kEdsPropID_ImageQuality, kEdsDataType_UInt32, WidgetKind::Choice, kQualityNames, kImageQualityLabels},
    {kEdsPropID_WhiteBalance, kEdsDataType_Int32, WidgetKind::Choice, kWhiteBalanceNames, kWhiteBalanceLabels},
    {kEdsPropID_DriveMode, kEdsDataType_UInt32, WidgetKind::Choice, kDriveNames, kDriveModeLabels},
    {kEdsPropID_ISOSpeed, kEdsDataType_Int32, WidgetKind::Choice, kIsoNames, kIsoLabels},
    {kEdsPropID_MeteringMode, kEdsDataType_UInt32, WidgetKind::Choice, kMeteringNames, kMeteringModeLabels},
    {kEdsPropID_AFMode, kEdsDataType_UInt32, WidgetKind::Choice, kFocusNames, kAFModeLabels},
    {kEdsPropID_Av, kEdsDataType_Int32, WidgetKind::Choice, kAvNames, kAvLabels},
    {kEdsPropID_Tv, kEdsDataType_Int32, WidgetKind::Choice, kTvNames, kTvLabels},
    {kEdsPropID_ExposureCompensation, kEdsDataType_UInt32, WidgetKind::Choice, kCompensationNames,
     kExposureCompensationLabels},
    {kEdsPropID_AEMode, kEdsDataType_Int32, WidgetKind::Choice, kAEModeNames, kAEModeLabels},
};

// Canon counts in eighths of a stop: x3 and x5 lie on the third-stop scale, x4 on the half.
enum class Step { Unknown, Third, Half };

Step stepOf(EdsUInt32 code)
{
    switch (code % 8) {
    case 3:
    case 5: return Step::Third;
    case 4: return Step::Half;
    default: return Step::Unknown;
    }
}

std::vector<EdsUInt32> codesOf(const PropertyWidget& widget, const std::string& label)
{
    std::vector<EdsUInt32> codes;
    for (const WidgetLabel& row : widget.labels) {
        if (label == row.text)
            codes.push_back(row.code);
    }
    return codes;
}

// The step the body uses now, told by the choices whose label names one code only.
Step stepOfChoices(const PropertyWidget& widget, const std::vector<std::string>& choices)
{
    for (const std::string& choice : choices) {
        const std::vector<EdsUInt32> codes = codesOf(widget, choice);
        if (codes.size() == 1 && stepOf(codes.front()) != Step::Unknown)
            return stepOf(codes.front());
    }
    return Step::Unknown;
}

std::optional<EdsUInt32> unknownValueCode(const std::string& label)
{
    unsigned value = 0;
    char tail = 0;
    if (std::sscanf(label.c_str(), "Unknown value %x%c", &value, &tail) == 1)
        return value;
    return std::nullopt;
}

} // namespace

std::span<const PropertyWidget> propertyWidgets()
{
    return kWidgets;
}

const PropertyWidget* propertyWidget(EdsPropertyID id)
{
    const auto it = std::ranges::find(kWidgets, id, &PropertyWidget::id);
    return it == std::end(kWidgets) ? nullptr : &*it;
}

EdsUInt32 codeForLabel(const PropertyWidget& widget, const std::string& label,
                       const std::vector<std::string>& choices)
{
    const std::vector<EdsUInt32> codes = codesOf(widget, label);
    if (codes.size() > 1) {
        const Step step = stepOfChoices(widget, choices);
        const auto twin = std::ranges::find(codes, step, stepOf);
        return step != Step::Unknown && twin != codes.end() ? *twin : codes.front();
    }
    if (codes.size() == 1)
        return codes.front();
    if (const std::optional<EdsUInt32> raw = unknownValueCode(label))
        return *raw;
    const auto place = std::ranges::find(choices, label);
    return kUnmappedBase + static_cast<EdsUInt32>(place - choices.begin());
}

std::optional<std::string> labelForCode(const PropertyWidget& widget, EdsUInt32 code,
                                        const std::vector<std::string>& choices)
{
    if (code >= kUnmappedBase && code - kUnmappedBase < choices.size())
        return choices[code - kUnmappedBase];
    for (const WidgetLabel& row : widget.labels) {
        if (row.code == code && std::ranges::find(choices, row.text) != choices.end())
            return row.text;
    }
    if (code > 0xFFFF || widget.kind != WidgetKind::Choice)
        return std::nullopt;
    char text[32];
    std::snprintf(text, sizeof text, "Unknown value %04x", code);
    return std::string(text);
}

EdsUInt32 batteryLevel(const std::string& text)
{
    // The coarse levels of the EOS battery property; "78%" comes from the standard one.
    static constexpr WidgetLabel kCoarse[] = {{9, "Low"}, {0xFFFFFFFFu, "AC"}};
    for (const WidgetLabel& row : kCoarse) {
        if (text == row.text)
            return row.code;
    }
    char* end = nullptr;
    const long percent = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() && *end == '%' && percent >= 0 && percent <= 100)
        return static_cast<EdsUInt32>(percent);
    return 0xFFFFFFFEu;
}

} // namespace gpbridge
