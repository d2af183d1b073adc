// A program that crashes on purpose, as its first argument says, with crash reports installed:
// crashprobe MODE REPORTSFOLDER HELPER SETTINGSFILE
// Modes: null, abort, throw (on the GUI thread, from the event loop), worker-null,
// worker-throw (on a worker thread), twoworkers-null (a second worker crashes while the first
// one's report is being written), request (writes a report on request and ends normally,
// printing the report's path).
#include "diagnostics/crashreport.h"
#include "diagnostics/debuglog.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

volatile int *volatile nowhere = nullptr;

// Unchecked by the sanitizers, whose own handlers would otherwise end the program first.
[[gnu::noinline, gnu::no_sanitize("address", "undefined")]] void crashOnPurpose(const QString &mode)
{
    if (mode.endsWith(QLatin1String("null")))
        *nowhere = 1;
    else if (mode == QLatin1String("abort"))
        std::abort();
    else if (mode.endsWith(QLatin1String("throw")))
        throw std::runtime_error("Absicht");
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    const QString mode = args[1];
    installCrashReports({args[2], args[3], QStringLiteral("9.9-probe")});
    setCrashReportSettingsFile(args[4]);
    setDebugEnabled(true);
    for (int n = 1; n <= 3; ++n)
        DebugLine(QStringLiteral("Probe-Zeile %1").arg(n));

    // A second thread that only waits, so that a report has more than one thread to show.
    std::thread([] { std::this_thread::sleep_for(std::chrono::hours(1)); }).detach();

    if (mode == QLatin1String("request")) {
        const std::optional<QString> path = writeReportNow(QStringLiteral("Report schicken"));
        std::printf("%s\n", path ? qPrintable(*path) : "");
        return path ? 0 : 1;
    }
    if (mode == QLatin1String("twoworkers-null")) {
        std::thread first([mode] { crashOnPurpose(mode); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::thread second([mode] { crashOnPurpose(mode); });
        first.join();
        second.join();
        return 0;
    }
    if (mode.startsWith(QLatin1String("worker-"))) {
        std::thread worker([mode] { crashOnPurpose(mode); });
        worker.join();
        return 0;
    }
    QTimer::singleShot(0, &app, [mode] { crashOnPurpose(mode); });
    return app.exec();
}
