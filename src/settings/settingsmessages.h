#pragma once

#include <QString>

// The box the loaders of the configuration, property and layout files show when the file
// is not there (caption "Fehler").
void reportMissingSettingsFile(const QString &path);
// The same for a file that is there but cannot be read.
void reportUnreadableSettingsFile(const QString &path);
