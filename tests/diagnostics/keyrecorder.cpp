// A plain X client for the key tests: shows a window with the title of its first argument
// and prints, per key press it receives, the keysym name the press types (one a line).
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 300, 100, 0, 0, 0);
    XStoreName(display, window, argv[1]);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(argv[1]), int(std::strlen(argv[1])));
    XSelectInput(display, window, KeyPressMask | StructureNotifyMask);
    XMapWindow(display, window);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify) {
            std::printf("mapped\n");
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
