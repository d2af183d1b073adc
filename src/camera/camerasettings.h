#pragma once

#include "camera/proptables.h"

// Tv code of a bulb exposure.
inline constexpr quint32 TvBulbCode = 12;
// Code stored with the name "UNKNOWN" when the settings panel has no selection.
inline constexpr quint32 NoSelectionCode = 0x0FFFFFFF;

// A complete set of camera settings. In a sequence step an entry with ID 0 is left alone.
struct TCamerasettings
{
    TPropList AEMode;
    TPropList Av;
    TPropList Tv;
    TPropList ISO;
    TPropList WB;
    TPropList AFMode;
    TPropList DriveMode;
    TPropList Quality;
    TPropList ExpComp;
    TPropList Metering;
    TPropList FlashComp;
    qint32 Bulbtime = 0; // seconds
    qint32 PauseHours = 0;
    qint32 PauseMinutes = 0;
    qint32 PauseSeconds = 0;
};

// The field of a snapshot that holds a property.
TPropList &settingOf(TCamerasettings &settings, CameraProperty property);
const TPropList &settingOf(const TCamerasettings &settings, CameraProperty property);

// Settings last shown or applied (read by the file-name mask).
TCamerasettings &CurrentSettings();
// Settings found at start, offered for restoring on exit.
TCamerasettings &StartSettings();
