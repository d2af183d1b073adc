#include "diagnostics/sendkeys.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr int MaxNameLength = 20;
constexpr int VkEnter = 13;

const QHash<QString, int> &keyNames()
{
    static const QHash<QString, int> names = [] {
        QHash<QString, int> table{
            {"BACKSPACE", 8}, {"BKSP", 8},  {"BS", 8},           {"BREAK", 3},     {"CAPSLOCK", 20},
            {"CLEAR", 12},    {"DEL", 46},  {"DELETE", 46},      {"DOWN", 40},     {"END", 35},
            {"ENTER", 13},    {"ESC", 27},  {"ESCAPE", 27},      {"HELP", 47},     {"HOME", 36},
            {"INS", 45},      {"LEFT", 37}, {"NUMLOCK", VkNumLock}, {"PGDN", 34},  {"PGUP", 33},
            {"PRTSC", 42},    {"RIGHT", 39}, {"SCROLLLOCK", 145}, {"TAB", 9},       {"UP", 38},
        };
        for (int n = 1; n <= 16; ++n)
            table.insert(QStringLiteral("F%1").arg(n), 111 + n);
        return table;
    }();
    return names;
}

class Grammar
{
public:
    Grammar(KeySender &sender, const std::function<void(const QString &)> &message)
        : m_sender(sender)
        , m_message(message)
    {
    }

    SendKeysResult run(const QString &text)
    {
        SendKeysResult result;
        if (text.isEmpty())
            return result;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (const std::optional<Modifier> modifier = modifierOf(c)) {
                hold(*modifier);
            } else if (c == QLatin1Char('(')) {
                m_group = true;
            } else if (c == QLatin1Char(')')) {
                m_group = false;
                releaseHeld();
            } else if (c == QLatin1Char('~')) {
                m_sender.sendKey(VkEnter, 1);
                afterKey();
            } else if (c == QLatin1Char('{')) {
                if (!braces(text, i, result)) {
                    releaseHeld();
                    return result;
                }
            } else {
                typeCharacter(c, 1, QStringLiteral("Invalid KeyName"));
                afterKey();
            }
        }
        releaseHeld();
        result.done = true;
        return result;
    }

private:
    static std::optional<Modifier> modifierOf(QChar c)
    {
        switch (c.unicode()) {
        case '+': return Modifier::Shift;
        case '^': return Modifier::Ctrl;
        case '%': return Modifier::Alt;
        default: return std::nullopt;
        }
    }

    void hold(Modifier modifier)
    {
        bool &held = m_held[size_t(modifier)];
        if (held)
            return;
        held = true;
        m_sender.press(modifier);
    }

    void releaseHeld()
    {
        for (Modifier modifier : {Modifier::Shift, Modifier::Ctrl, Modifier::Alt}) {
            if (std::exchange(m_held[size_t(modifier)], false))
                m_sender.release(modifier);
        }
    }

    void afterKey()
    {
        if (!m_group)
            releaseHeld();
    }

    void typeCharacter(QChar c, int count, const QString &failure)
    {
        if (!m_sender.typeCharacter(c, count))
            m_message(failure);
    }

    // At text[i] == '{'; leaves i on the closing brace. False stops the text.
    bool braces(const QString &text, qsizetype &i, SendKeysResult &result)
    {
        const QStringView rest = QStringView(text).mid(i + 1);
        if (rest.startsWith(QLatin1String("{}")) || rest.startsWith(QLatin1String("}}"))) {
            typeCharacter(rest[0], 1, QStringLiteral("Invalid KeyName"));
            i += 2;
            afterKey();
            return true;
        }
        const qsizetype close = text.indexOf(QLatin1Char('}'), i + 1);
        if (close < 0) {
            m_message(QStringLiteral("No Close"));
            return false;
        }
        QString name = text.mid(i + 1, close - i - 1).toUpper().left(MaxNameLength);
        i = close;
        int count = 1;
        const qsizetype blank = name.indexOf(QLatin1Char(' '));
        if (blank >= 0) {
            const QString countText = name.mid(blank + 1);
            bool number = false;
            count = std::clamp(countText.toInt(&number), 0, MaxRepeatCount);
            if (!number) {
                result.error = QStringLiteral("'%1' ist kein gültiger Integerwert").arg(countText);
                return false;
            }
            name = name.left(blank);
        }
        if (name.size() == 1) {
            typeCharacter(name[0], count, QStringLiteral("Invalid KeyName"));
        } else if (const std::optional<int> code = keyCodeOfName(name)) {
            if (*code == VkNumLock)
                m_sender.toggleNumLock();
            else
                m_sender.sendKey(*code, count);
        } else {
            m_message(QStringLiteral("Invalid Key Name"));
        }
        afterKey();
        return true;
    }

    KeySender &m_sender;
    const std::function<void(const QString &)> &m_message;
    std::array<bool, 3> m_held{};
    bool m_group = false;
};

} // namespace

std::optional<int> keyCodeOfName(const QString &name)
{
    const auto it = keyNames().find(name);
    if (it == keyNames().end())
        return std::nullopt;
    return *it;
}

SendKeysResult SendKeys(const QString &text, KeySender &sender,
                        const std::function<void(const QString &message)> &message)
{
    return Grammar(sender, message).run(text);
}
