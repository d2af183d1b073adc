#include "settings/windowlayout.h"

#include "platform/dialogs.h"
#include "settings/configuration.h"
#include "settings/inifile.h"
#include "settings/settingsmessages.h"

#include <QFileInfo>

#include <algorithm>
#include <array>

namespace {

const QString WindowsSection = QStringLiteral("Windows");
const QString SaveableSection = QStringLiteral("Saveable");
const QString ExternViewerSection = QStringLiteral("ExternViewerWindow");

// The four bounds keys of a window's section, in the order of the file.
struct EdgeKey
{
    const char *key;
    int (QRect::*get)() const;
    int defaultValue;
};
enum Edge { Top, Left, Height, Width };
const std::array<EdgeKey, 4> kEdgeKeys = {{
    {"Top", &QRect::top, 1},
    {"Left", &QRect::left, 1},
    {"Height", &QRect::height, 100},
    {"Width", &QRect::width, 100},
}};

LayoutWindows *g_windows = nullptr;
ExternWindowFinder g_findExtern;

void writeFrame(IniEdits &edits, const QString &section, const QRect &frame, int state)
{
    for (const EdgeKey &edge : kEdgeKeys)
        edits.writeInteger(section, QLatin1String(edge.key), (frame.*edge.get)());
    edits.writeInteger(section, QStringLiteral("State"), state);
}

QRect readFrame(const IniFile &ini, const QString &section)
{
    std::array<int, 4> v{};
    for (size_t i = 0; i < kEdgeKeys.size(); ++i)
        v[i] = ini.readInteger(section, QLatin1String(kEdgeKeys[i].key), kEdgeKeys[i].defaultValue);
    return QRect(v[Left], v[Top], v[Width], v[Height]);
}

qint64 overlap(const QRect &a, const QRect &b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

qint64 distanceSquared(const QPoint &a, const QPoint &b)
{
    const qint64 dx = a.x() - b.x();
    const qint64 dy = a.y() - b.y();
    return dx * dx + dy * dy;
}

// The screen holding the largest part of `frame`; the nearest one when none holds any.
const QRect &bestScreen(const QRect &frame, const QList<QRect> &screens)
{
    const auto largest = std::max_element(screens.begin(), screens.end(),
        [&frame](const QRect &a, const QRect &b) { return overlap(frame, a) < overlap(frame, b); });
    if (overlap(frame, *largest) > 0)
        return *largest;
    return *std::min_element(screens.begin(), screens.end(), [&frame](const QRect &a, const QRect &b) {
        return distanceSquared(frame.center(), a.center()) < distanceSquared(frame.center(), b.center());
    });
}

std::optional<ExternWindowPlacement> findExternViewer()
{
    const QString &title = ProgramSettings().ExternViewerWindowTitle;
    // An empty title is part of every window's title: it names no window.
    if (!g_findExtern || title.isEmpty())
        return std::nullopt;
    return g_findExtern(title);
}

FileDialogOptions layoutFileOptions(const char *defaultExtension, const char *filter)
{
    FileDialogOptions options;
    options.fileName = QLatin1String(DefaultLayoutName);
    options.defaultExtension = QLatin1String(defaultExtension);
    options.filter = QLatin1String(filter);
    return options;
}

} // namespace

void setLayoutWindows(LayoutWindows *windows) { g_windows = windows; }

void setExternWindowFinder(ExternWindowFinder finder) { g_findExtern = std::move(finder); }

Result<> writeWindowLayout(const QString &path, const QList<LayoutWindow> &windows,
                           const std::optional<ExternWindowPlacement> &externViewer)
{
    IniEdits edits;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const LayoutWindow &w = windows[i];
        if (w.name.isEmpty())
            continue;
        edits.writeString(WindowsSection, QStringLiteral("Window%1").arg(i), w.name);
        edits.writeString(SaveableSection, w.name, QStringLiteral("Y"));
        edits.writeBool(w.name, QStringLiteral("Visible"), w.visible);
        writeFrame(edits, w.name, w.frame, w.state);
    }
    if (externViewer)
        writeFrame(edits, ExternViewerSection, externViewer->frame, externViewer->state);
    return IniFile(path).apply(edits);
}

std::optional<LayoutWindow> readStoredWindow(const IniFile &ini, const QString &name)
{
    if (name.isEmpty() || ini.readString(SaveableSection, name) != QLatin1String("Y"))
        return std::nullopt;
    LayoutWindow w;
    w.name = name;
    w.visible = ini.readBool(name, QStringLiteral("Visible"), false);
    w.frame = readFrame(ini, name);
    return w;
}

WindowRect readExternViewerRect(const IniFile &ini)
{
    const QRect frame = readFrame(ini, ExternViewerSection);
    return {frame.left(), frame.top(), frame.width(), frame.height()};
}

QRect clampOntoScreens(const QRect &frame, const QList<QRect> &screens)
{
    if (screens.isEmpty())
        return frame;
    for (const QRect &screen : screens) {
        if (screen.contains(frame))
            return frame;
    }
    const QRect &screen = bestScreen(frame, screens);
    const int width = std::clamp(frame.width(), 1, screen.width());
    const int height = std::clamp(frame.height(), 1, screen.height());
    const int left = std::clamp(frame.left(), screen.left(), screen.left() + screen.width() - width);
    const int top = std::clamp(frame.top(), screen.top(), screen.top() + screen.height() - height);
    return QRect(left, top, width, height);
}

bool save_windows(const QString &path)
{
    ViewerSettingsFromWindow();
    const QList<LayoutWindow> windows = g_windows ? g_windows->windows() : QList<LayoutWindow>{};
    const Result<> written = writeWindowLayout(path, windows, findExternViewer());
    if (written)
        return true;
    reportUnwritableSettingsFile(path, written.error());
    return false;
}

bool load_windows(const QString &path)
{
    const QString fullPath = inWorkingFolder(path);
    const IniFile ini(fullPath);
    if (!settingsFileReadable(fullPath, ini))
        return false;
    ProgramSettings().ExternViewerRect = readExternViewerRect(ini);
    ViewerSettingsToWindow();
    if (!g_windows)
        return true;
    const QList<LayoutWindow> windows = g_windows->windows();
    const QList<QRect> screens = g_windows->availableScreens();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const std::optional<LayoutWindow> stored = readStoredWindow(ini, windows[i].name);
        if (!stored)
            continue;
        // Hiding the main window would leave the program without its menu.
        const bool visible = i == 0 ? windows[i].visible : stored->visible;
        g_windows->place(int(i), visible, clampOntoScreens(stored->frame, screens));
    }
    return true;
}

void AnsichtLadenClick()
{
    if (const auto path = appDialogs().openFile(layoutFileOptions("*cif", "*.cif|*.CIF")))
        load_windows(*path);
}

void AnsichtSpeichernClick()
{
    if (const auto path = appDialogs().saveFile(layoutFileOptions("*.cif", "*.cif|*.CiF")))
        save_windows(*path);
}
