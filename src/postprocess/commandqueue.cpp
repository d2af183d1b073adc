#include "postprocess/commandqueue.h"

#include "camera/cameraevents.h"
#include "postprocess/commandfile.h"
#include "postprocess/commandrunner.h"
#include "settings/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TBatchcommand &TBatchcommands::append(TBatchcommand command)
{
    command.index = count();
    return m_entries.emplace_back(std::move(command));
}

int TBatchcommands::pendingCount() const
{
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [](const TBatchcommand &c) { return !c.executed; }));
}

TBatchcommand *TBatchcommands::firstPending()
{
    for (TBatchcommand &command : m_entries) {
        if (!command.executed)
            return &command;
    }
    return nullptr;
}

TKommandoThread::TKommandoThread(const QString &commandFile, const QString &consolePath)
    : m_consolePath(consolePath)
{
    if (commandFile.isEmpty())
        return;
    QDir().mkpath(QFileInfo(commandFile).absolutePath());
    m_commandFile.emplace(commandFile);
    m_lastSection = highestCommandSection(*m_commandFile);
}

TKommandoThread::~TKommandoThread()
{
    Stop();
    Join();
}

Result<> TKommandoThread::AddCommand(const QString &program, const QString &arguments,
                                     bool wait, bool show, bool doLater)
{
    TBatchcommand command;
    command.program = program;
    command.arguments = arguments;
    command.wait = wait;
    command.show = show;
    command.doLater = doLater;
    bool workerSaves = false;
    {
        // The section joins the unsaved records before the worker can see the entry, so its
        // "Executed" mark always comes after it.
        const std::lock_guard lock(m_mutex);
        if (m_commandFile) {
            command.section = commandSectionName(++m_lastSection);
            recordCommand(m_unsaved, command);
        }
        m_queue.append(std::move(command));
        ++m_pending;
        workerSaves = m_running;
    }
    m_wake.notify_one();
    if (workerSaves)
        return {};
    const QString failed = saveRecords();
    return failed.isEmpty() ? Result<>() : Result<>(Failure{failed});
}

// Saves the records not yet saved in one write; gives the failure, empty on success.
QString TKommandoThread::saveRecords()
{
    if (!m_commandFile)
        return {};
    const std::lock_guard saving(m_saving);
    IniEdits batch;
    {
        const std::lock_guard lock(m_mutex);
        std::swap(batch, m_unsaved);
    }
    if (batch.isEmpty())
        return {};
    const Result<> saved = m_commandFile->apply(batch);
    return saved ? QString() : saved.error();
}

void TKommandoThread::SaveRecords()
{
    if (const QString failed = saveRecords(); !failed.isEmpty())
        notify(failed);
}

// In the worker: saves when due, or when it may wait a while.
void TKommandoThread::saveRecordsInLoop(bool due)
{
    const auto now = std::chrono::steady_clock::now();
    if (!due && now - m_lastSave < std::chrono::milliseconds(kRecordsEveryMs))
        return;
    m_lastSave = now;
    if (const QString failed = saveRecords(); !failed.isEmpty())
        notify(failed);
}

void TKommandoThread::Start()
{
    const std::lock_guard lock(m_mutex);
    if (m_thread.joinable())
        return;
    m_running = true;
    m_thread = std::thread([this] { loop(); });
}

void TKommandoThread::Stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
}

void TKommandoThread::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

QString TKommandoThread::CommandFile() const
{
    return m_commandFile ? m_commandFile->path() : QString();
}

QStringList TKommandoThread::ConsoleLog() const
{
    const std::lock_guard lock(m_mutex);
    return m_log;
}

TBatchcommands TKommandoThread::Queue() const
{
    const std::lock_guard lock(m_mutex);
    return m_queue;
}

void TKommandoThread::loop()
{
    std::unique_lock lock(m_mutex);
    const auto wakes = [this] { return m_stop.load() || m_queue.firstPending(); };
    for (;;) {
        if (!wakes()) {
            // Idle: what is unsaved is saved once due, unless more work comes first.
            const auto due = m_lastSave + std::chrono::milliseconds(kRecordsEveryMs);
            if (!m_unsaved.isEmpty() && !m_wake.wait_until(lock, due, wakes)) {
                lock.unlock();
                saveRecordsInLoop(true);
                lock.lock();
            }
            m_wake.wait(lock, wakes);
        }
        if (m_stop)
            break;
        TBatchcommand *entry = m_queue.firstPending();
        const TBatchcommand command = *entry;
        lock.unlock();
        saveRecordsInLoop(false);
        bool stopped = false;
        const QString note = deal(command, &stopped);
        lock.lock();
        if (stopped)
            break; // the entry stays not executed
        entry->executed = true;
        --m_pending;
        lock.unlock();
        notify(note);
        lock.lock();
    }
    // From here AddCommand saves for itself; what it queued before is saved here.
    m_running = false;
    lock.unlock();
    saveRecordsInLoop(true);
}

