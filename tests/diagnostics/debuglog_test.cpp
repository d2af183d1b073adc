#include "diagnostics/debuglog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

class DebugLog : public ::testing::Test
{
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset()
    {
        detachDebugSink();
        setDebugEnabled(false);
        clearDebugLines();
    }

    // Processes events until `done` holds, for at most a generous minute.
    template <typename Pred>
    static bool waitFor(Pred done)
    {
        QDeadlineTimer deadline(60000);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }

    // Each thread writes "<id>:<n>" for n = 0 .. count-1.
    static void writeFromThreads(int threads, int count)
    {
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([t, count] {
                for (int n = 0; n < count; ++n)
                    DebugLine(QString("%1:%2").arg(t).arg(n));
            });
        }
        for (std::thread &w : workers)
            w.join();
    }

    // Every thread's lines are all there, each thread's in its own order.
    static void expectComplete(const QStringList &lines, int threads, int count)
    {
        ASSERT_EQ(lines.size(), threads * count);
        std::vector<int> next(threads, 0);
        for (const QString &line : lines) {
            const int t = line.section(':', 0, 0).toInt();
            const int n = line.section(':', 1, 1).toInt();
            ASSERT_EQ(n, next[t]) << "thread " << t;
            ++next[t];
        }
    }
};

TEST_F(DebugLog, WritesOnlyWhileTheFlagIsOn)
{
    EXPECT_FALSE(debugEnabled());
    DebugLine("off");
    DebugLine("");
    EXPECT_TRUE(debugLines().isEmpty());

    setDebugEnabled(true);
    DebugLine("handlePropertyEvent");
    DebugLine("inPropertyID=1024");
    DebugLine("");
    setDebugEnabled(false);
    DebugLine("cut off");

    EXPECT_EQ(takeDebugLines(), QStringList({"handlePropertyEvent", "inPropertyID=1024", ""}));
    EXPECT_TRUE(debugLines().isEmpty());
}

TEST_F(DebugLog, ClearDropsKeptLines)
{
    setDebugEnabled(true);
    DebugLine("a");
    clearDebugLines();
    DebugLine("b");
    EXPECT_EQ(debugLines(), QStringList({"b"}));
}

TEST_F(DebugLog, TwoThreadsAtOnceLoseAndReorderNothing)
{
    setDebugEnabled(true);
    writeFromThreads(2, 20000);
    expectComplete(takeDebugLines(), 2, 20000);
}

TEST_F(DebugLog, SinkGetsKeptLinesThenNewOnesOnItsOwnThread)
{
    setDebugEnabled(true);
    DebugLine("before");

    QObject window;
    QStringList shown;
    std::vector<std::thread::id> callers;
    attachDebugSink(&window, [&](const QString &line) {
        shown << line;
        callers.push_back(std::this_thread::get_id());
    });
    EXPECT_EQ(shown, QStringList({"before"}));

    DebugLine("main");
    EXPECT_EQ(shown, QStringList({"before", "main"})); // at once from the main thread
    EXPECT_TRUE(debugLines().isEmpty());

    shown.clear();
    writeFromThreads(2, 5000);
    ASSERT_TRUE(waitFor([&] { return shown.size() == 10000; }));
    expectComplete(shown, 2, 5000);
    for (std::thread::id id : callers)
        ASSERT_EQ(id, std::this_thread::get_id());
}

TEST_F(DebugLog, SinkThatLogsKeepsTheOrder)
{
    setDebugEnabled(true);
    QObject window;
    QStringList shown;
    attachDebugSink(&window, [&](const QString &line) {
        shown << line;
        if (line == "first")
            DebugLine("echo");
    });
    DebugLine("first");
    DebugLine("second");
    EXPECT_EQ(shown, QStringList({"first", "echo", "second"}));
}

TEST_F(DebugLog, DestroyedReceiverDetachesTheSink)
{
    setDebugEnabled(true);
    QStringList shown;
    {
        QObject window;
        attachDebugSink(&window, [&](const QString &line) { shown << line; });
        DebugLine("shown");
    }
    DebugLine("kept");
    std::thread([] { DebugLine("kept too"); }).join();
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, QStringList({"shown"}));
    EXPECT_EQ(debugLines(), QStringList({"kept", "kept too"}));
}

} // namespace
