#include "scripting/scripthost.h"

#include "pascal/engine.h"

#include "platform/clock.h"
#include "platform/waits.h"
#include "postprocess/catalogue.h"
#include "postprocess/queuewait.h"
#include "scripting/scriptincludes.h"
#include "scripting/scriptwindowview.h"
#include "scripting/scripttext.h"

#include <QCoreApplication>

#include <limits>

namespace {

// Pending events are processed after this many executed lines.
constexpr int kLinesPerEventPass = 15;
constexpr int kWaitSliceMs = 2;

QString queueCaption(int count)
{
    return QStringLiteral("Scripter  EBV-Befehle übrig = %1").arg(count, 3, 10, QLatin1Char('0'));
}

bool isWindowsLibrary(const std::string &library)
{
    return QString::fromStdString(library).endsWith(QLatin1String(".dll"), Qt::CaseInsensitive);
}

} // namespace

ScriptHost::ScriptHost(TExternApplications &catalogue, QObject *notifyWindow)
    : m_catalogue(catalogue)
    , m_notifyWindow(notifyWindow)
    , m_applicationTitle(QCoreApplication::applicationName())
{
}

ScriptHost::~ScriptHost() = default;

void ScriptHost::appendLine(const QString &line)
{
    if (m_view)
        m_view->appendOutput(line);
}

bool ScriptHost::compile(pascal::Compiler &compiler, const QString &text, const QString &fileName)
{
    compiler.setIncludeResolver(scriptIncludeResolver(QCoreApplication::applicationDirPath()));
    compiler.addDeclarations(pascal::standardHostClasses);
    compiler.addDeclarations(Declarations);
    const bool ok = compiler.compile(toScript(text), fileName.toStdString());
    appendLine(ok ? QStringLiteral("Succesfully compiled") : QStringLiteral("Failed when compiling"));
    bool caretPlaced = ok;
    for (const pascal::Message &m : compiler.messages()) {
        appendLine(fromScript(m.format()));
        // The caret can only go to an error in the text the editor holds.
        if (!caretPlaced && m.kind == pascal::Message::Kind::Error) {
            caretPlaced = true;
            if (m_view && m.file == fileName.toStdString())
                m_view->moveCaretTo(m.line, m.col);
        }
    }
    return ok;
}

// Libraries of another system cannot be loaded here; say so before the run stumbles on it.
bool ScriptHost::refuseWindowsLibraries(const pascal::Program &program)
{
    for (const pascal::External &external : program.externals) {
        if (isWindowsLibrary(external.library)) {
            appendLine(QStringLiteral("[Error] : Could not load data: '%1' is a Windows library; "
                                      "external functions come from .so libraries here")
                           .arg(QString::fromStdString(external.library)));
            return true;
        }
    }
    return false;
}

void ScriptHost::RunScript(const QString &text, bool processMessages)
{
    if (running() || !m_view)
        return;
    m_view->clearOutput();
    pascal::Compiler compiler;
    if (!compile(compiler, text, m_view->currentFileName()))
        return;
    if (!compiler.program()) {
        appendLine(QStringLiteral("[Error] : Could not get data"));
        return;
    }
    if (refuseWindowsLibraries(*compiler.program()))
        return;
    auto executor = std::make_unique<pascal::Executor>();
    std::string error;
    if (!executor->load(compiler.program(), compiler.debugInfo(), &error)) {
        appendLine(QStringLiteral("[Error] : Could not load data: ") + fromScript(error));
        return;
    }
    registerHost(*executor);
    m_stopping = false;
    m_lineCounter = 0;
    if (processMessages) {
        executor->setLineCallback([this](const pascal::SourcePos &) {
            m_lineCounter = (m_lineCounter + 1) % kLinesPerEventPass;
            if (m_lineCounter == 0)
                QCoreApplication::processEvents();
        });
    }
    m_executor = std::move(executor);
    const bool ok = m_executor->run();
    if (!ok) {
        const pascal::RuntimeError &e = m_executor->error();
        appendLine(QStringLiteral("[Runtime Error] : %1 in %2 at %3")
                       .arg(fromScript(e.text)).arg(e.proc).arg(e.position));
    } else {
        waitForQueue();
    }
    m_executor.reset();
}

void ScriptHost::waitForQueue()
{
    const QueueWaitEnd end = WaitForEmptyQueue(
        [this] { return m_stopping ? 0 : m_catalogue.PendingCommandCount(); },
        std::numeric_limits<qint64>::max(),
        [this](int count) {
            if (count > 0)
                m_view->setCaption(queueCaption(count));
        });
    m_view->setCaption(QStringLiteral("Scripter  "));
    if (end == QueueWaitEnd::Empty && !m_stopping)
        appendLine(QStringLiteral("Successfully executed"));
}

void ScriptHost::StopScript()
{
    if (!running())
        return;
    m_stopping = true;
    m_executor->stop();
    StopRequested = true;
    if (m_hooks.stopRelease)
        m_hooks.stopRelease();
}

bool ScriptHost::hostWait(qint64 ms, const std::function<bool()> &done)
{
    StopRequested = false;
    Clock &clock = appClock();
    const qint64 start = clock.tickMs();
    for (;;) {
        if (done && done())
            return true;
        if (m_stopping || StopRequested || clock.tickMs() - start >= ms)
            return false;
        QCoreApplication::processEvents();
        clock.sleepMs(kWaitSliceMs);
    }
}
