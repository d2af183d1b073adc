#pragma once

#include "platform/result.h"

#include <QString>

#include <functional>

class IniFile;
struct TProgramSettings;

// A settings window whose controls the working settings are collected from and applied to.
class SettingsWindow
{
public:
    virtual ~SettingsWindow() = default;
    // Copies the controls into ProgramSettings(). When a value cannot be taken the user is
    // told, the record stays as it was and the result is false.
    virtual bool settingsFromWindow() = 0;
    virtual void settingsToWindow() = 0;
};

enum class SettingsWindowKind { Capture, Viewer, ImageMagick, Hdr };

// nullptr detaches. Without a window the pair leaves the record's own values as they are.
void attachSettingsWindow(SettingsWindowKind kind, SettingsWindow *window);

bool CaptureSettingsFromWindow();
void CaptureSettingsToWindow();
bool ViewerSettingsFromWindow();
void ViewerSettingsToWindow();
bool ImageMagickSettingsFromWindow();
void ImageMagickSettingsToWindow();
bool HdrSettingsFromWindow();
void HdrSettingsToWindow();

// What loading a configuration shows outside the settings windows.
struct ConfigurationHooks
{
    // The "Debug" value just read; switches debugging and what shows it. Without the hook
    // only the flag is set.
    std::function<void(bool on)> debugFlagLoaded;
    std::function<void(const QString &)> showProjectName;  // the main window's project field
    std::function<void(const QString &path)> fileInUse;    // after a load or save
};
void setConfigurationHooks(ConfigurationHooks hooks);

inline constexpr const char *DefaultConfigurationName = "Ordivan.ccf";

// Collects from the windows, then writes every key. False when a value could not be
// collected (the file is not touched) or the file could not be written; the user was told.
// Texts with characters the file cannot hold are named in one warning.
bool SaveConfiguration(const QString &path);
// Reads every key, then applies to the windows. A name without a folder is looked up in the
// current working folder. A missing file is reported and changes nothing (false).
bool LoadConfiguration(const QString &path);

// The record alone, without windows, dialogs or hooks.
Result<> writeConfiguration(const QString &path, const TProgramSettings &settings);
void readConfiguration(const IniFile &ini, TProgramSettings &settings);

// The menu entries "Aufnahme Einstellungen laden" and "Aufnahme Einstellungen Speichern":
// ask for a file, then load or save it.
void EinstellungLadenClick();
void EinstellungSpeichernClick();
