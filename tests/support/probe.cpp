// Stands in for an external application. Arguments: a label, milliseconds to sleep, then
// any arguments. Appends "start <label>", one "arg <text>" per further argument and, after
// the sleep, "end <label>" to the file that TESSARO_PROBE_LOG names; prints "out <label>"
// and "err <label>". A label beginning with "stubborn" ignores SIGTERM; one beginning with
// "family" first starts a helper that ignores SIGTERM, logs
// "helper <pid>" and sleeps as long. A label beginning with "cwd" logs "cwd <folder>"; one
// beginning with "talk" prints that many bytes of text instead of its usual two lines; one
// beginning with "mute" closes its output before the sleep.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

static void logLine(const std::string &line)
{
    const char *path = std::getenv("TESSARO_PROBE_LOG");
    if (!path)
        return;
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
    const std::string text = line + "\n";
    if (::write(fd, text.data(), text.size()) < 0)
        std::exit(2);
    ::close(fd);
}

static bool startsWith(const std::string &text, const char *prefix)
{
    return text.rfind(prefix, 0) == 0;
}

static void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

static void talk(long long bytes)
{
    std::string line(1023, 'x');
    line += '\n';
    for (; bytes > 0; bytes -= static_cast<long long>(line.size()))
        std::fwrite(line.data(), 1, std::min<size_t>(line.size(), size_t(bytes)), stdout);
}

int main(int argc, char **argv)
{
    if (argc < 3)
        return 1;
    const std::string label = argv[1];
    const int ms = std::atoi(argv[2]);
    if (startsWith(label, "stubborn"))
        std::signal(SIGTERM, SIG_IGN);
    if (startsWith(label, "family") && ::fork() == 0) {
        std::signal(SIGTERM, SIG_IGN);
        logLine("helper " + std::to_string(::getpid()));
        sleepMs(ms);
        logLine("end helper");
        return 0;
    }
    logLine("start " + label);
    if (startsWith(label, "cwd")) {
        char folder[4096] = {};
        logLine(std::string("cwd ") + (::getcwd(folder, sizeof folder) ? folder : "?"));
    }
    for (int i = 3; i < argc; ++i)
        logLine(std::string("arg ") + argv[i]);
    if (startsWith(label, "talk")) {
        talk(std::atoll(label.c_str() + 4));
    } else {
        std::printf("out %s\n", label.c_str());
        std::fprintf(stderr, "err %s\n", label.c_str());
    }
    std::fflush(nullptr);
    if (startsWith(label, "mute")) {
        ::close(1);
        ::close(2);
    }
    sleepMs(ms);
    logLine("end " + label);
    return 0;
}
