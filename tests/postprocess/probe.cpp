// Stands in for an external application. Arguments: a label, milliseconds to sleep, then
// any arguments. Appends "start <label>", one "arg <text>" per further argument and, after
// the sleep, "end <label>" to the file that TESSARO_PROBE_LOG names; prints "out <label>"
// and "err <label>". A label beginning with "stubborn" ignores SIGTERM.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

int main(int argc, char **argv)
{
    if (argc < 3)
        return 1;
    const std::string label = argv[1];
    if (label.rfind("stubborn", 0) == 0)
        std::signal(SIGTERM, SIG_IGN);
    logLine("start " + label);
    for (int i = 3; i < argc; ++i)
        logLine(std::string("arg ") + argv[i]);
    std::printf("out %s\n", label.c_str());
    std::fprintf(stderr, "err %s\n", label.c_str());
    std::fflush(nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
    logLine("end " + label);
    return 0;
}
