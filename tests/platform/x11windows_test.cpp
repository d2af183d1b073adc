// The window search on a real X server of the test's own, with another program's window.
#include "platform/x11windows.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <functional>

#include <gtest/gtest.h>

namespace {

bool waitFor(const std::function<bool()> &condition, int ms = 20000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

// Xvfb on a display number nobody uses, with no window manager.
class OwnXServer
{
public:
    OwnXServer()
    {
        for (int n = 140; n < 240 && m_display.isEmpty(); ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))
                || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            const QString name = QStringLiteral(":%1").arg(n);
            m_server.start(QStringLiteral("Xvfb"), {name, QStringLiteral("-screen"), QStringLiteral("0"),
                                                    QStringLiteral("1024x768x24"), QStringLiteral("-noreset"),
                                                    QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            if (!m_server.waitForStarted(10000))
                return;
            const bool up = waitFor([&] {
                return X11Windows(name).connected() || m_server.state() == QProcess::NotRunning;
            });
            if (up && m_server.state() == QProcess::Running) {
                m_display = name;
            } else {
                m_server.kill();
                m_server.waitForFinished(10000);
            }
        }
    }
    ~OwnXServer()
    {
        m_server.terminate();
        if (!m_server.waitForFinished(10000))
            m_server.kill();
    }
    QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};

TEST(X11WindowSearch, FindsAnotherProgramsWindowByTitlePartAndMovesIt)
{
    OwnXServer server;
    ASSERT_FALSE(server.display().isEmpty()) << "no X server";
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), server.display());
    client.setProcessEnvironment(env);
    client.start(QStringLiteral("xmessage"),
                 {QStringLiteral("-title"), QStringLiteral("Mein Bildbetrachter - IMG0001.JPG"),
                  QStringLiteral("-geometry"), QStringLiteral("+5+5"), QStringLiteral("Hallo")});
    ASSERT_TRUE(client.waitForStarted(10000));

    X11Windows windows(server.display());
    ASSERT_TRUE(windows.connected());
    EXPECT_FALSE(windows.hasWindowManager());
    std::optional<X11Windows::WindowId> found;
    ASSERT_TRUE(waitFor([&] { return (found = windows.findWindowByTitle(QStringLiteral("BILDbetrachter"))).has_value(); }));
    EXPECT_EQ(windows.title(*found), QStringLiteral("Mein Bildbetrachter - IMG0001.JPG"));
    EXPECT_EQ(windows.topLevelWindows().value(0), *found);

    // Nothing matches an empty part, nor a part no title has.
    EXPECT_FALSE(windows.findWindowByTitle(QString()));
    EXPECT_FALSE(windows.findWindowByTitle(QStringLiteral("Fotoschau")));

    ASSERT_TRUE(windows.moveResize(*found, QRect(40, 60, 320, 200)));
    EXPECT_TRUE(waitFor([&] { return windows.geometry(*found) == QRect(40, 60, 320, 200); }))
        << windows.geometry(*found).value_or(QRect()).x();
    // A size of zero moves nothing.
    EXPECT_FALSE(windows.moveResize(*found, QRect(0, 0, 0, 100)));
    EXPECT_EQ(windows.geometry(*found), QRect(40, 60, 320, 200));
    EXPECT_TRUE(windows.activate(*found));
    // A window that is gone fails without ending anything.
    EXPECT_FALSE(windows.moveResize(0x7FFFFFF, QRect(1, 1, 10, 10)));
    EXPECT_TRUE(windows.title(0x7FFFFFF).isEmpty());

    client.kill();
    client.waitForFinished(10000);
}

} // namespace
