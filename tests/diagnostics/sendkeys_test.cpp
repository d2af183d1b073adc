#include "diagnostics/sendkeys.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// Writes what it is asked to send as words: "+Shift", "-Shift", "a", "a*3", "k13", "k13*3",
// "NumLock". Characters in `untypeable` have no key.
class RecordingSender : public KeySender
{
public:
    void press(Modifier m) override { sent << QStringLiteral("+") + name(m); }
    void release(Modifier m) override { sent << QStringLiteral("-") + name(m); }
    bool typeCharacter(QChar c, int count) override
    {
        if (untypeable.contains(c))
            return false;
        sent << withCount(QString(c), count);
        return true;
    }
    void sendKey(int code, int count) override { sent << withCount(QStringLiteral("k%1").arg(code), count); }
    void toggleNumLock() override { sent << QStringLiteral("NumLock"); }

    QStringList sent;
    QString untypeable;

private:
    static QString name(Modifier m)
    {
        static const char *const names[] = {"Shift", "Ctrl", "Alt"};
        return QString::fromLatin1(names[int(m)]);
    }
    static QString withCount(const QString &key, int count)
    {
        return count == 1 ? key : key + QStringLiteral("*%1").arg(count);
    }
};

struct Sent
{
    SendKeysResult result;
    QString sent;
    QStringList messages;
};

Sent send(const QString &text, const QString &untypeable = {})
{
    RecordingSender sender;
    sender.untypeable = untypeable;
    Sent run;
    run.result = SendKeys(text, sender, [&](const QString &m) { run.messages << m; });
    run.sent = sender.sent.join(QLatin1Char(' '));
    return run;
}

TEST(SendKeysGrammar, SendsWhatTheTextSays)
{
    struct Case
    {
        const char *text;
        const char *sent;
    };
    const Case cases[] = {
        {"+abc", "+Shift a -Shift b c"},
        {"+(abc)", "+Shift a b c -Shift"},
        {"^%x", "+Ctrl +Alt x -Ctrl -Alt"},
        {"%^+y", "+Alt +Ctrl +Shift y -Shift -Ctrl -Alt"},
        {"+~a", "+Shift k13 -Shift a"},
        {"{ENTER 3}", "k13*3"},
        {"{enter 3}", "k13*3"},
        {"{BACKSPACE}{BKSP}{BS}", "k8 k8 k8"},
        {"{{}", "{"},
        {"{}}", "}"},
        {"+{{}x", "+Shift { -Shift x"},
        {"{a}", "A"},
        {"{a 2}", "A*2"},
        {"{F12}{PGUP}{scrolllock}", "k123 k33 k145"},
        {"{NUMLOCK}", "NumLock"},
        {"{ENTER 999999999}", "k13*1000"},
        {"{ENTER -4}", "k13*0"},
        {"{TAB 02}", "k9*2"},
        {"{ENTER}{ENTERTAINMENTISFINE", "k13"},
        {"+", "+Shift -Shift"},
        {"Wert = 65ist gleich Taste = A~", "W e r t   =   6 5 i s t   g l e i c h   T a s t e   =   A k13"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(send(QString::fromLatin1(c.text)).sent, QString::fromLatin1(c.sent));
    }
}

TEST(SendKeysGrammar, ProblemsAreShownAndTheRestOfTheTextStillGoes)
{
    Sent unknown = send(QStringLiteral("a{NOSUCHKEY}b"));
    EXPECT_TRUE(unknown.result.done);
    EXPECT_EQ(unknown.sent, QStringLiteral("a b"));
    EXPECT_EQ(unknown.messages, QStringList{QStringLiteral("Invalid Key Name")});

    Sent untypeable = send(QStringLiteral("x\u20ACy"), QStringLiteral("\u20AC"));
    EXPECT_TRUE(untypeable.result.done);
    EXPECT_EQ(untypeable.sent, QStringLiteral("x y"));
    EXPECT_EQ(untypeable.messages, QStringList{QStringLiteral("Invalid KeyName")});

    // An unclosed brace stops there; keys before it stay sent, held modifiers are let go.
    Sent unclosed = send(QStringLiteral("+(a{TAB"));
    EXPECT_FALSE(unclosed.result.done);
    EXPECT_EQ(unclosed.sent, QStringLiteral("+Shift a -Shift"));
    EXPECT_EQ(unclosed.messages, QStringList{QStringLiteral("No Close")});

    Sent badCount = send(QStringLiteral("a{ENTER x}b"));
    EXPECT_FALSE(badCount.result.done);
    EXPECT_EQ(badCount.sent, QStringLiteral("a"));
    EXPECT_EQ(badCount.result.error, QStringLiteral("'X' ist kein gültiger Integerwert"));

    Sent empty = send(QString());
    EXPECT_FALSE(empty.result.done);
    EXPECT_TRUE(empty.sent.isEmpty());
}

} // namespace
