#include "postprocess/commandrunner.h"

#include "postprocess/argsplit.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Output is taken from the pipes at least this often, so that a talkative program fills
// memory with no more than a few milliseconds of its output beyond the cap.
constexpr int kLookMs = 5;

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

void prepare(QProcess &process, const QString &program, const QStringList &arguments,
             const QString &workingFolder)
{
    process.setProgram(program);
    process.setArguments(arguments);
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

// The pieces of one spawn, freed together.
struct SpawnSetup
{
    explicit SpawnSetup(const QByteArray &workingFolder)
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.constData());
        posix_spawnattr_init(&attributes);
        sigset_t set;
        sigemptyset(&set);
        posix_spawnattr_setsigmask(&attributes, &set);
        sigfillset(&set);
        sigdelset(&set, SIGKILL);
        sigdelset(&set, SIGSTOP);
        posix_spawnattr_setsigdefault(&attributes, &set);
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK
                                                  | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup &) = delete;
    SpawnSetup &operator=(const SpawnSetup &) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

// A spawn rather than QProcess::startDetached, whose double fork copies the whole address
// space twice and takes several milliseconds; a spawn shares it until the exec. The program
// stays our child, so a thread waits for its end and no zombie is left.
RunOutcome spawnDetached(const QString &program, const QStringList &arguments,
                         const QString &workingFolder)
{
    QByteArrayList texts{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        texts.append(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    const SpawnSetup setup(QFile::encodeName(workingFolder));
    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, argv.front(), &setup.actions, &setup.attributes,
                                    argv.data(), environ);
    RunOutcome outcome;
    if (error != 0) {
        outcome.failure = QString::fromLocal8Bit(std::strerror(error));
        return outcome;
    }
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    outcome.started = true;
    return outcome;
}

RunOutcome runAndWait(QProcess &process, const std::atomic<bool> *stop,
                      const std::function<void()> &whileWaiting)
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
    while (process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(kLookMs);
        drain(process, output, errors);
        if (whileWaiting)
            whileWaiting();
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
                        const std::atomic<bool> *stop, const std::function<void()> &whileWaiting)
{
    const QString resolved = resolveProgram(program);
    if (resolved.isEmpty()) {
        RunOutcome outcome;
        outcome.failure = QStringLiteral("Programm nicht gefunden oder nicht ausführbar");
        return outcome;
    }
    // Trailing blanks never reach the program, as a split drops them anyway.
    const QStringList arguments = splitArguments(argumentText);
    const QString folder = chooseWorkingFolder(workingFolder, program);
    if (!wait)
        return spawnDetached(resolved, arguments, folder);
    QProcess process;
    prepare(process, resolved, arguments, folder);
    return runAndWait(process, stop, whileWaiting);
}
