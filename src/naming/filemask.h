#pragma once

#include <QChar>
#include <QString>

struct TCamerasettings;

// The working-settings values a mask is expanded with. The caller copies them from the
// program settings and takes ImageNumber and ImageFormat back after BuildImageTarget.
struct NamingValues
{
    QString Projektname;
    QString Filemask;
    QString Prefix;
    QString ImageNumber; // number part of the camera's last file name
    QString ImageFormat; // extension of the camera's last file name, without the dot
};

// Stands for a blank inside one command argument; the command queue turns it back.
inline constexpr QChar NonBreakingSpace(0x00A0);

// Replaces the date, naming and camera tokens of `mask` (exact case, every occurrence) in
// their fixed order. Spaces present before the camera tokens are replaced become
// non-breaking spaces; spaces brought in by camera texts stay. "#CC" expands to nothing.
// Date and time are read once from appClock().
QString ExpandFileMask(const QString &mask, const TCamerasettings &settings,
                       const NamingValues &values);

// Date, project, image number and prefix tokens only; no space step.
QString ExpandDateMask(const QString &mask, const NamingValues &values);

// The exposure-compensation text as a file name may carry it: "-1 1/3" -> "-1<nbsp>1x3".
QString ExpCompForFileName(const QString &expComp);
