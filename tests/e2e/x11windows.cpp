#include "x11windows.h"

#include <X11/Xlib.h>

namespace {

QString windowName(Display *display, Window window)
{
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long rest = 0;
    unsigned char *data = nullptr;
    QString name;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &rest, &data) == Success && data) {
        name = QString::fromUtf8(reinterpret_cast<const char *>(data), int(count));
        XFree(data);
    }
    return name;
}

bool hasWindowTitled(Display *display, Window window, const QString &title)
{
    if (windowName(display, window) == title)
        return true;
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i)
        found = hasWindowTitled(display, children[i], title);
    if (children)
        XFree(children);
    return found;
}

} // namespace

bool showsWindowTitled(const QString &displayName, const QString &title)
{
    Display *display = XOpenDisplay(displayName.toLatin1().constData());
    if (!display)
        return false;
    const bool found = hasWindowTitled(display, DefaultRootWindow(display), title);
    XCloseDisplay(display);
    return found;
}
