#include "naming/programnaming.h"

#include "settings/programsettings.h"

NamingValues NamingValuesOf(const TProgramSettings &settings)
{
    return {settings.Projektname, settings.Filemask, settings.Prefix, settings.ImageNumber,
            settings.ImageFormat};
}

ImageTarget BuildImageTarget(const QString &cameraFileName, const TCamerasettings &camera,
                              TProgramSettings &settings)
{
    NamingValues values = NamingValuesOf(settings);
    const ImageTarget target = BuildImageTarget(cameraFileName, camera, values);
    settings.ImageNumber = values.ImageNumber;
    settings.ImageFormat = values.ImageFormat;
    return target;
}

QString ExpandFileMask(const QString &mask, const TCamerasettings &camera)
{
    return ExpandFileMask(mask, camera, NamingValuesOf(ProgramSettings()));
}

QString ExpandDateMask(const QString &mask)
{
    return ExpandDateMask(mask, NamingValuesOf(ProgramSettings()));
}

ImageTarget BuildImageTarget(const QString &cameraFileName, const TCamerasettings &camera)
{
    return BuildImageTarget(cameraFileName, camera, ProgramSettings());
}
