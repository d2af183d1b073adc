#pragma once

#include <QString>

#include <optional>

class ScriptWindowView;

// The text of a script file (Windows-1252, line ends kept as stored). A missing or unreadable
// file is reported with the settings loaders' boxes and gives nothing.
std::optional<QString> readScriptFile(const QString &path);

// Reads a script file into the script window, which then edits it under its name. Changes
// nothing when the file cannot be read.
bool loadScriptFile(ScriptWindowView &view, const QString &path);
