#pragma once

#include <QString>

class IniFile;

// What the loaders of the configuration, property and layout files share.

// A name without a folder separator is taken relative to the current working folder.
QString inWorkingFolder(const QString &path);

// The box the loaders of the configuration, property and layout files show when the file
// is not there (caption "Fehler").
void reportMissingSettingsFile(const QString &path);
// The same for a file that is there but cannot be read.
void reportUnreadableSettingsFile(const QString &path);
// The same for a file that is there but whose contents do not hold together.
void reportDamagedSettingsFile(const QString &path);
// True when the INI file at `path` is there and can be read; otherwise the box above says
// which of the two it is not.
bool settingsFileReadable(const QString &path, const IniFile &ini);
// The box a failed save shows, with the reason the system gave.
void reportUnwritableSettingsFile(const QString &path, const QString &reason);
