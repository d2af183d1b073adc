#pragma once

#include "camera/camerasettings.h"

#include <QString>

#include <deque>

// Values read from a stored picture; empty until filled.
struct TExifInfos
{
    QString Make;
    QString Model;
    QString Orientation; // "NORMAL", "90L", "90R" or empty
    QString DateTime;
    QString OwnerName;
    QString SerialNumber;
    QString FirmwareVersion;
    QString ExposureProgram;
    QString ApertureValue;
    QString ExposureTime;
    QString ISOSpeedRatings;
    QString WhiteBalance;
    QString FocusMode;
    QString ExifDriveMode;
    QString ImageQuality;
    QString ExposureLevel;
    QString MeteringMode;
};

// One picture received in this run.
struct TMadeImage
{
    qint32 Index = 0;
    QString Folder;   // root folder + sub-folder
    QString MaskPath; // sub-folder passed through the mask expansion once more
    QString FileName;
    qint32 GroupStart = 0; // Index when it is a multiple of 3, else 0
    // The camera's file could not be stored: FileName is the name it was meant to get and
    // nothing of it is to be shown or processed.
    bool Failed = false;
    TCamerasettings Settings;
    TExifInfos Exif;
};

// The pictures of this run, only ever appended to; references to entries stay valid.
class MadeImageList
{
public:
    // Sets Index and GroupStart from the position the picture takes.
    TMadeImage &append(TMadeImage image);
    int count() const { return int(m_images.size()); }
    // nullptr outside 0 .. count() - 1.
    TMadeImage *find(int position);
    const TMadeImage *find(int position) const;
    void clear() { m_images.clear(); }

private:
    std::deque<TMadeImage> m_images;
};

MadeImageList &MadeImages();
inline int ImageCount() { return MadeImages().count(); }
