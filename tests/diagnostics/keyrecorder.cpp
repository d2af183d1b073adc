// A plain X client for the key tests: shows a window with the title of its first argument
// and prints, per key press it receives, the keysym name the press types (one a line).
// Options: --no-focus asks the window manager never to give it the focus; --pid N names
// process N as the window's owner.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    bool focusable = true;
    long ownerPid = getpid();
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-focus") == 0)
            focusable = false;
        else if (std::strcmp(argv[i], "--pid") == 0 && i + 1 < argc)
            ownerPid = std::atol(argv[++i]);
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 300, 100, 0, 0, 0);
    XStoreName(display, window, argv[1]);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(argv[1]), int(std::strlen(argv[1])));
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char *>(&ownerPid), 1);
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = focusable ? True : False;
    XSetWMHints(display, window, &hints);
    XSelectInput(display, window, KeyPressMask | StructureNotifyMask);
    XMapWindow(display, window);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify) {
            std::printf("mapped\n");
        } else if (event.type == MappingNotify) {
            // A character the keyboard has no key for comes on a keycode bound just for it:
            // read the new map at once, before the binding is undone again.
            XRefreshKeyboardMapping(&event.xmapping);
            XKeysymToKeycode(display, XK_a);
        } else if (event.type == KeyPress) {
            char text[16];
            KeySym keysym = NoSymbol;
            XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr);
            const char *name = XKeysymToString(keysym);
            std::printf("%s\n", name ? name : "?");
        }
        std::fflush(stdout);
    }
}