// Runs or records one command; gives the text of its notification.
QString TKommandoThread::deal(const TBatchcommand &command, bool *stopped)
{
    if (command.doLater)
        return {};
    const RunOutcome outcome = RunCapturing(command.program, command.arguments, {}, command.show,
                                            command.wait, &m_stop,
                                            [this] { saveRecordsInLoop(false); });
    *stopped = outcome.stopped;
    if (outcome.stopped)
        return {};
    QStringList lines{command.program, command.arguments, {}, {}, {}};
    if (!outcome.started)
        lines.append(outcome.failure);
    lines += outcome.errors;
    lines += outcome.output;
    {
        const std::lock_guard lock(m_mutex);
        m_log += lines;
    }
    QStringList problems;
    if (!outcome.started)
        problems.append(command.program + QStringLiteral(": ") + outcome.failure);
    else
        markExecuted(command);
    if (command.wait || !outcome.started) {
        if (const QString failed = appendToConsoleFile(lines); !failed.isEmpty())
            problems.append(failed);
    }
    return (problems + outcome.errors).join(u'\n');
}

void TKommandoThread::markExecuted(const TBatchcommand &command)
{
    if (!m_commandFile)
        return;
    const std::lock_guard lock(m_mutex);
    recordExecuted(m_unsaved, command.section);
}

// The file starts empty once per worker and then grows with the log.
QString TKommandoThread::appendToConsoleFile(const QStringList &lines)
{
    QFile file(m_consolePath);
    const auto mode = m_consoleStarted ? QIODevice::Append : QIODevice::Truncate;
    if (!file.open(QIODevice::WriteOnly | mode)
        || file.write(textfile::joinLines(lines)) < 0)
        return file.errorString();
    m_consoleStarted = true;
    return {};
}

void TKommandoThread::notify(const QString &text)
{
    postWindowMessage(m_notify.load(), WM_COMMANDOUTPUT, 0, 0, text);
}

CommandQueue::CommandQueue(QString consolePath)
    : m_consolePath(std::move(consolePath))
{
}

// Every worker is told to stop before the first join, so their programs end side by side.
CommandQueue::~CommandQueue()
{
    StopWorker();
    m_worker.reset();
    m_stopping.clear();
}

void CommandQueue::joinEnded()
{
    std::erase_if(m_stopping, [](const auto &worker) { return !worker->Running(); });
}

Result<> CommandQueue::QueueCommand(const QString &commandFile, const QString &program,
                                    const QString &arguments, bool wait, bool show,
                                    bool doLater)
{
    joinEnded();
    if (m_worker && m_worker->Stopping()) {
        // A command queued now goes to the next worker, which numbers its sections after the
        // highest in the file: this one's must be there first.
        m_worker->SaveRecords();
        m_stopping.push_back(std::move(m_worker));
    }
    if (!m_worker) {
        m_worker = std::make_unique<TKommandoThread>(commandFile, m_consolePath);
        m_worker->SetNotifyWindow(m_notify);
    }
    return m_worker->AddCommand(program, arguments, wait, show, doLater);
}

void CommandQueue::StartWorker()
{
    if (m_worker && !m_worker->Stopping())
        m_worker->Start();
}

void CommandQueue::StopWorker()
{
    if (m_worker)
        m_worker->Stop();
}

int CommandQueue::PendingCommandCount() const
{
    return m_worker && !m_worker->Stopping() ? m_worker->PendingCount() : 0;
}

bool CommandQueue::WorkerRunning() const
{
    return m_worker && m_worker->Running();
}

void CommandQueue::SetNotifyWindow(QObject *window)
{
    m_notify = window;
    if (m_worker)
        m_worker->SetNotifyWindow(window);
}

TKommandoThread *CommandQueue::Worker() const
{
    return m_worker.get();
}
