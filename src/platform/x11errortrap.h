#pragma once

// Xlib itself stays out of headers: its macros clash with Qt's names.
struct _XDisplay;
using Display = _XDisplay;

// Catches the X errors of the requests made while it lives. Xlib's default handler ends the
// program on any error (a window that vanished, say), so the first trap installs a handler
// that only counts, and it stays installed.
class X11ErrorTrap
{
public:
    explicit X11ErrorTrap(Display *display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap &) = delete;
    X11ErrorTrap &operator=(const X11ErrorTrap &) = delete;

    // True when a request made since the trap was set failed.
    bool failed();

private:
    Display *m_display;
};
