#pragma once

#include "scripting/scriptrunner.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QObject;
namespace pascal {
class Compiler;
class Executor;
struct Program;
} // namespace pascal
class ScriptWindowView;
class TExternApplications;

// What the host needs of the rest of the program; an unset step does nothing.
struct ScriptHostHooks
{
    // One release and its wait for the picture, as the single-shot mode makes it. Refused
    // (with a non-zero code) while another release runs.
    std::function<quint32()> shoot;
    // How long the wait for one picture may last: its exposure plus the margin of a shot.
    std::function<qint64()> pictureWaitMs;
    // Ends a running release wait at once.
    std::function<void()> stopRelease;
    // A download has ended since the last release began.
    std::function<bool()> pictureArrived;
};

// The host functions scripts call and the sequence that compiles and runs a script text.
// Everything runs on the main thread; the waits process pending events.
class ScriptHost : public ScriptRunner
{
public:
    ScriptHost(TExternApplications &catalogue, QObject *notifyWindow);
    ~ScriptHost();
    ScriptHost(const ScriptHost &) = delete;
    ScriptHost &operator=(const ScriptHost &) = delete;

    void setView(ScriptWindowView *view) { m_view = view; }
    void setHooks(ScriptHostHooks hooks) { m_hooks = std::move(hooks); }

    // Compiles and runs a text, writing what happens into the output window. With message
    // processing, pending events are handled every fifteen executed lines. Ignored while a
    // script runs.
    void RunScript(const QString &text, bool processMessages) override;
    // Ends a running script at its next step and every wait of a host function at once.
    void StopScript() override;
    bool running() const override { return m_executor != nullptr; }

    // The picture-stored message (1031) reached the program.
    void ImageStored() { m_pictureStored = true; }
    bool pictureStored() const { return m_pictureStored; }


    // What every script is compiled with besides the host classes.
    static const char *const Declarations;

private:
    friend struct HostFunctions;

    void appendLine(const QString &line);
    bool compile(pascal::Compiler &compiler, const QString &text, const QString &fileName);
    bool refuseWindowsLibraries(const pascal::Program &program);
    void registerHost(pascal::Executor &executor);
    // Memo2 (the output window), Self (the script window) and Application.
    void registerHostObjects(pascal::Executor &executor);
    void waitForQueue();
    // Processes events until `done`, ms on the program's clock, or a stop. True when done.
    bool hostWait(qint64 ms, const std::function<bool()> &done = {});

    TExternApplications &m_catalogue;
    QObject *m_notifyWindow;
    ScriptWindowView *m_view = nullptr;
    ScriptHostHooks m_hooks;
    std::unique_ptr<pascal::Executor> m_executor;
    std::atomic<bool> m_stopping{false};
    bool m_pictureStored = false;
    int m_pauseAfterCommand = 500;
    int m_lineCounter = 0;
    QString m_ebvFileMask;
    QString m_caption = QStringLiteral("Pascal Script");
    QString m_applicationTitle;
};
