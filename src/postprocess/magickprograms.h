#pragma once

#include <QString>

#include <optional>

// The ImageMagick programs the stage runs, by the names they have here.
inline constexpr const char *MagickProgramNames[] = {"convert", "composite"};

// The first ImageMagick program that cannot be run from `folder` (empty: searched on PATH), as
// the path or name looked for; nothing when every one is an executable file.
std::optional<QString> missingMagickProgram(const QString &folder);
