#include "platform/x11errortrap.h"

#include <X11/Xlib.h>

#include <atomic>

namespace {

std::atomic<int> g_xErrors{0};

int countError(Display *, XErrorEvent *)
{
    ++g_xErrors;
    return 0;
}

} // namespace

X11ErrorTrap::X11ErrorTrap(Display *display)
    : m_display(display)
{
    static const bool installed = (XSetErrorHandler(countError), true);
    (void)installed;
    XSync(m_display, False);
    g_xErrors = 0;
}

X11ErrorTrap::~X11ErrorTrap()
{
    XSync(m_display, False);
}

bool X11ErrorTrap::failed()
{
    XSync(m_display, False);
    return g_xErrors != 0;
}
