#pragma once

#include <QString>

#include <memory>

// Synthetic key events on an X display through XTest (over libxdo, which finds a
// character's keycode and shift level in the keyboard map, level 3 through
// ISO_Level3_Shift, and binds a spare keycode for a character no key has). Events go to the
// window that has the keyboard focus. Keeps a display connection of its own; X errors are
// caught.
class X11Keyboard
{
public:
    // The display named by DISPLAY when `displayName` is empty.
    explicit X11Keyboard(const QString &displayName = {});
    ~X11Keyboard();
    X11Keyboard(const X11Keyboard &) = delete;
    X11Keyboard &operator=(const X11Keyboard &) = delete;

    bool connected() const;
    // A key by its keysym name ("Shift_L", "Return", "F12").
    void press(const char *keysym);
    void release(const char *keysym);
    void tap(const char *keysym, int count);
    // Types the text with the modifiers each character needs; characters outside Latin-1
    // go as Unicode keysyms.
    void type(const QString &text);
    void toggleNumLock();
    bool numLockOn() const;

private:
    struct Connection;
    std::unique_ptr<Connection> m_x;
};
