// The bridge's map between the SDK's property codes and libgphoto2's configuration widgets.
#pragma once

#include "edsdk.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace gpbridge {

struct WidgetLabel {
    EdsUInt32 code;
    const char* text;
};

enum class WidgetKind {
    Choice,   // a RADIO widget whose labels map to codes by a table
    Text,     // a TEXT widget read as the SDK's string
    Battery,  // a TEXT widget such as "78%" or "Low"
    SaveTo,   // capturetarget: "Internal RAM" is the host, "Memory card" the camera
};

struct PropertyWidget {
    EdsPropertyID id;
    EdsDataType type;
    WidgetKind kind;
    std::span<const char* const> names; // the widget's names, tried in order
    std::span<const WidgetLabel> labels;
};

// Every property the bridge serves, in the order they are announced (the AE mode last).
std::span<const PropertyWidget> propertyWidgets();
const PropertyWidget* propertyWidget(EdsPropertyID id);

// Codes given to labels no table knows, by their place among the widget's choices, so that
// writing such a code sets the same label again.
inline constexpr EdsUInt32 kUnmappedBase = 0x7FFF0000u;

// The code of `label`, read among the widget's `choices` (they tell which of two codes that
// share a label the body means: the one of the exposure step the other choices use). A label
// no table knows is read from libgphoto2's "Unknown value 00xx", else given an unmapped code.
EdsUInt32 codeForLabel(const PropertyWidget& widget, const std::string& label,
                       const std::vector<std::string>& choices);

// The choice that sets `code`: a label of the code among `choices`, else "Unknown value
// 00xx" for a code that fits libgphoto2's 16 bits; nothing when the widget cannot take it.
std::optional<std::string> labelForCode(const PropertyWidget& widget, EdsUInt32 code,
                                        const std::vector<std::string>& choices);

// SDK battery level (percent, 0xFFFFFFFF on mains, 0xFFFFFFFE unknown) of libgphoto2's text.
EdsUInt32 batteryLevel(const std::string& text);

} // namespace gpbridge
