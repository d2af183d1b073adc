#pragma once

#include "platform/result.h"
#include "settings/programsettings.h"

#include <QList>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>

class IniFile;

inline constexpr const char *DefaultLayoutName = "Ordivan.cif";

// How the layout file numbers the show state of the program's own windows.
inline constexpr int LayoutStateMinimized = 1;
inline constexpr int LayoutStateMaximized = 2;
inline constexpr int LayoutStateNormal = 3;

// One window of the program as the layout file sees it.
struct LayoutWindow
{
    QString name;  // windows without a name are not stored
    bool visible = false;
    QRect frame;   // outer bounds, frame included
    int state = LayoutStateNormal;
    bool operator==(const LayoutWindow &) const = default;
};

// The external viewer's window as the window system reports it; its state counts 1 normal,
// 2 minimized, 3 maximized.
struct ExternWindowPlacement
{
    QRect frame;
    int state = 1;
};

// Looks another program's window up by (part of) its title; nothing when none matches.
using ExternWindowFinder = std::function<std::optional<ExternWindowPlacement>(const QString &title)>;

// The program's windows, for saving and loading their layout.
class LayoutWindows
{
public:
    virtual ~LayoutWindows() = default;
    // Every window of the program in the order it was created; the main window comes first.
    virtual QList<LayoutWindow> windows() const = 0;
    // Shows or hides the window at `index` of windows(), then gives it these outer bounds.
    virtual void place(int index, bool visible, const QRect &frame) = 0;
    // The parts of the desktop that windows may use, one rectangle per screen.
    virtual QList<QRect> availableScreens() const = 0;
};

// nullptr detaches; without windows a layout saves and loads only the external viewer.
void setLayoutWindows(LayoutWindows *windows);
// Without a finder no position of the external viewer is saved.
void setExternWindowFinder(ExternWindowFinder finder);

// Writes the sections of every named window and, when given, of the external viewer;
// every other section and key of an existing file stays.
Result<> writeWindowLayout(const QString &path, const QList<LayoutWindow> &windows,
                           const std::optional<ExternWindowPlacement> &externViewer);
// The stored layout of one window, with the defaults for missing keys; nothing unless the
// window's "Saveable" value is exactly "Y".
std::optional<LayoutWindow> readStoredWindow(const IniFile &ini, const QString &name);
WindowRect readExternViewerRect(const IniFile &ini);

// `frame` moved (and shrunk where it must) so that it lies on one of the screens, unless it
// lies on one already.
QRect clampOntoScreens(const QRect &frame, const QList<QRect> &screens);

// Collects the viewer settings, then writes the layout. False when the file could not be
// written; the user was told.
bool save_windows(const QString &path);
// Reads the external viewer's position and places every saveable window. A name without a
// folder is looked up in the current working folder. A missing file is reported and changes
// nothing (false). The main window is never hidden and no window is left off every screen.
bool load_windows(const QString &path);

// The menu entries "Ansicht", "Laden" and "Speichern": ask for a file, then load or save it.
// Cancel does nothing.
void AnsichtLadenClick();
void AnsichtSpeichernClick();
