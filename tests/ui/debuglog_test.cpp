#include "ui/debuglog.h"

#include "diagnostics/debuglog.h"
#include "platform/scripteddialogs.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

class DebugLogWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setAppDialogs(&dialogs);
        setDebugEnabled(true);
        clearDebugLines();
    }
    void TearDown() override
    {
        window.reset();
        setDebugEnabled(false);
        clearDebugLines();
        setAppDialogs(nullptr);
    }

    template<typename Pred>
    static bool waitFor(Pred done)
    {
        QDeadlineTimer deadline(60000);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }

    QByteArray saved()
    {
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        dialogs.answerPath(path);
        window->Button2->click();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(not written)");
    }

    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    std::unique_ptr<TDebugLog> window = std::make_unique<TDebugLog>();
};

TEST_F(DebugLogWindow, FreshLogSavesTheSingleLineLog)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Debug Log"));
    EXPECT_EQ(window->Button1->text(), QStringLiteral("Leeren"));
    EXPECT_EQ(saved(), QByteArray("Log\r\n"));
    const DialogCall &call = dialogs.calls().front();
    EXPECT_EQ(call.kind, DialogKind::SaveFile);
    EXPECT_TRUE(call.file.filter.isEmpty());
    EXPECT_TRUE(call.file.defaultExtension.isEmpty());
}

TEST_F(DebugLogWindow, LinesAreSavedAsWindows1252WithCrLfAndLeerenClears)
{
    DebugLine(QStringLiteral("Größe = 5"));
    DebugLine(QString());
    ASSERT_TRUE(waitFor([&] { return window->lines().size() == 3; }));
    EXPECT_EQ(saved(), QByteArray("Log\r\nGr\xF6\xDF" "e = 5\r\n\r\n"));

    window->Button1->click();
    DebugLine(QStringLiteral("danach"));
    ASSERT_TRUE(waitFor([&] { return !window->Log->toPlainText().isEmpty(); }));
    EXPECT_EQ(window->lines(), QStringList{QStringLiteral("danach")});
}

TEST_F(DebugLogWindow, CancelledSaveWritesNothing)
{
    dialogs.answerCancel();
    window->Button2->click();
    EXPECT_TRUE(dir.isValid() && QDir(dir.path()).isEmpty());
    EXPECT_TRUE(dialogs.finished());
}

TEST_F(DebugLogWindow, HiddenWindowKeepsCollecting)
{
    window->show();
    window->close();
    DebugLine(QStringLiteral("while hidden"));
    ASSERT_TRUE(waitFor([&] { return window->lines().size() == 2; }));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->lines().last(), QStringLiteral("while hidden"));
}

// Lines of two threads reach the window complete, each thread's in its own order.
TEST_F(DebugLogWindow, TwoThreadsOfTwentyThousandLinesAppearInOrder)
{
    constexpr int Count = 20000;
    std::vector<std::thread> workers;
    for (int t = 0; t < 2; ++t) {
        workers.emplace_back([t] {
            for (int n = 0; n < Count; ++n)
                DebugLine(QStringLiteral("%1:%2").arg(t).arg(n));
        });
    }
    const bool complete = waitFor([&] { return window->Log->blockCount() == 1 + 2 * Count; });
    for (std::thread &w : workers)
        w.join();
    ASSERT_TRUE(complete) << window->Log->blockCount();

    const QStringList lines = window->lines();
    int next[2] = {0, 0};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const int t = lines[i].section(QLatin1Char(':'), 0, 0).toInt();
        ASSERT_EQ(lines[i].section(QLatin1Char(':'), 1).toInt(), next[t]) << "thread " << t;
        ++next[t];
    }
}

} // namespace
