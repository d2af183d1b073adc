#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <functional>

// An Xvfb of the test's own on a display number nobody else uses, without a window manager until
// one is asked for. Ends the server (and the window manager) when it goes.
class OwnXServer
{
public:
    OwnXServer();
    ~OwnXServer();
    OwnXServer(const OwnXServer &) = delete;
    OwnXServer &operator=(const OwnXServer &) = delete;

    // Empty when no server could be started.
    QString display() const { return m_display; }
    // The test's environment with DISPLAY naming this server.
    QProcessEnvironment environment() const;
    // Starts openbox on the server; true once it manages windows.
    bool startWindowManager();
    // Switches the keyboard layout ("de", "us") with setxkbmap.
    bool setKeyboardLayout(const QString &layout);

private:
    QProcess m_server;
    QProcess m_windowManager;
    QString m_display;
};

// Polls `condition` every 20 ms for at most `ms`.
bool pollUntil(const std::function<bool()> &condition, int ms = 20000);
