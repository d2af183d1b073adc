#pragma once

#include "naming/filemask.h"
#include "naming/imagetarget.h"

struct TProgramSettings;

// The naming values of the working settings.
NamingValues NamingValuesOf(const TProgramSettings &settings);

// BuildImageTarget with the mask of `settings`; their ImageNumber and ImageFormat take the
// values of this picture.
ImageTarget BuildImageTarget(const QString &cameraFileName, const TCamerasettings &camera,
                              TProgramSettings &settings);

// The same three with the program's working settings.
QString ExpandFileMask(const QString &mask, const TCamerasettings &camera);
QString ExpandDateMask(const QString &mask);
ImageTarget BuildImageTarget(const QString &cameraFileName, const TCamerasettings &camera);
