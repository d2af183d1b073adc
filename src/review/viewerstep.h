#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

struct TProgramSettings;
class X11Windows;
class PictureLoader;

// The status text for a raw or thumbnail file that the internal display refuses.
inline constexpr const char *OnlyJpegText = "Zur Zeit wird in der direktanzeige nur JPG unterstützt.";

// The six forms of raw and thumbnail names the internal display refuses, anywhere in the
// name: ".CR2", ".cr2", ".CRW", ".crw", ".THM", ".thm". Mixed case such as ".Cr2" passes.
bool refusedByInternalDisplay(const QString &fileName);

// The internal image window's width for a height: 1.5 times, an exact half going to the
// even neighbour (301 -> 452, 303 -> 454).
int imageWindowWidth(int height);

// The program that "ExternViewerPath" names: the file itself when it exists, else the name
// looked up on PATH; empty when neither gives a program.
QString externalViewerProgram(const QString &configured);

// Finds and places the external viewer's window.
class ViewerWindows
{
public:
    virtual ~ViewerWindows() = default;
    virtual std::optional<quint64> findWindowByTitle(const QString &part) = 0;
    // Moves, sizes, shows and activates the window.
    virtual void place(quint64 window, const QRect &rect) = 0;
};

// Over the X11 window module, connected on first use.
class X11ViewerWindows : public ViewerWindows
{
public:
    X11ViewerWindows();
    ~X11ViewerWindows() override;
    X11Windows &x11();
    std::optional<quint64> findWindowByTitle(const QString &part) override;
    void place(quint64 window, const QRect &rect) override;

private:
    std::unique_ptr<X11Windows> m_windows;
};

// Starts a program detached with an argument list; true when it started.
using ProcessStarter = std::function<bool(const QString &program, const QStringList &arguments)>;
// QProcess::startDetached: the program's own arguments, no shell in between.
ProcessStarter detachedStarter();

// The display step for one received file: the internal image window and the external viewer.
class ViewerStep
{
public:
    struct Hooks
    {
        // The three controls of the moment: "Bild nach Auslösen Anzeigen " ticked, the image
        // window visible, "Interner Viewer" ticked.
        std::function<bool()> internalDisplayWanted;
        std::function<QSize()> displaySize;
        // A red status message.
        std::function<void(const QString &text)> showError;
        ProcessStarter startProcess = detachedStarter();
        ViewerWindows *windows = nullptr;
    };

    ViewerStep(PictureLoader &loader, Hooks hooks);

    void ShowReceivedPicture(const QString &folder, const QString &fileName);
    // The external viewer alone, as the settings say; true when a viewer was started.
    bool startExternalViewer(const TProgramSettings &settings, const QString &path);

private:
    PictureLoader &m_loader;
    Hooks m_hooks;
};
