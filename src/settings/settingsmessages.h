#pragma once

#include <QString>

// What the loaders of the configuration, property and layout files share.

// A name without a folder separator is taken relative to the current working folder.
QString inWorkingFolder(const QString &path);

// The box the loaders of the configuration, property and layout files show when the file
// is not there (caption "Fehler").
void reportMissingSettingsFile(const QString &path);
// The same for a file that is there but cannot be read.
void reportUnreadableSettingsFile(const QString &path);
