#include "platform/x11windows.h"

#include "platform/x11errortrap.h"

#include <QCoreApplication>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int MaxTitle = 255;
constexpr int FurtherWindows = 1000;

// One property's items; empty when it is missing or of another format.
template<typename T>
std::vector<T> property(Display *display, Window window, Atom name, Atom type, int format)
{
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long rest = 0;
    unsigned char *data = nullptr;
    std::vector<T> items;
    if (XGetWindowProperty(display, window, name, 0, 65536, False, type, &actualType, &actualFormat,
                           &count, &rest, &data) == Success && data) {
        if (actualFormat == format && (type == AnyPropertyType || actualType == type)) {
            // Xlib hands 32-bit items over as longs.
            const auto *items32 = reinterpret_cast<const unsigned long *>(data);
            for (unsigned long i = 0; i < count; ++i)
                items.push_back(format == 32 ? T(items32[i]) : T(data[i]));
        }
        XFree(data);
    }
    return items;
}

} // namespace

struct X11Windows::Connection
{
    Display *display = nullptr;
    Window root = 0;
    Atom netClientListStacking = 0;
    Atom netSupportingWmCheck = 0;
    Atom netWmName = 0;
    Atom netWmPid = 0;
    Atom netMoveResizeWindow = 0;
    Atom netActiveWindow = 0;
    Atom utf8String = 0;

    ~Connection()
    {
        if (display)
            XCloseDisplay(display);
    }

    QString title(Window window) const
    {
        auto text = property<char>(display, window, netWmName, utf8String, 8);
        QString name = QString::fromUtf8(text.data(), qsizetype(text.size()));
        if (name.isEmpty()) {
            Atom type = None;
            int format = 0;
            unsigned long count = 0;
            unsigned long rest = 0;
            unsigned char *data = nullptr;
            if (XGetWindowProperty(display, window, XA_WM_NAME, 0, 1024, False, AnyPropertyType, &type,
                                   &format, &count, &rest, &data) == Success && data) {
                const auto *chars = reinterpret_cast<const char *>(data);
                name = format != 8 ? QString()
                       : type == utf8String ? QString::fromUtf8(chars, qsizetype(count))
                                            : QString::fromLatin1(chars, qsizetype(count));
                XFree(data);
            }
        }
        return name.left(MaxTitle);
    }

    bool windowManagerRuns() const
    {
        const auto check = property<Window>(display, root, netSupportingWmCheck, XA_WINDOW, 32);
        if (check.empty())
            return false;
        const auto self = property<Window>(display, check.front(), netSupportingWmCheck, XA_WINDOW, 32);
        return !self.empty() && self.front() == check.front();
    }

    void sendToRoot(Window window, Atom type, const std::array<long, 5> &data) const
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = type;
        event.xclient.format = 32;
        for (size_t i = 0; i < data.size(); ++i)
            event.xclient.data.l[i] = data[i];
        XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    }
};

X11Windows::X11Windows(const QString &displayName)
    : m_x(std::make_unique<Connection>())
{
    const QByteArray name = displayName.toLocal8Bit();
    m_x->display = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
    if (!m_x->display)
        return;
    Display *d = m_x->display;
    m_x->root = DefaultRootWindow(d);
    m_x->netClientListStacking = XInternAtom(d, "_NET_CLIENT_LIST_STACKING", False);
    m_x->netSupportingWmCheck = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    m_x->netWmName = XInternAtom(d, "_NET_WM_NAME", False);
    m_x->netWmPid = XInternAtom(d, "_NET_WM_PID", False);
    m_x->netMoveResizeWindow = XInternAtom(d, "_NET_MOVERESIZE_WINDOW", False);
    m_x->netActiveWindow = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    m_x->utf8String = XInternAtom(d, "UTF8_STRING", False);
}

X11Windows::~X11Windows() = default;

bool X11Windows::connected() const
{
    return m_x->display != nullptr;
}

bool X11Windows::hasWindowManager() const
{
    if (!connected())
        return false;
    X11ErrorTrap trap(m_x->display);
    const bool runs = m_x->windowManagerRuns();
    return runs && !trap.failed();
}

QList<X11Windows::WindowId> X11Windows::topLevelWindows() const
{
    QList<WindowId> windows;
    if (!connected())
        return windows;
    X11ErrorTrap trap(m_x->display);
    // Both lists run from the bottom up.
    std::vector<Window> stack;
    if (m_x->windowManagerRuns())
        stack = property<Window>(m_x->display, m_x->root, m_x->netClientListStacking, XA_WINDOW, 32);
    if (stack.empty()) {
        Window root = 0;
        Window parent = 0;
        Window *children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(m_x->display, m_x->root, &root, &parent, &children, &count) && children) {
            stack.assign(children, children + count);
            XFree(children);
        }
    }
    for (auto it = stack.rbegin(); it != stack.rend(); ++it)
        windows.append(*it);
    return windows;
}

QString X11Windows::title(WindowId window) const
{
    if (!connected())
        return {};
    X11ErrorTrap trap(m_x->display);
    const QString name = m_x->title(Window(window));
    return trap.failed() ? QString() : name;
}

