// The debug log window under a chatty camera: 100,000 lines from a worker thread until all
// are shown, and how late a 10 ms timer of the event loop fires meanwhile (the longest delay).
// Goal: under 2 s, never later than 100 ms.
#include "diagnostics/debuglog.h"
#include "ui/debuglog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <thread>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    constexpr int Lines = 100000;
    TDebugLog window;
    window.show();
    setDebugEnabled(true);

    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 worstDelay = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worstDelay = std::max(worstDelay, now - lastTick - 10);
        lastTick = now;
    });

    clock.start();
    tick.start();
    std::thread writer([] {
        for (int n = 0; n < Lines; ++n)
            DebugLine(QStringLiteral("getPropertyDesc inPropertyID=%1 capacity.numberOfFreeClusters = %2").arg(n).arg(n * 7));
    });
    QTimer done;
    done.setInterval(1);
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (window.Log->blockCount() >= Lines + 1)
            app.quit();
    });
    done.start();
    app.exec();
    const qint64 shown = clock.elapsed();
    writer.join();
    std::printf("debug log: %d lines shown in %lld ms; event loop late by at most %lld ms\n", Lines,
                static_cast<long long>(shown), static_cast<long long>(worstDelay));
    return 0;
}
