#pragma once

#include <QString>

struct TCamerasettings;
struct NamingValues;

// Where a received picture goes, below the root folder.
struct ImageTarget
{
    // Relative folder with "/" after each part ("2026-05/"), empty for the root itself.
    QString SubFolder;
    QString FileName;
};

// Takes ImageNumber and ImageFormat from the camera's file name into `values`, expands
// values.Filemask and splits it at the last backslash into sub-folder and file name (plus
// "." and the format). Backslashes separate folders; the result never leaves the root:
// empty and "." parts are dropped, ".." becomes "__", and "/", control characters and the
// characters removable drives refuse (: * ? " < > |) become "_" inside a part.
ImageTarget BuildImageTarget(const QString &cameraFileName, const TCamerasettings &settings,
                              NamingValues &values);

// `path` if nothing exists there, otherwise the first free one of name_1.ext, name_2.ext, ...
// (the suffix goes before the extension of the file name, or at its end when it has none).
QString FreeTargetPath(const QString &path);
