#include "camera/camerasettings.h"

namespace {

// Indexed by CameraProperty.
constexpr std::array<TPropList TCamerasettings::*, CameraPropertyCount> kFields{
    &TCamerasettings::AEMode,  &TCamerasettings::Av,        &TCamerasettings::Tv,
    &TCamerasettings::ISO,     &TCamerasettings::WB,        &TCamerasettings::AFMode,
    &TCamerasettings::Quality, &TCamerasettings::ExpComp,   &TCamerasettings::Metering,
    &TCamerasettings::DriveMode,
};

} // namespace

TPropList &settingOf(TCamerasettings &settings, CameraProperty property)
{
    return settings.*kFields[static_cast<size_t>(property)];
}

const TPropList &settingOf(const TCamerasettings &settings, CameraProperty property)
{
    return settings.*kFields[static_cast<size_t>(property)];
}

TCamerasettings &CurrentSettings()
{
    static TCamerasettings settings;
    return settings;
}

TCamerasettings &StartSettings()
{
    static TCamerasettings settings;
    return settings;
}
