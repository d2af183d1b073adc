#include "diagnostics/debuglog.h"

#include "diagnostics/crashreport.h"

#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QThread>

#include <atomic>
#include <deque>
#include <utility>

namespace {

std::atomic<bool> g_enabled{false};

struct Log
{
    QMutex mutex;
    std::deque<QString> pending;
    std::function<void(const QString &)> sink;
    QThread *sinkThread = nullptr;
    QObject *relay = nullptr; // lives on sinkThread; other threads post deliveries to it
    bool deliveryPosted = false;
    bool delivering = false;
};

Log &theLog()
{
    static Log log;
    return log;
}

// Runs on the sink's thread. One line at a time, so a sink may log or detach itself.
void deliver()
{
    Log &log = theLog();
    for (;;) {
        std::function<void(const QString &)> sink;
        QString line;
        {
            QMutexLocker lock(&log.mutex);
            if (!log.sink || log.pending.empty()) {
                log.delivering = false;
                return;
            }
            log.delivering = true;
            line = std::move(log.pending.front());
            log.pending.pop_front();
            sink = log.sink;
        }
        sink(line);
    }
}

// Caller holds the mutex.
void postDelivery(Log &log)
{
    log.deliveryPosted = true;
    QMetaObject::invokeMethod(
        log.relay,
        [] {
            {
                Log &log = theLog();
                QMutexLocker lock(&log.mutex);
                log.deliveryPosted = false;
                if (log.delivering)
                    return; // the running delivery picks the lines up
            }
            deliver();
        },
        Qt::QueuedConnection);
}

} // namespace

bool debugEnabled() { return g_enabled.load(std::memory_order_relaxed); }

void setDebugEnabled(bool on) { g_enabled.store(on, std::memory_order_relaxed); }

void DebugLine(const QString &text)
{
    if (!g_enabled.load(std::memory_order_relaxed))
        return;
    rememberForCrashReport(text);
    Log &log = theLog();
    {
        QMutexLocker lock(&log.mutex);
        log.pending.push_back(text);
        if (!log.sink)
            return;
        if (QThread::currentThread() != log.sinkThread) {
            if (!log.deliveryPosted)
                postDelivery(log);
            return;
        }
        if (log.delivering)
            return;
    }
    deliver();
}

void attachDebugSink(QObject *receiver, std::function<void(const QString &line)> sink)
{
    detachDebugSink();
    Log &log = theLog();
    {
        QMutexLocker lock(&log.mutex);
        log.sink = std::move(sink);
        log.sinkThread = QThread::currentThread();
        log.relay = new QObject;
        if (receiver)
            QObject::connect(receiver, &QObject::destroyed, log.relay, [] { detachDebugSink(); });
    }
    deliver();
}

void detachDebugSink()
{
    Log &log = theLog();
    QObject *relay = nullptr;
    {
        QMutexLocker lock(&log.mutex);
        log.sink = nullptr;
        log.sinkThread = nullptr;
        relay = std::exchange(log.relay, nullptr);
        log.deliveryPosted = false;
    }
    // Later, as a delivery posted to it may be running right now.
    if (relay)
        relay->deleteLater();
}

QStringList debugLines()
{
    Log &log = theLog();
    QMutexLocker lock(&log.mutex);
    return QStringList(log.pending.begin(), log.pending.end());
}

QStringList takeDebugLines()
{
    Log &log = theLog();
    QMutexLocker lock(&log.mutex);
    QStringList lines(std::make_move_iterator(log.pending.begin()), std::make_move_iterator(log.pending.end()));
    log.pending.clear();
    return lines;
}

void clearDebugLines()
{
    Log &log = theLog();
    QMutexLocker lock(&log.mutex);
    log.pending.clear();
}
