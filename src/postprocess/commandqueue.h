#pragma once

#include "platform/result.h"
#include "platform/userfolders.h"
#include "settings/inifile.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QObject;

// One queued external command.
struct TBatchcommand
{
    int index = 0;        // position in the queue
    QString program;
    QString arguments;    // the rest of the command line
    bool wait = true;     // wait for the end and capture the output
    bool show = false;
    bool doLater = false; // record only
    bool executed = false;
    QString section;      // its section in the command file, empty without one
};

// The queue of one worker. Entries stay after they have been dealt with.
class TBatchcommands
{
public:
    // Sets the entry's index; references to earlier entries stay valid.
    TBatchcommand &append(TBatchcommand command);
    int pendingCount() const;
    TBatchcommand *firstPending();
    int count() const { return int(m_entries.size()); }
    const TBatchcommand &at(int index) const { return m_entries.at(size_t(index)); }

private:
    std::deque<TBatchcommand> m_entries;
};

// The worker thread that runs queued commands one after another. Commands are appended on
// the main thread; the worker sleeps while there is nothing to do.
//
// Fault handling differs from a plain loop in four ways: the pending count counts appends
// at once; a stop also ends the program in progress (its command stays not executed); a
// program that cannot start keeps "Executed" at "NO" and sends its reason with the
// notification; a new worker numbers its sections after the highest one already in the file.
//
// The command file is rewritten whole on every save, so records are saved in batches: a
// command's section and later its "Executed" mark join one list of unsaved changes, saved in
// that order. While the worker runs it saves the list at most every kRecordsEveryMs, and
// always when it ends; a worker that is not running leaves the save to AddCommand. A failed
// save is reported as a notification of its own.
class TKommandoThread
{
public:
    // commandFile may be empty. consolePath is where the console log is copied.
    TKommandoThread(const QString &commandFile, const QString &consolePath);
    ~TKommandoThread(); // stops and joins

    TKommandoThread(const TKommandoThread &) = delete;
    TKommandoThread &operator=(const TKommandoThread &) = delete;

    // Queues the command even when recording it in the command file fails.
    Result<> AddCommand(const QString &program, const QString &arguments, bool wait, bool show,
                        bool doLater);
    void Start();  // once; later calls do nothing
    void Stop();   // ends the loop, and the program in progress
    void Join();   // on the main thread, after Stop
    bool Stopping() const { return m_stop.load(); }
    // Saves the records not yet in the command file now; a failure goes to the notify window.
    void SaveRecords();
    bool Running() const { return m_running.load(); }
    int PendingCount() const { return m_pending.load(); }
    void SetNotifyWindow(QObject *window) { m_notify.store(window); }
    QString CommandFile() const;
    QStringList ConsoleLog() const;
    TBatchcommands Queue() const;

    static constexpr int kRecordsEveryMs = 100;

private:
    void loop();
    QString deal(const TBatchcommand &command, bool *stopped);
    void markExecuted(const TBatchcommand &command);
    QString saveRecords();
    void saveRecordsInLoop(bool due);
    QString appendToConsoleFile(const QStringList &lines);
    void notify(const QString &text);

    mutable std::mutex m_mutex; // the queue, the log, the section counter, unsaved records
    std::condition_variable m_wake;
    TBatchcommands m_queue;
    QStringList m_log;
    std::optional<IniFile> m_commandFile;
    std::mutex m_saving; // taken before m_mutex: batches reach the file in the order taken
    IniEdits m_unsaved;
    std::chrono::steady_clock::time_point m_lastSave; // the worker's own
    int m_lastSection = 0;
    QString m_consolePath;
    bool m_consoleStarted = false;
    std::atomic<int> m_pending{0};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stop{false};
    std::atomic<QObject *> m_notify{nullptr};
    std::thread m_thread;
};

// The catalogue's hold on its worker: creates it on the first command, and replaces it on
// the next command once it has been stopped. A stopped worker that is still ending its
// program is kept until its thread has ended, and joined then, so neither a new command
// nor the end of the queue waits for it longer than the stop takes.
class CommandQueue
{
public:
    explicit CommandQueue(QString consolePath = userFolder(UserFolder::Logs) + QStringLiteral("Console.txt"));
    ~CommandQueue();

    // The command file name counts only when a new worker is created.
    Result<> QueueCommand(const QString &commandFile, const QString &program,
                          const QString &arguments, bool wait, bool show, bool doLater);
    void StartWorker();
    void StopWorker();
    int PendingCommandCount() const;
    bool WorkerRunning() const;
    void SetNotifyWindow(QObject *window);
    // The live worker, or null.
    TKommandoThread *Worker() const;

private:
    void joinEnded();

    QString m_consolePath;
    QObject *m_notify = nullptr;
    std::unique_ptr<TKommandoThread> m_worker;
    std::vector<std::unique_ptr<TKommandoThread>> m_stopping;
};
