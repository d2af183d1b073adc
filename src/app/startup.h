#pragma once

#include "camera/camerasettings.h"
#include "camera/sdkloader.h"
#include "settings/windowlayout.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;
class TForm1;
class EventDispatcher;
class ImageMagickStage;
class Shooting;
class MainFormView;
class WidgetLayoutWindows;
class TExternApplications;
class TFKommandeditor;
class TFScripter;
class ScriptHost;
struct ScriptHostHooks;
struct TransferHooks;

inline constexpr int ConnectOk = 0;
inline constexpr int ConnectIgnored = 1;
inline constexpr int ConnectCancelled = 2;

// Text of the missing-file window for one SDK file; `first` is the SDK library itself.
QString missingSdkFileText(const QString &fileName, bool first);

// Shows `showMissing` with the text for each SDK file missing from `folder` (both are checked).
// True when both are there.
bool checkSdkFiles(const QString &folder, const std::function<void(const QString &text)> &showMissing,
                   const QString &sdkLibrary = QString::fromLatin1(SdkLibraryName));

// Connects to the first camera, asking Cancel / Retry / Ignore while there is none.
// ConnectOk, ConnectIgnored or ConnectCancelled.
int ConnectCamera(TForm1 &form);
// Connects anew after the camera was unplugged during use; true when one is there.
bool ReconnectCamera(TForm1 &form);

// The exit prompt: offers to write the start settings back to the camera.
void RestoreStartSettings(TForm1 &form, const TCamerasettings &start);

// The camera property file read at start: "default.cpf" in the working folder, else beside
// the program; the name in the working folder when neither has it.
QString startPropertyFile(const QString &programFolder);

// What the main window's creation sets up: property tables, lists, shooting defaults, menus.
// An empty `programFolder` is the program's own.
void MainWindowCreated(TForm1 &form, const QString &programFolder = {});

// What the main window's first showing does; returns what ConnectCamera returned.
int MainWindowFirstShown(TForm1 &form);

// Every window of the program, created once in the fixed order and kept for the whole run.
class ProgramWindows
{
public:
    ProgramWindows();
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;

    TForm1 &mainForm() const { return *m_form; }
    EventDispatcher &dispatcher() const { return *m_dispatcher; }
    Shooting &shooting() const { return *m_shooting; }
    // The internal image window, visible from the start of the program.
    QWidget &imageWindow() const;
    ImageMagickStage &imageMagickStage() const;
    // In creation order, the main window first.
    QList<QWidget *> windows() const;
    // Connects as the main window's first showing does, once: a second call (the first
    // show after the command line connected) returns the first call's result.
    int connectAtStart();
    // Loads a command list file, then switches to image sequence and shows the list window.
    // A file that cannot be loaded is reported and changes nothing.
    bool loadCommandList(const QString &path);
    // Offers to show the report of a crash of an earlier run.
    void offerLastCrashReport();
    // The catalogue of external applications with its editor and the program's one command
    // queue; the queue's output messages go to the main window, which hands them to the script
    // window.
    TExternApplications &catalogue() const;
    TFKommandeditor &commandEditor() const;
    // Loads a catalogue file; a file that cannot be loaded is reported and changes nothing.
    bool loadCatalogue(const QString &path);
    // The script window; a script file loaded into its editor (reported when unreadable).
    TFScripter &scripter() const;
    // The host functions and run sequence of the script window.
    ScriptHost &scriptHost() const;
    bool loadScript(const QString &path);

private:
    void wireCaptureSettings();
    void wireViewer(TransferHooks &transferHooks);
    void wireImageMagickStage(TransferHooks &transferHooks);
    void wireCommandQueue();
    void wireScriptHost();
    void wireWindowMenus();
    void wireRemote();
    std::optional<ExternWindowPlacement> findExternWindow(const QString &title) const;
    void wirePostprocessSettings();

    struct Others;
    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<MainFormView> m_view;
    EventDispatcher *m_dispatcher = nullptr;
    Shooting *m_shooting = nullptr;
    std::unique_ptr<Others> m_others;
    std::unique_ptr<WidgetLayoutWindows> m_layout;
    std::optional<int> m_startConnection;
};

// A script's release, its wait and its Stop, made by `shooting`.
ScriptHostHooks scriptHostHooks(Shooting &shooting);

// The whole program: SDK file check, windows, command line, main loop. Returns the exit code.
int runProgram();
