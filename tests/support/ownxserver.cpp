#include "ownxserver.h"

#include "platform/x11windows.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

bool pollUntil(const std::function<bool()> &condition, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

namespace {

void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(10000))
        process.kill();
    process.waitForFinished(10000);
}

} // namespace

OwnXServer::OwnXServer()
{
    // Xvfb picks a free display number itself and writes it out once it accepts clients, so
    // tests that start servers at the same time never share one.
    m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                            QStringLiteral("-screen"), QStringLiteral("0"),
                                            QStringLiteral("1280x1024x24"), QStringLiteral("-noreset"),
                                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_server.waitForStarted(10000))
        return;
    QByteArray number;
    pollUntil([&] {
        m_server.waitForReadyRead(100);
        number += m_server.readAllStandardOutput();
        return number.contains('\n') || m_server.state() == QProcess::NotRunning;
    });
    if (number.trimmed().isEmpty())
        return;
    const QString name = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    if (X11Windows(name).connected())
        m_display = name;
}

OwnXServer::~OwnXServer()
{
    stop(m_windowManager);
    stop(m_server);
}

QProcessEnvironment OwnXServer::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    return env;
}

bool OwnXServer::startWindowManager()
{
    if (m_display.isEmpty())
        return false;
    // Openbox runs its start-up command once it manages windows; before that a new window
    // may be left unmanaged.
    QTemporaryDir marks;
    const QString ready = marks.filePath(QStringLiteral("ready"));
    m_windowManager.setProcessEnvironment(environment());
    m_windowManager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_windowManager.start(QStringLiteral("openbox"),
                          {QStringLiteral("--sm-disable"), QStringLiteral("--startup"),
                           QStringLiteral("touch '%1'").arg(ready)});
    return m_windowManager.waitForStarted(10000) && pollUntil([&] { return QFile::exists(ready); })
           && X11Windows(m_display).hasWindowManager();
}

bool OwnXServer::setKeyboardLayout(const QString &layout)
{
    QProcess setxkbmap;
    setxkbmap.setProcessEnvironment(environment());
    setxkbmap.setProcessChannelMode(QProcess::ForwardedChannels);
    setxkbmap.start(QStringLiteral("setxkbmap"), {layout});
    return setxkbmap.waitForFinished(10000) && setxkbmap.exitStatus() == QProcess::NormalExit
           && setxkbmap.exitCode() == 0;
}