bool X11Windows::isOwnWindow(WindowId window) const
{
    if (!connected())
        return false;
    X11ErrorTrap trap(m_x->display);
    const auto pid = property<unsigned long>(m_x->display, Window(window), m_x->netWmPid, XA_CARDINAL, 32);
    return !pid.empty() && qint64(pid.front()) == QCoreApplication::applicationPid();
}

std::optional<X11Windows::WindowId> X11Windows::findWindowByTitle(const QString &part)
{
    if (part.isEmpty() || !connected())
        return std::nullopt;
    const QString wanted = part.toLower();
    int examined = 0;
    for (WindowId window : topLevelWindows()) {
        if (examined > FurtherWindows)
            break;
        if (isOwnWindow(window))
            continue;
        ++examined;
        if (!title(window).toLower().contains(wanted))
            continue;
        if (examined == 1)
            activate(window);
        return window;
    }
    return std::nullopt;
}

bool X11Windows::moveResize(WindowId window, const QRect &rect)
{
    if (!connected() || rect.width() <= 0 || rect.height() <= 0 || isOwnWindow(window))
        return false;
    Display *d = m_x->display;
    X11ErrorTrap trap(d);
    if (m_x->windowManagerRuns()) {
        // North-west gravity, x, y, width and height given, sent by a pager-like tool.
        constexpr long Flags = NorthWestGravity | (0xF << 8) | (2 << 12);
        XMapWindow(d, Window(window));
        m_x->sendToRoot(Window(window), m_x->netMoveResizeWindow,
                        {Flags, rect.x(), rect.y(), rect.width(), rect.height()});
    } else {
        XMoveResizeWindow(d, Window(window), rect.x(), rect.y(), unsigned(rect.width()),
                          unsigned(rect.height()));
        XMapWindow(d, Window(window));
    }
    return !trap.failed();
}

std::optional<QRect> X11Windows::geometry(WindowId window) const
{
    if (!connected())
        return std::nullopt;
    X11ErrorTrap trap(m_x->display);
    XWindowAttributes attributes{};
    int x = 0;
    int y = 0;
    Window child = 0;
    if (!XGetWindowAttributes(m_x->display, Window(window), &attributes)
        || !XTranslateCoordinates(m_x->display, Window(window), m_x->root, 0, 0, &x, &y, &child)
        || trap.failed())
        return std::nullopt;
    // The position of the outer corner, border included, as moving takes it.
    return QRect(x - attributes.border_width, y - attributes.border_width, attributes.width, attributes.height);
}

bool X11Windows::activate(WindowId window)
{
    if (!connected())
        return false;
    Display *d = m_x->display;
    X11ErrorTrap trap(d);
    if (m_x->windowManagerRuns()) {
        m_x->sendToRoot(Window(window), m_x->netActiveWindow, {2, CurrentTime, 0, 0, 0});
    } else {
        XMapRaised(d, Window(window));
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(d, Window(window), &attributes) && attributes.map_state == IsViewable)
            XSetInputFocus(d, Window(window), RevertToParent, CurrentTime);
    }
    return !trap.failed();
}

QString X11Windows::textUnderPointer() const
{
    if (!connected())
        return {};
    Display *d = m_x->display;
    X11ErrorTrap trap(d);
    QString text;
    Window window = m_x->root;
    for (int depth = 0; window != None && depth < 64; ++depth) {
        Window root = 0;
        Window child = None;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned int mask = 0;
        if (!XQueryPointer(d, window, &root, &child, &rootX, &rootY, &x, &y, &mask))
            break;
        if (child != None) {
            const QString name = m_x->title(child);
            if (!name.isEmpty())
                text = name;
        }
        window = child;
    }
    return trap.failed() ? QString() : text;
}

std::optional<X11Windows::WindowId> X11Windows::windowForActivation(const QString &title) const
{
    if (title.isEmpty() || !connected())
        return std::nullopt;
    std::optional<WindowId> byPrefix;
    for (WindowId window : topLevelWindows()) {
        if (isOwnWindow(window))
            continue;
        const QString name = this->title(window);
        if (name == title)
            return window;
        if (!byPrefix && name.startsWith(title, Qt::CaseInsensitive))
            byPrefix = window;
    }
    return byPrefix;
}

// The focus window and its ancestors up to the root, innermost first.
static QList<Window> focusChain(Display *display)
{
    QList<Window> chain;
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    for (Window window = focus; window != None && window != PointerRoot && chain.size() < 64;) {
        chain.append(window);
        Window root = 0;
        Window parent = None;
        Window *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            break;
        if (children)
            XFree(children);
        if (parent == root)
            break;
        window = parent;
    }
    return chain;
}

bool X11Windows::hasFocus(WindowId window) const
{
    if (!connected())
        return false;
    X11ErrorTrap trap(m_x->display);
    const QList<Window> chain = focusChain(m_x->display);
    return !trap.failed() && chain.contains(Window(window));
}

bool X11Windows::focusIsOwn() const
{
    if (!connected())
        return false;
    QList<Window> chain;
    {
        X11ErrorTrap trap(m_x->display);
        chain = focusChain(m_x->display);
    }
    return std::any_of(chain.begin(), chain.end(), [this](Window w) { return isOwnWindow(w); });
}
