#pragma once

#include "platform/result.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QThreadPool>

#include <optional>

// Decodes received pictures scaled to the display on a worker thread, never on the GUI
// thread. The newest picture wins: requests that arrive while one is decoded replace each
// other, and no picture is shown after a newer one (or after a cancel).
class PictureLoader : public QObject
{
    Q_OBJECT

public:
    explicit PictureLoader(QObject *parent = nullptr);
    // Waits for a decode still running.
    ~PictureLoader() override;

    // Reads the file now, on the calling thread, so that later stages may rewrite it; then
    // decodes the bytes in the background. One of the two signals follows, unless a newer
    // request overtakes this one.
    void loadFile(const QString &path, const QSize &size);
    void load(const QString &path, const QByteArray &bytes, const QSize &size);
    // Drops whatever is pending or running.
    void cancel();
    // No decode running or waiting.
    bool idle() const { return !m_busy && !m_next; }

signals:
    void decoded(const QString &path, const QImage &image);
    void failed(const QString &path, const QString &reason);

private:
    struct Request
    {
        quint64 generation = 0;
        QString path;
        QByteArray bytes;
        QSize size;
    };

    void start(Request request);
    void finished(quint64 generation, const QString &path, const Result<QImage> &result);

    QThreadPool m_pool;
    std::optional<Request> m_next;
    quint64 m_generation = 0;
    quint64 m_shownGeneration = 0; // the newest reported, or the last cancel
    bool m_busy = false;
};
