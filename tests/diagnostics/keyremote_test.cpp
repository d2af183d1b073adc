// The key remote against a real X server of the test's own and a client that records the
// keys it receives, without and with a window manager.
#include "diagnostics/keyremote.h"

#include "platform/x11keyboard.h"

#include "ownxserver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

namespace {

const QString RecorderTitle = QStringLiteral("KeyRecorder - Skript-Fu-Konsole");

class KeyRecorder
{
public:
    explicit KeyRecorder(const OwnXServer &server, const QStringList &options = {})
    {
        m_process.setProcessEnvironment(server.environment());
        m_process.start(QDir(QStringLiteral(TESSARO_BIN_DIR)).filePath(QStringLiteral("keyrecorder")),
                        QStringList{RecorderTitle} + options);
        m_mapped = m_process.waitForStarted(10000) && next(1) == QStringList{QStringLiteral("mapped")};
    }
    ~KeyRecorder()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    bool mapped() const { return m_mapped; }
    qint64 pid() const { return m_process.processId(); }

    // The next `count` keysyms typed, modifier keys left out; fewer after 10 s.
    QStringList next(int count)
    {
        QStringList keys;
        QDeadlineTimer deadline(10000);
        while (keys.size() < count && !deadline.hasExpired()) {
            if (!m_process.canReadLine() && !m_process.waitForReadyRead(100))
                continue;
            while (m_process.canReadLine() && keys.size() < count) {
                const QString key = QString::fromLatin1(m_process.readLine()).trimmed();
                if (!key.startsWith(QLatin1String("Shift_")) && !key.startsWith(QLatin1String("Control_"))
                    && !key.startsWith(QLatin1String("Alt_")) && !key.startsWith(QLatin1String("ISO_Level3")))
                    keys << key;
            }
        }
        return keys;
    }
    // Nothing more arrives within a short while.
    bool quiet() { return !m_process.waitForReadyRead(300); }

private:
    QProcess m_process;
    bool m_mapped = false;
};

class KeyRemoteOnX : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_FALSE(server.display().isEmpty()) << "no X server"; }

    KeyRemote remote()
    {
        return KeyRemote({[this](const QString &m) { messages << m; }, {}}, server.display());
    }

    // Sends each text to the recorder and compares what it typed.
    void expectTyped(KeyRemote &remote, KeyRecorder &recorder)
    {
        struct Case
        {
            QString text;
            QStringList typed;
            QStringList messages;
            bool done = true;
        };
        const Case cases[] = {
            {"+abc", {"A", "b", "c"}, {}},
            {"+(abc)", {"A", "B", "C"}, {}},
            {"{ENTER 3}", {"Return", "Return", "Return"}, {}},
            {"{{}", {"braceleft"}, {}},
            {"{}}", {"braceright"}, {}},
            {"a{NOSUCHKEY}b", {"a", "b"}, {"Invalid Key Name"}},
            {"x{TAB", {"x"}, {"No Close"}, false},
            {QStringLiteral("ä€~"), {"adiaeresis", "U20AC", "Return"}, {}},
        };
        for (const Case &c : cases) {
            SCOPED_TRACE(c.text.toStdString());
            messages.clear();
            const SendKeysResult result = remote.activateAndSend(RecorderTitle, c.text);
            EXPECT_EQ(result.done, c.done);
            EXPECT_EQ(recorder.next(int(c.typed.size())), c.typed);
            EXPECT_EQ(messages, c.messages);
        }
        EXPECT_TRUE(recorder.quiet());
    }

    OwnXServer server;
    QStringList messages;
};

TEST_F(KeyRemoteOnX, TypesTheGrammarIntoTheWindowFoundByItsTitleWithoutAWindowManager)
{
    KeyRecorder recorder(server);
    ASSERT_TRUE(recorder.mapped());
    KeyRemote keys = remote();
    EXPECT_TRUE(keys.AppActivate(QStringLiteral("keyrecorder - SKRIPT"))); // by prefix, any case
    EXPECT_FALSE(keys.AppActivate(QStringLiteral("Skript-Fu"))); // not the title's beginning
    EXPECT_FALSE(keys.AppActivate(QString()));
    expectTyped(keys, recorder);
}

TEST_F(KeyRemoteOnX, TypesTheGrammarIntoTheWindowFoundByItsTitleWithAWindowManager)
{
    ASSERT_TRUE(server.startWindowManager());
    KeyRecorder recorder(server);
    ASSERT_TRUE(recorder.mapped());
    KeyRemote keys = remote();
    expectTyped(keys, recorder);
}

TEST_F(KeyRemoteOnX, TargetThatVanishesDuringASendEndsNothing)
{
    KeyRecorder recorder(server);
    ASSERT_TRUE(recorder.mapped());
    KeyRemote keys = remote();
    ASSERT_TRUE(keys.AppActivate(RecorderTitle));
    std::thread killer([pid = recorder.pid()] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(pid_t(pid), SIGKILL);
    });
    const SendKeysResult result = keys.activateAndSend(RecorderTitle, QStringLiteral("{a 300}"));
    killer.join();
    EXPECT_TRUE(result.done);
    EXPECT_FALSE(keys.AppActivate(RecorderTitle));
    // A capped count: a billion Enters end after a thousand.
    EXPECT_TRUE(keys.activateAndSend(QStringLiteral("nobody"), QStringLiteral("{ENTER 999999999}")).done);
}

// Activation is asynchronous: keys wait for the focus, and go nowhere when it never comes.
TEST_F(KeyRemoteOnX, WindowThatNeverGetsTheFocusGetsNoKeys)
{
    ASSERT_TRUE(server.startWindowManager());
    KeyRecorder recorder(server, {QStringLiteral("--no-focus")});
    ASSERT_TRUE(recorder.mapped());
    KeyRemote keys = remote();
    const SendKeysResult result = keys.activateAndSend(RecorderTitle, QStringLiteral("abc"));
    EXPECT_FALSE(result.done);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QLatin1String("Tastaturfokus"))) << messages[0].toStdString();
    EXPECT_TRUE(recorder.quiet());
}

// A character's key and level come from the layout in use: on a German keyboard "@" and "{"
// are on level 3 (AltGr), "z" and "y" change places. Num Lock toggles its lock.
TEST_F(KeyRemoteOnX, GermanLayoutAndNumLock)
{
    ASSERT_TRUE(server.setKeyboardLayout(QStringLiteral("de")));
    KeyRecorder recorder(server);
    ASSERT_TRUE(recorder.mapped());
    KeyRemote keys = remote();
    ASSERT_TRUE(keys.activateAndSend(RecorderTitle, QStringLiteral("@{{}zyß+ö")).done);
    EXPECT_EQ(recorder.next(6), (QStringList{"at", "braceleft", "z", "y", "ssharp", "Odiaeresis"}));
    EXPECT_TRUE(messages.isEmpty());

    X11Keyboard keyboard(server.display());
    const bool before = keyboard.numLockOn();
    ASSERT_TRUE(keys.activateAndSend(RecorderTitle, QStringLiteral("{NUMLOCK}")).done);
    EXPECT_NE(keyboard.numLockOn(), before);
    EXPECT_TRUE(recorder.quiet());
}

// This program's own windows are never the target.
TEST_F(KeyRemoteOnX, OwnWindowIsNeverActivated)
{
    KeyRecorder recorder(server, {QStringLiteral("--pid"), QString::number(QCoreApplication::applicationPid())});
    ASSERT_TRUE(recorder.mapped());
    KeyRemote keys = remote();
    EXPECT_FALSE(keys.AppActivate(RecorderTitle));
}

} // namespace
