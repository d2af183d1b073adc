#pragma once

#include "naming/filemask.h"
#include "naming/imagetarget.h"

struct TProgramSettings;

// The naming values of the working settings.
TNamingValues NamingValuesOf(const TProgramSettings &settings);

// BuildImageTarget with the working settings' mask; their ImageNumber and ImageFormat take
// the values of this picture.
TImageTarget BuildImageTarget(const QString &cameraFileName, const TCamerasettings &camera,
                              TProgramSettings &settings);
