#pragma once

#include <QString>

// Camera property file (".cpf"): the ten master tables, block by block.
// Reads `path` into the master tables. A missing or damaged file is reported through the
// dialogs (caption "Fehler"); tables of blocks read completely before the damage keep their
// new entries, all others stay as they were. True when the whole file was read.
bool loadproperties(const QString &path);
// Writes the ten master tables; every entry is written as enabled. A failed write is
// reported through the dialogs and returns false.
bool saveproperties(const QString &path);

// Camera settings file (".csf"): CurrentSettings as INI text, section "Settings".
bool saveCamSettings(const QString &path);
