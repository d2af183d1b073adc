#include "diagnostics/crashreport.h"

#include <QDir>
#include <QFile>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <typeinfo>

#include <cxxabi.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int FatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int RecentLines = 200;
constexpr int LineBytes = 256;
constexpr int PathBytes = 4096;

struct Context
{
    char helper[PathBytes] = {};
    char folder[PathBytes] = {};
    char version[64] = {};
    char settings[PathBytes] = {};
    char cause[1024] = {};
    char lines[RecentLines][LineBytes] = {};
    std::atomic<unsigned> nextLine{0};
    std::atomic<bool> crashing{false};
    std::atomic<bool> requested{false};
    bool installed = false;
};

Context g_context;

void copyInto(char *target, size_t size, const QByteArray &text)
{
    const size_t n = std::min(size - 1, size_t(text.size()));
    std::memcpy(target, text.constData(), n);
    target[n] = '\0';
}

// What follows is called from the signal handler: plain system calls on fixed buffers only.

void writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        size -= size_t(n);
    }
}

void writeText(int fd, const char *text)
{
    writeAll(fd, text, strlen(text));
}

void writeNumber(int fd, long value)
{
    char digits[24];
    int i = sizeof digits;
    const bool negative = value < 0;
    unsigned long rest = negative ? 0UL - unsigned(value) : unsigned(value);
    do {
        digits[--i] = char('0' + rest % 10);
        rest /= 10;
    } while (rest && i > 1);
    if (negative)
        digits[--i] = '-';
    writeAll(fd, digits + i, sizeof digits - size_t(i));
}

void writeField(int fd, const char *key, const char *value)
{
    writeText(fd, key);
    writeText(fd, value);
    writeText(fd, "\n");
}

// The helper reads this from its standard input: "key=value" lines, "--", the debug lines.
void writeContext(int fd, int signal, const char *cause)
{
    writeText(fd, "pid=");
    writeNumber(fd, getpid());
    writeText(fd, "\ntid=");
    writeNumber(fd, long(syscall(SYS_gettid)));
    writeText(fd, "\nsignal=");
    writeNumber(fd, signal);
    writeText(fd, "\n");
    writeField(fd, "version=", g_context.version);
    writeField(fd, "folder=", g_context.folder);
    writeField(fd, "settings=", g_context.settings);
    writeField(fd, "cause=", cause);
    writeText(fd, "--\n");
    const unsigned next = g_context.nextLine.load();
    const unsigned first = next > RecentLines ? next - RecentLines : 0;
    for (unsigned i = first; i < next; ++i)
        writeField(fd, "", g_context.lines[i % RecentLines]);
}

// Starts the helper, hands it the context and waits until it has written the report.
bool runHelper(int signal, const char *cause)
{
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return false;
    // The raw system call: no fork handlers of other libraries run in a crashing process.
    const long child = syscall(SYS_fork);
    if (child == 0) {
        dup2(fds[1], STDIN_FILENO);
        char *const argv[] = {g_context.helper, nullptr};
        execv(g_context.helper, argv);
        _exit(127);
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        return false;
    }
    // Where ptrace is restricted to ancestors, the helper may still attach to us.
    prctl(PR_SET_PTRACER, child, 0, 0, 0);
    writeContext(fds[0], signal, cause);
    close(fds[0]);
    int status = 0;
    while (waitpid(pid_t(child), &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void onFatalSignal(int signal, siginfo_t *, void *)
{
    // A second thread that crashes meanwhile waits for the first report to end the program.
    if (g_context.crashing.exchange(true)) {
        for (;;)
            pause();
    }
    runHelper(signal, g_context.cause);
    // Not reset on entry, so that the same signal in another thread waits above for this
    // report; now it is, and the signal ends the program once this returns.
    struct sigaction fallback{};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

void onTerminate()
{
    QByteArray text = "Nicht abgefangene Ausnahme";
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception &e) {
            int status = 0;
            char *type = abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status);
            text += QByteArray(" ") + (type ? type : typeid(e).name()) + ": " + e.what();
            std::free(type);
        } catch (...) {
            text += " unbekannten Typs";
        }
    }
    copyInto(g_context.cause, sizeof g_context.cause, text);
    std::abort();
}

QStringList reportNames(const QString &folder, const QString &pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files, QDir::Name);
}

} // namespace

void installCrashReports(const CrashReportSetup &setup)
{
    QDir().mkpath(setup.reportsFolder);
    copyInto(g_context.helper, sizeof g_context.helper, QFile::encodeName(setup.helperProgram));
    copyInto(g_context.folder, sizeof g_context.folder, QFile::encodeName(setup.reportsFolder));
    copyInto(g_context.version, sizeof g_context.version, setup.version.toUtf8());
    if (g_context.installed)
        return;
    g_context.installed = true;

    // A stack overflow of the main thread still finds a stack to report on.
    static char alternateStack[64 * 1024];
    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);

    struct sigaction action{};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : FatalSignals)
        sigaction(signal, &action, nullptr);
    std::set_terminate(onTerminate);
}

void setCrashReportSettingsFile(const QString &path)
{
    copyInto(g_context.settings, sizeof g_context.settings, QFile::encodeName(path));
}

void rememberForCrashReport(const QString &line)
{
    const unsigned slot = g_context.nextLine.fetch_add(1) % RecentLines;
    copyInto(g_context.lines[slot], LineBytes, line.toUtf8().replace('\n', ' '));
}

std::optional<QString> writeReportNow(const QString &cause)
{
    if (!g_context.installed || g_context.requested.exchange(true))
        return std::nullopt;
    const QString folder = QFile::decodeName(g_context.folder);
    const QStringList before = reportNames(folder, QStringLiteral("report-*.txt"));
    const bool written = runHelper(0, cause.toUtf8().left(sizeof g_context.cause - 1).constData());
    g_context.requested = false;
    const QStringList after = reportNames(folder, QStringLiteral("report-*.txt"));
    if (!written || after.isEmpty() || after == before)
        return std::nullopt;
    return QDir(folder).filePath(after.last());
}

QString newestReport(const QString &folder)
{
    QString newest;
    QString newestName;
    for (const QString &pattern : {QStringLiteral("crash-*.txt"), QStringLiteral("report-*.txt")}) {
        const QStringList names = reportNames(folder, pattern);
        // The kind prefix differs, so compare the time part.
        if (!names.isEmpty() && names.last().section(QLatin1Char('-'), 1) > newestName) {
            newestName = names.last().section(QLatin1Char('-'), 1);
            newest = QDir(folder).filePath(names.last());
        }
    }
    return newest;
}

std::optional<QString> takeUnofferedCrashReport(const QString &folder)
{
    const QStringList crashes = reportNames(folder, QStringLiteral("crash-*.txt"));
    if (crashes.isEmpty())
        return std::nullopt;
    QFile marker(QDir(folder).filePath(QStringLiteral("offered")));
    QByteArray offered;
    if (marker.open(QIODevice::ReadOnly))
        offered = marker.readAll().trimmed();
    marker.close();
    if (QString::fromUtf8(offered) >= crashes.last())
        return std::nullopt;
    if (marker.open(QIODevice::WriteOnly | QIODevice::Truncate))
        marker.write(crashes.last().toUtf8());
    return QDir(folder).filePath(crashes.last());
}
