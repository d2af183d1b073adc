#include "errors.h"
#include "labels.h"
#include "widgets.h"

#include <gphoto2/gphoto2-port-result.h>
#include <gphoto2/gphoto2-result.h>

#include <gtest/gtest.h>

using namespace gpbridge;

namespace {

const PropertyWidget& widget(EdsPropertyID id)
{
    const PropertyWidget* found = propertyWidget(id);
    EXPECT_NE(found, nullptr);
    return *found;
}

// The labels a body shows on one exposure step: those of codes on `code`'s step or a full one.
std::vector<std::string> choicesLike(const PropertyWidget& w, EdsUInt32 code)
{
    std::vector<std::string> choices;
    const bool half = code % 8 == 4;
    const bool third = code % 8 == 3 || code % 8 == 5;
    for (const WidgetLabel& row : w.labels) {
        if ((half && (row.code % 8 == 3 || row.code % 8 == 5)) || (third && row.code % 8 == 4))
            continue;
        if (std::find(choices.begin(), choices.end(), row.text) == choices.end())
            choices.emplace_back(row.text);
    }
    return choices;
}

} // namespace

// Every code that libgphoto2 names comes back from its label, the twins of a shared label
// by the step the other choices use; where one step holds two codes of one label (image
// quality without a JPEG grade) the label still comes back as the same label.
TEST(WidgetMapping, EveryTableCodeRoundTripsThroughItsLabel)
{
    for (const PropertyWidget& w : propertyWidgets()) {
        for (const WidgetLabel& row : w.labels) {
            SCOPED_TRACE(std::to_string(w.id) + " " + row.text);
            const std::vector<std::string> choices = choicesLike(w, row.code);
            const EdsUInt32 code = codeForLabel(w, row.text, choices);
            EXPECT_EQ(labelForCode(w, code, {row.text}), row.text);
            const std::optional<std::string> label = labelForCode(w, row.code, choices);
            ASSERT_TRUE(label.has_value());
            if (w.id != kEdsPropID_ImageQuality) {
                EXPECT_EQ(codeForLabel(w, *label, choices), row.code);
            }
        }
    }
}

TEST(WidgetMapping, AnchorsTwinsAndBothImageFormatStyles)
{
    struct Case {
        EdsPropertyID id;
        const char* label;
        std::vector<std::string> choices;
        EdsUInt32 code;
    };
    const Case cases[] = {
        {kEdsPropID_ISOSpeed, "100", {}, 72},
        {kEdsPropID_Av, "81", {}, 0x6D},
        {kEdsPropID_Av, "5", {}, 0x2D},
        {kEdsPropID_Av, "4.5", {"4", "4.5", "5"}, 0x2B},
        {kEdsPropID_Av, "4.5", {"4", "4.5", "5.6", "6.7"}, 0x2C},
        {kEdsPropID_Tv, "20.3", {}, 0x14},
        {kEdsPropID_Tv, "1/6", {"1/5", "1/6", "1/8"}, 0x4D},
        {kEdsPropID_Tv, "1/6", {"1/6", "1/180"}, 0x4C},
        {kEdsPropID_Tv, "bulb", {}, kEdsTv_Bulb},
        {kEdsPropID_ExposureCompensation, "-0.3", {}, 253},
        {kEdsPropID_ExposureCompensation, "5", {}, 40},
        {kEdsPropID_ImageQuality, "RAW + L", {}, 0x00640013},
        {kEdsPropID_ImageQuality, "RAW + Large Fine JPEG", {}, 0x00640013},
        {kEdsPropID_ImageQuality, "Smaller JPEG", {}, 0x0F13FF0F},
        {kEdsPropID_AEMode, "TV", {}, 1},
        {kEdsPropID_AEMode, "Green", {}, 9},
        {kEdsPropID_WhiteBalance, "Shadow", {}, 8},
        {kEdsPropID_DriveMode, "Unknown value 0007", {}, 7},
        {kEdsPropID_SaveTo, "Internal RAM", {}, kEdsSaveTo_Host},
        {kEdsPropID_SaveTo, "Memory card", {}, kEdsSaveTo_Camera},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(codeForLabel(widget(c.id), c.label, c.choices), c.code);
    }
}

TEST(WidgetMapping, UnknownLabelsKeepTheirPlaceAndWriteBack)
{
    const PropertyWidget& ae = widget(kEdsPropID_AEMode);
    const std::vector<std::string> choices = {"P", "Fancy new mode"};
    const EdsUInt32 code = codeForLabel(ae, "Fancy new mode", choices);
    EXPECT_EQ(code, kUnmappedBase + 1);
    EXPECT_EQ(labelForCode(ae, code, choices), "Fancy new mode");
    // A code libgphoto2 has no label for is written in its own raw form.
    EXPECT_EQ(labelForCode(widget(kEdsPropID_DriveMode), 7, {}), "Unknown value 0007");
    // Image quality is no 16-bit code: what the body does not list cannot be set.
    EXPECT_EQ(labelForCode(widget(kEdsPropID_ImageQuality), 0x00640013, {"L"}), std::nullopt);
}

TEST(WidgetMapping, BatteryTexts)
{
    const std::pair<const char*, EdsUInt32> cases[] = {
        {"78%", 78}, {"100%", 100}, {"Low", 9}, {"AC", 0xFFFFFFFFu}, {"Unknown value", 0xFFFFFFFEu}, {"250%", 0xFFFFFFFEu}};
    for (const auto& [text, level] : cases)
        EXPECT_EQ(batteryLevel(text), level) << text;
}

TEST(ErrorMapping, CodesAndTheClaimMessage)
{
    const std::pair<int, EdsError> cases[] = {
        {GP_OK, EDS_ERR_OK},
        {3, EDS_ERR_OK},
        {GP_ERROR_IO_USB_CLAIM, EDS_ERR_DEVICE_BUSY},
        {GP_ERROR_IO_USB_FIND, EDS_ERR_COMM_DISCONNECTED},
        {GP_ERROR_CAMERA_BUSY, EDS_ERR_DEVICE_BUSY},
        {GP_ERROR_CANCEL, EDS_ERR_OPERATION_CANCELLED},
        {-999, EDS_ERR_DEVICE_ERROR},
    };
    for (const auto& [gp, eds] : cases)
        EXPECT_EQ(edsError(gp), eds) << gp;
    const std::string message = claimedCameraMessage("Canon EOS 90D", "usb:001,004");
    EXPECT_NE(message.find("gvfs"), std::string::npos);
    EXPECT_NE(message.find("gio mount -s gphoto2"), std::string::npos);
    EXPECT_NE(message.find("usb:001,004"), std::string::npos);
}
