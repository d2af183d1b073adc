#pragma once

#include "diagnostics/sendkeys.h"

#include <QString>

#include <functional>
#include <memory>

class X11Keyboard;
class X11Windows;

// Key sending into another program's window on the X display: activation by title, and the
// key grammar typed through XTest. Native Wayland windows cannot be reached.
class KeyRemote
{
public:
    struct Hooks
    {
        std::function<void(const QString &text)> message; // a "SendKeys" box
        std::function<void()> idle;                        // while waiting for the focus
    };

    // The display named by DISPLAY when `displayName` is empty.
    explicit KeyRemote(Hooks hooks, const QString &displayName = {});
    ~KeyRemote();

    // Finds the window for `title` and activates it; true when one was found.
    bool AppActivate(const QString &title);

    // Activates the window for `title` and sends `text`. Activation takes effect
    // asynchronously: when a window was found, the keys go only once it has the focus (waited
    // for at most FocusWaitMs, else reported and nothing is sent); without one they go to the
    // window that has the focus, unless that is one of ours.
    SendKeysResult activateAndSend(const QString &title, const QString &text);

    static constexpr int FocusWaitMs = 1000;

private:
    bool waitForFocus(quint64 window);

    Hooks m_hooks;
    std::unique_ptr<X11Windows> m_windows;
    std::unique_ptr<X11Keyboard> m_keyboard;
};
