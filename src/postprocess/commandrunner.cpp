#include "postprocess/commandrunner.h"

#include "postprocess/argsplit.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <signal.h>
#include <unistd.h>

namespace {

constexpr int kPollMs = 50;

QString resolveProgram(const QString &program)
{
    if (program.contains(u'/'))
        return QFileInfo(program).isExecutable() && QFileInfo(program).isFile() ? program : QString();
    return QStandardPaths::findExecutable(program);
}

QString chooseWorkingFolder(const QString &given, const QString &program)
{
    if (!given.isEmpty())
        return given;
    return program.contains(u'/') ? QFileInfo(program).absolutePath() : QDir::currentPath();
}

void prepare(QProcess &process, const QString &program, const QString &argumentText,
             const QString &workingFolder)
{
    process.setProgram(program);
    // Trailing blanks never reach the program, as a split drops them anyway.
    process.setArguments(splitArguments(argumentText));
    process.setWorkingDirectory(workingFolder);
    process.setStandardInputFile(QProcess::nullDevice());
}

// Keeps reading so a talkative program never blocks on a full pipe; beyond the cap the
// text is dropped.
void drain(QProcess &process, QByteArray &output, QByteArray &errors)
{
    const auto keep = [](QByteArray &into, const QByteArray &chunk) {
        into += chunk.first(std::min<qsizetype>(chunk.size(), kOutputCap - into.size()));
    };
    keep(output, process.readAllStandardOutput());
    keep(errors, process.readAllStandardError());
}

// The whole group gets the grace period, then SIGKILL: a helper the program started may
// ignore SIGTERM and would otherwise outlive it.
void endProcessGroup(QProcess &process)
{
    const pid_t group = pid_t(process.processId());
    if (group <= 0)
        return;
    ::kill(-group, SIGTERM);
    QDeadlineTimer grace(kStopGraceMs);
    process.waitForFinished(kStopGraceMs);
    while (!grace.hasExpired() && ::kill(-group, 0) == 0)
        QThread::msleep(10);
    ::kill(-group, SIGKILL);
    process.waitForFinished(-1);
}

QStringList textLines(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

RunOutcome startDetached(QProcess &process)
{
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    RunOutcome outcome;
    outcome.started = process.startDetached();
    if (!outcome.started)
        outcome.failure = process.errorString();
    return outcome;
}

RunOutcome runAndWait(QProcess &process, const std::atomic<bool> *stop)
{
    // Its own process group, so that a stop reaches whatever the program started itself.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    RunOutcome outcome;
    process.start();
    if (!process.waitForStarted(-1)) {
        outcome.failure = process.errorString();
        return outcome;
    }
    outcome.started = true;
    QByteArray output;
    QByteArray errors;
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(kPollMs)) {
        drain(process, output, errors);
        if (stop && stop->load()) {
            endProcessGroup(process);
            outcome.stopped = true;
        }
    }
    drain(process, output, errors);
    outcome.output = textLines(output);
    outcome.errors = textLines(errors);
    return outcome;
}

} // namespace

RunOutcome RunCapturing(const QString &program, const QString &argumentText,
                        const QString &workingFolder, bool /*show*/, bool wait,
                        const std::atomic<bool> *stop)
{
    const QString resolved = resolveProgram(program);
    if (resolved.isEmpty()) {
        RunOutcome outcome;
        outcome.failure = QStringLiteral("Programm nicht gefunden oder nicht ausführbar");
        return outcome;
    }
    QProcess process;
    prepare(process, resolved, argumentText, chooseWorkingFolder(workingFolder, program));
    return wait ? runAndWait(process, stop) : startDetached(process);
}
