#pragma once

#include "postprocess/imagemagickline.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QTimer>

// Runs the stage's commands one at a time, in the order they were added, without blocking the
// main thread. runNext() starts the first; each following one starts when the one before it
// has ended, until the queue is empty or a program cannot be started.
class ImageMagickRunner : public QObject
{
    Q_OBJECT

public:
    // A hung program is killed after this long; a large picture takes a few seconds.
    static constexpr int DefaultTimeLimitMs = 120000;

    explicit ImageMagickRunner(QObject *parent = nullptr);
    ~ImageMagickRunner() override;

    void setTimeLimitMs(int ms) { m_timeLimitMs = ms; }

    // Appends a command with its preview line; it runs after the ones before it.
    void add(const MagickCommand &command, const QString &line);
    // Starts the first pending command unless one runs. A command held back because its
    // program was missing is tried again first. An empty queue reports idle().
    void runNext();

    int pendingCount() const { return m_queue.size(); }
    QStringList pendingLines() const;
    bool running() const { return m_process != nullptr; }

signals:
    // A failure for the status bar (shown in red) and the preview box.
    void failed(const QString &message);
    // The first command's program could not be started; it stays first until the next add.
    void programMissing(const QString &message);
    // The queue was found empty.
    void idle();
    // A command was added or has ended.
    void queueChanged();

private:
    struct Job
    {
        MagickCommand command;
        QString line;
    };

    void onReadyRead();
    void onFinished(int exitCode, QProcess::ExitStatus status);
    void onErrorOccurred(QProcess::ProcessError error);
    void report(const QString &message, const QString &detail = {});
    void endRun();

    QList<Job> m_queue;
    QProcess *m_process = nullptr;
    QTimer m_limit;
    QByteArray m_outputTail;
    int m_timeLimitMs = DefaultTimeLimitMs;
    bool m_killed = false;
};
