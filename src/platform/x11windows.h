#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <memory>
#include <optional>

// The top-level windows of every program on an X display: their titles and stacking order,
// moving, activating, and the text under the pointer. Keeps a display connection of its own;
// an X error fails the call that caused it and nothing else. Requests go through the window
// manager (EWMH) when one runs, and are plain Xlib calls when none does.
class X11Windows
{
public:
    using WindowId = quint64;

    // The display named by DISPLAY when `displayName` is empty.
    explicit X11Windows(const QString &displayName = {});
    ~X11Windows();
    X11Windows(const X11Windows &) = delete;
    X11Windows &operator=(const X11Windows &) = delete;

    bool connected() const;
    bool hasWindowManager() const;

    // The topmost first.
    QList<WindowId> topLevelWindows() const;
    // At most 255 characters.
    QString title(WindowId window) const;
    // A window of this process.
    bool isOwnWindow(WindowId window) const;

    // The first top-level window (topmost first, at most 1001 looked at) whose title contains
    // `part`, ignoring case; this process's own windows are passed over. When it is the very
    // first window it is also activated. An empty part matches nothing.
    std::optional<WindowId> findWindowByTitle(const QString &part);
    // Moves, sizes and shows the window; false (nothing done) for a width or height <= 0, a
    // window of this process or an X error.
    bool moveResize(WindowId window, const QRect &rect);
    // Where the window lies on the screen; nothing after an X error.
    std::optional<QRect> geometry(WindowId window) const;
    // Raises the window and gives it the keyboard focus.
    bool activate(WindowId window);
    // The title or text of the innermost named window under the pointer.
    QString textUnderPointer() const;

    // The window to activate for `title`: the first top-level window (topmost first) titled
    // exactly so, else the first whose title begins with it, ignoring case. This process's
    // own windows are passed over; an empty title matches nothing.
    std::optional<WindowId> windowForActivation(const QString &title) const;
    // The window has the keyboard focus, or one of its descendants has.
    bool hasFocus(WindowId window) const;
    // The keyboard focus is in a window of this process.
    bool focusIsOwn() const;

private:
    struct Connection;
    std::unique_ptr<Connection> m_x;
};
