#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// What became of one external program started by RunCapturing.
struct RunOutcome
{
    bool started = false;
    bool stopped = false;   // ended by a stop request before it finished
    QString failure;        // why it did not start
    QStringList output;     // standard output, when waited for
    QStringList errors;     // error output, when waited for
};

// Starts program with the arguments split from argumentText, never through a shell.
// A program without a folder is looked up on PATH. The working folder is the given one, else
// the program's folder if its path has one, else the current folder. show has no meaning here
// (the program opens whatever windows it opens).
//
// Every program runs in a process group of its own with the null device as input. Without
// wait its output goes to the null device too, and the call returns once it runs; it may
// outlive us. With wait the call returns when the program has ended; its output is read
// through pipes while it runs, keeping at most kOutputCap bytes of each stream. When *stop
// becomes true the program's process group gets SIGTERM, and SIGKILL after kStopGraceMs.
// whileWaiting is called between the looks at the waited-for program, every few milliseconds.
RunOutcome RunCapturing(const QString &program, const QString &argumentText,
                        const QString &workingFolder, bool show, bool wait,
                        const std::atomic<bool> *stop = nullptr,
                        const std::function<void()> &whileWaiting = {});

constexpr qint64 kOutputCap = 4 * 1024 * 1024;
constexpr int kStopGraceMs = 1000;
