#include "platform/x11keyboard.h"

#include "platform/x11errortrap.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <utility>

extern "C" {
#include <xdo.h>
}

namespace {

// Between the press and release of a key, and between keys: some programs read the
// keyboard state rather than the events and miss keys sent faster than this.
constexpr useconds_t KeyDelay = 2000;
// A character without a key is typed on a spare key that is bound for it and unbound after
// half this delay. The target reads the binding when it handles the event, so a busy target
// given less time sees the unbound key; such characters are rare, the wait is not.
constexpr useconds_t SpareKeyDelay = 400000;

KeySym keysymOf(QChar c)
{
    return c.unicode() < 0x100 ? KeySym(c.unicode()) : KeySym(0x01000000 | c.unicode());
}

} // namespace

struct X11Keyboard::Connection
{
    xdo_t *xdo = nullptr;
    ~Connection()
    {
        if (xdo)
            xdo_free(xdo);
    }
};

X11Keyboard::X11Keyboard(const QString &displayName)
    : m_x(std::make_unique<Connection>())
{
    const QByteArray name = displayName.toLocal8Bit();
    m_x->xdo = xdo_new(name.isEmpty() ? nullptr : name.constData());
}

X11Keyboard::~X11Keyboard() = default;

bool X11Keyboard::connected() const
{
    return m_x->xdo != nullptr;
}

void X11Keyboard::press(const char *keysym)
{
    if (!connected())
        return;
    X11ErrorTrap trap(m_x->xdo->xdpy);
    xdo_send_keysequence_window_down(m_x->xdo, CURRENTWINDOW, keysym, 0);
}

void X11Keyboard::release(const char *keysym)
{
    if (!connected())
        return;
    X11ErrorTrap trap(m_x->xdo->xdpy);
    xdo_send_keysequence_window_up(m_x->xdo, CURRENTWINDOW, keysym, 0);
}

void X11Keyboard::tap(const char *keysym, int count)
{
    if (!connected())
        return;
    X11ErrorTrap trap(m_x->xdo->xdpy);
    for (int i = 0; i < count; ++i)
        xdo_send_keysequence_window(m_x->xdo, CURRENTWINDOW, keysym, KeyDelay);
}

void X11Keyboard::type(const QString &text)
{
    if (!connected() || text.isEmpty())
        return;
    Display *display = m_x->xdo->xdpy;
    X11ErrorTrap trap(display);
    // Runs of characters the keyboard has go at the usual pace, the others one by one.
    QString run;
    const auto typeRun = [&] {
        if (!run.isEmpty())
            xdo_enter_text_window(m_x->xdo, CURRENTWINDOW, run.toUtf8().constData(), KeyDelay);
        run.clear();
    };
    for (const QChar c : text) {
        if (c.isSurrogate() || XKeysymToKeycode(display, keysymOf(c)) != 0) {
            run += c;
            continue;
        }
        typeRun();
        xdo_enter_text_window(m_x->xdo, CURRENTWINDOW, QString(c).toUtf8().constData(), SpareKeyDelay);
    }
    typeRun();
}

// The Num Lock modifier and whether it is locked now; no mask when the keyboard has none.
static std::pair<unsigned int, bool> numLockState(Display *display)
{
    const unsigned int mask = XkbKeysymToModifiers(display, XK_Num_Lock);
    XkbStateRec state{};
    if (!mask || XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return {0, false};
    return {mask, (state.locked_mods & mask) != 0};
}

void X11Keyboard::toggleNumLock()
{
    if (!connected())
        return;
    Display *display = m_x->xdo->xdpy;
    X11ErrorTrap trap(display);
    const auto [mask, on] = numLockState(display);
    if (!mask)
        return;
    XkbLockModifiers(display, XkbUseCoreKbd, mask, on ? 0 : mask);
    XSync(display, False);
}

bool X11Keyboard::numLockOn() const
{
    if (!connected())
        return false;
    X11ErrorTrap trap(m_x->xdo->xdpy);
    return numLockState(m_x->xdo->xdpy).second;
}
