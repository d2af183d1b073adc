#include "review/pictureloader.h"

#include "review/jpegdecoder.h"

#include <QFile>

PictureLoader::PictureLoader(QObject *parent)
    : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
}

PictureLoader::~PictureLoader()
{
    m_next.reset();
    m_pool.waitForDone();
}

void PictureLoader::loadFile(const QString &path, const QSize &size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_shownGeneration = ++m_generation;
        m_next.reset();
        emit failed(path, file.errorString());
        return;
    }
    load(path, file.readAll(), size);
}

void PictureLoader::load(const QString &path, const QByteArray &bytes, const QSize &size)
{
    Request request{++m_generation, path, bytes, size};
    if (m_busy)
        m_next = std::move(request);
    else
        start(std::move(request));
}

void PictureLoader::cancel()
{
    m_shownGeneration = ++m_generation;
    m_next.reset();
}

void PictureLoader::start(Request request)
{
    m_busy = true;
    m_pool.start([this, request = std::move(request)] {
        const Result<QImage> result = decodeJpegScaled(request.bytes, request.size);
        // Back on the GUI thread; dropped if the loader is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, generation = request.generation, path = request.path, result] {
                finished(generation, path, result);
            },
            Qt::QueuedConnection);
    });
}

void PictureLoader::finished(quint64 generation, const QString &path, const Result<QImage> &result)
{
    m_busy = false;
    if (m_next) {
        Request next = std::move(*m_next);
        m_next.reset();
        start(std::move(next));
    }
    // Shown even when a newer one waits, so that a fast burst still shows pictures.
    if (generation <= m_shownGeneration)
        return;
    m_shownGeneration = generation;
    if (result)
        emit decoded(path, result.value());
    else
        emit failed(path, result.error());
}
