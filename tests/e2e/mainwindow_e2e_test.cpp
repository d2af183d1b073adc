#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <functional>

#include <gtest/gtest.h>

#include "x11windows.h"

namespace {

const QString BinDir = QStringLiteral(TESSARO_BIN_DIR);

bool waitFor(const std::function<bool()> &condition, int ms = 30000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

// An X server of the test's own on a display number nobody uses.
class OwnXServer
{
public:
    OwnXServer()
    {
        for (int n = 91; n < 200 && m_display.isEmpty(); ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))
                || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            const QString name = QStringLiteral(":%1").arg(n);
            // No reset when the last client leaves: the test's own queries come and go.
            m_server.start(QStringLiteral("Xvfb"),
                           {name, QStringLiteral("-screen"), QStringLiteral("0"),
                            QStringLiteral("1280x1024x24"), QStringLiteral("-noreset"),
                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            if (!m_server.waitForStarted(10000))
                return;
            const bool up = waitFor([&] {
                return displayReachable(name) || m_server.state() == QProcess::NotRunning;
            });
            if (up && m_server.state() == QProcess::Running) {
                m_display = name;
            } else {
                // Someone else took the number first; try the next one.
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

TEST(Program, StartsWithTheSimulatedCameraAndShowsItsMainWindow)
{
    OwnXServer server;
    ASSERT_FALSE(server.display().isEmpty()) << "no X server";

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), server.display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("TESSARO_SIM"), QStringLiteral("camera=1"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(BinDir);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QDir(BinDir).filePath(QStringLiteral("tessaro")), {});
    ASSERT_TRUE(program.waitForStarted(10000));

    const bool shown = waitFor([&] {
        return showsWindowTitled(server.display(), QStringLiteral("Tessaro für Canon EOS DSLR"))
               || program.state() == QProcess::NotRunning;
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(program.state(), QProcess::Running) << "the program ended by itself";

    program.terminate();
    if (!program.waitForFinished(10000))
        program.kill();
    program.waitForFinished(10000);
}

} // namespace
