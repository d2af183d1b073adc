#include "diagnostics/keyremote.h"

#include "platform/x11keyboard.h"
#include "platform/x11windows.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QThread>

namespace {

constexpr int FocusPollMs = 10;

// The keysyms of the name table's key codes.
const QHash<int, const char *> &keysymsOfKeyCodes()
{
    static const QHash<int, const char *> keysyms = [] {
        QHash<int, const char *> table{
            {8, "BackSpace"}, {3, "Break"},   {20, "Caps_Lock"}, {12, "Clear"},  {46, "Delete"},
            {40, "Down"},     {35, "End"},    {13, "Return"},    {27, "Escape"}, {47, "Help"},
            {36, "Home"},     {45, "Insert"}, {37, "Left"},      {34, "Next"},   {33, "Prior"},
            {42, "Print"},    {39, "Right"},  {145, "Scroll_Lock"}, {9, "Tab"},  {38, "Up"},
        };
        static const char *const functionKeys[] = {"F1", "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",
                                                   "F9", "F10", "F11", "F12", "F13", "F14", "F15", "F16"};
        for (int n = 0; n < 16; ++n)
            table.insert(112 + n, functionKeys[n]);
        return table;
    }();
    return keysyms;
}

// Control characters that a key types; every other one has none.
const char *keysymOfControl(QChar c)
{
    switch (c.unicode()) {
    case '\b': return "BackSpace";
    case '\t': return "Tab";
    case '\n':
    case '\r': return "Return";
    case 0x1B: return "Escape";
    default: return nullptr;
    }
}

class X11KeySender : public KeySender
{
public:
    explicit X11KeySender(X11Keyboard &keyboard)
        : m_keyboard(keyboard)
    {
    }

    void press(Modifier modifier) override { m_keyboard.press(keysymOf(modifier)); }
    void release(Modifier modifier) override { m_keyboard.release(keysymOf(modifier)); }

    bool typeCharacter(QChar c, int count) override
    {
        if (const char *keysym = keysymOfControl(c)) {
            m_keyboard.tap(keysym, count);
            return true;
        }
        if (c.category() == QChar::Other_Control || c.isSurrogate() || c.unicode() == 0x7F)
            return false;
        m_keyboard.type(QString(count, c));
        return true;
    }

    void sendKey(int keyCode, int count) override
    {
        if (const char *keysym = keysymsOfKeyCodes().value(keyCode))
            m_keyboard.tap(keysym, count);
    }

    void toggleNumLock() override { m_keyboard.toggleNumLock(); }

private:
    static const char *keysymOf(Modifier modifier)
    {
        static const char *const keysyms[] = {"Shift_L", "Control_L", "Alt_L"};
        return keysyms[int(modifier)];
    }

    X11Keyboard &m_keyboard;
};

} // namespace

KeyRemote::KeyRemote(Hooks hooks, const QString &displayName)
    : m_hooks(std::move(hooks))
    , m_windows(std::make_unique<X11Windows>(displayName))
    , m_keyboard(std::make_unique<X11Keyboard>(displayName))
{
    if (!m_hooks.message)
        m_hooks.message = [](const QString &) {};
}

KeyRemote::~KeyRemote() = default;

bool KeyRemote::AppActivate(const QString &title)
{
    const std::optional<X11Windows::WindowId> window = m_windows->windowForActivation(title);
    return window && m_windows->activate(*window);
}

bool KeyRemote::waitForFocus(quint64 window)
{
    QDeadlineTimer deadline(FocusWaitMs);
    while (!m_windows->hasFocus(window)) {
        if (deadline.hasExpired())
            return false;
        if (m_hooks.idle)
            m_hooks.idle();
        QThread::msleep(FocusPollMs);
    }
    return true;
}

SendKeysResult KeyRemote::activateAndSend(const QString &title, const QString &text)
{
    const std::optional<X11Windows::WindowId> window = m_windows->windowForActivation(title);
    if (window) {
        m_windows->activate(*window);
        if (!waitForFocus(*window)) {
            m_hooks.message(QStringLiteral("Das Fenster \"%1\" hat den Tastaturfokus nicht bekommen; "
                                           "es wurde nichts gesendet.")
                                .arg(m_windows->title(*window)));
            return {};
        }
    } else if (m_windows->focusIsOwn()) {
        // Without a target the keys would go to this very window.
        return {};
    }
    X11KeySender sender(*m_keyboard);
    return SendKeys(text, sender, m_hooks.message);
}
