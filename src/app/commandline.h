#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class ProgramWindows;

// A file that a key loads into its part of the program as soon as the key is read.
struct CommandLineLoad
{
    QString key;   // "appsfile=", "scriptfile=" or "comfile="
    QString path;
    bool operator==(const CommandLineLoad &) const = default;
};

// What the program's parameters ask for. A key counts wherever it stands in a parameter
// (exact case); its value is everything after the parameter's first "=".
struct CommandLineOptions
{
    std::optional<QString> configuration;  // "inifile=": value + ".ccf", as given
    std::optional<QString> layout;         // "viewer=": value + ".cif", as given
    std::optional<bool> ignoreDisconnect;  // "ignoredisconnect=": the value is "TRUE" in any case
    bool automaticRelease = false;         // "release=auto"
    bool endAfterShoot = false;            // "endaftershoot=on"
    QList<CommandLineLoad> loads;          // in the order of the parameters
    bool operator==(const CommandLineOptions &) const = default;
};

// Reads the parameters (without the program's path). Files of the immediate loads without a
// folder are taken from `namesFolder`.
CommandLineOptions parseCommandLine(const QStringList &parameters, const QString &namesFolder);

// Reads the parameters and acts on them: the immediate loads, then the configuration, the
// window layout and the automatic release. A release that cannot run (settings not taken,
// no camera) is reported on standard error and, with the end after the shot, ends the program
// with status 1. Files of the immediate loads without a folder lie in the program's folder, or
// for an installed program in the user's documents folder (userFolder()).
void ParseCommandLine(ProgramWindows &windows, const QStringList &parameters,
                      const QString &programFolder);
