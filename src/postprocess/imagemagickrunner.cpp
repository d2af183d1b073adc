#include "postprocess/imagemagickrunner.h"

#include "diagnostics/debuglog.h"

namespace {

// Only the end of a program's output is kept: it says why it failed.
constexpr int OutputTailBytes = 4096;
const QString FailureText = QStringLiteral("Fehler beim ausführen von imagemagik ");

} // namespace

ImageMagickRunner::ImageMagickRunner(QObject *parent) : QObject(parent)
{
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        if (!m_process)
            return;
        m_killed = true;
        m_process->kill();
    });
}

ImageMagickRunner::~ImageMagickRunner()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

void ImageMagickRunner::add(const MagickCommand &command, const QString &line)
{
    m_queue.append({command, line});
    emit queueChanged();
}

QStringList ImageMagickRunner::pendingLines() const
{
    QStringList lines;
    for (const Job &job : m_queue)
        lines.append(job.line);
    return lines;
}

void ImageMagickRunner::runNext()
{
    if (m_process)
        return;
    if (m_queue.isEmpty()) {
        emit idle();
        return;
    }
    const Job &job = m_queue.first();
    m_outputTail.clear();
    m_killed = false;
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setStandardInputFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyRead, this, &ImageMagickRunner::onReadyRead);
    connect(m_process, &QProcess::finished, this, &ImageMagickRunner::onFinished);
    connect(m_process, &QProcess::errorOccurred, this, &ImageMagickRunner::onErrorOccurred);
    DebugLine(QStringLiteral("ImageMagick: ") + job.line);
    m_limit.start(m_timeLimitMs);
    m_process->start(job.command.program, job.command.arguments);
}

void ImageMagickRunner::onReadyRead()
{
    m_outputTail += m_process->readAll();
    if (m_outputTail.size() > OutputTailBytes)
        m_outputTail = m_outputTail.right(OutputTailBytes);
}

void ImageMagickRunner::onFinished(int exitCode, QProcess::ExitStatus status)
{
    onReadyRead();
    const Job job = m_queue.takeFirst();
    const QString output = QString::fromLocal8Bit(m_outputTail).trimmed();
    if (m_killed)
        report(FailureText + QStringLiteral("(nach %1 s abgebrochen): ").arg(m_timeLimitMs / 1000.0) + job.line, output);
    else if (status == QProcess::CrashExit)
        report(FailureText + QStringLiteral("(abgestürzt): ") + job.line, output);
    else if (exitCode != 0)
        report(FailureText + QStringLiteral("(Exitcode %1): ").arg(exitCode) + job.line, output);
    endRun();
    emit queueChanged();
    runNext();
}

void ImageMagickRunner::onErrorOccurred(QProcess::ProcessError error)
{
    // Crashes and kills also end in finished(); only a failed start does not.
    if (error != QProcess::FailedToStart)
        return;
    const QString message = FailureText + QStringLiteral("(Programm nicht gefunden: %1)")
                                              .arg(m_queue.first().command.program);
    DebugLine(message);
    endRun();
    emit programMissing(message);
}

void ImageMagickRunner::report(const QString &message, const QString &detail)
{
    DebugLine(detail.isEmpty() ? message : message + QStringLiteral("\n") + detail);
    emit failed(message);
}

void ImageMagickRunner::endRun()
{
    m_limit.stop();
    m_process->disconnect(this);
    m_process->deleteLater();
    m_process = nullptr;
}
