#include "postprocess/commandqueue.h"

#include "camera/cameraevents.h"
#include "postprocess/commandrunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

const QString kProbe = QStringLiteral(PROBE);

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Keeps the texts of the 1030 messages it receives.
class OutputReceiver : public QObject
{
public:
    bool event(QEvent *event) override
    {
        if (!isWindowMessage(event))
            return QObject::event(event);
        const auto *message = static_cast<WindowMessageEvent *>(event);
        if (message->message() == WM_COMMANDOUTPUT)
            texts.append(message->text());
        return true;
    }
    QStringList texts;
};

class CommandQueueTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("TESSARO_PROBE_LOG", probeLogPath().toLocal8Bit());
        m_queue.SetNotifyWindow(&m_receiver);
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString probeLogPath() const { return path(QStringLiteral("probe.log")); }
    QStringList probeLog() const
    {
        return QString::fromUtf8(fileBytes(probeLogPath())).split(u'\n', Qt::SkipEmptyParts);
    }
    QStringList probeLines(const char *prefix) const { return probeLog().filter(QString::fromLatin1(prefix)); }

    // Processes posted messages until done() holds; false after timeoutMs.
    static bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        QCoreApplication::processEvents();
        return true;
    }

    void queue(const QString &arguments, bool wait = true, bool doLater = false,
               const QString &commandFile = {})
    {
        ASSERT_TRUE(m_queue.QueueCommand(commandFile, kProbe, arguments, wait, false, doLater).ok());
    }

    QTemporaryDir m_dir;
    OutputReceiver m_receiver;
    CommandQueue m_queue{path(QStringLiteral("Console.txt"))};
};

TEST_F(CommandQueueTest, ProbeReceivesExactlyItsArgumentsWithoutAShell)
{
    const QString malaga = QStringLiteral("M\u00e1laga\u00a0x.jpg");
    queue(QStringLiteral(R"(p 0 "a b" ; | $(touch pwned) `id` * ~ > out.txt %1 "" )").arg(malaga));
    m_queue.StartWorker();
    ASSERT_TRUE(waitUntil([&] { return m_queue.PendingCommandCount() == 0; }));

    const QStringList expected{"arg a b", "arg ;", "arg |", "arg $(touch", "arg pwned)",
                               "arg `id`", "arg *", "arg ~", "arg >", "arg out.txt",
                               "arg " + malaga, "arg "};
    EXPECT_EQ(probeLines("arg "), expected);
    EXPECT_FALSE(QFile::exists(path("out.txt")));
}

// The worker starts them in queue order, but detached programs may reach their first line in
// any order; what shows is that none waited for another.
TEST_F(CommandQueueTest, WithoutWaitTheProgramsStartWithoutWaitingForEachOther)
{
    for (const char *label : {"p1", "p2", "p3"})
        queue(QStringLiteral("%1 1500").arg(QLatin1String(label)), false);
    m_queue.StartWorker();
    ASSERT_TRUE(waitUntil([&] { return probeLines("start").size() == 3; }, 1400));
    QStringList log = probeLog();
    log.sort();
    EXPECT_EQ(log, (QStringList{"start p1", "start p2", "start p3"}));
    EXPECT_TRUE(waitUntil([&] { return m_queue.PendingCommandCount() == 0; }, 1000));
}

TEST_F(CommandQueueTest, WithWaitEachProgramStartsAfterThePreviousEnded)
{
    for (const char *label : {"p1", "p2", "p3"})
        queue(QStringLiteral("%1 100").arg(QLatin1String(label)));
    EXPECT_EQ(m_queue.PendingCommandCount(), 3); // exact before the worker runs
    EXPECT_FALSE(m_queue.WorkerRunning());
    m_queue.StartWorker();
    m_queue.StartWorker();
    EXPECT_TRUE(m_queue.WorkerRunning());
    ASSERT_TRUE(waitUntil([&] { return m_queue.PendingCommandCount() == 0; }));
    EXPECT_EQ(probeLog(), (QStringList{"start p1", "end p1", "start p2", "end p2", "start p3",
                                       "end p3"}));
    EXPECT_EQ(m_receiver.texts, (QStringList{"err p1", "err p2", "err p3"}));
}

TEST_F(CommandQueueTest, PendingCountIsZeroWithoutWorker)
{
    EXPECT_EQ(m_queue.PendingCommandCount(), 0);
    EXPECT_FALSE(m_queue.WorkerRunning());
    m_queue.StartWorker(); // nothing to start
    m_queue.StopWorker();
    EXPECT_EQ(m_queue.Worker(), nullptr);
}

TEST_F(CommandQueueTest, CommandFileRecordsEachCommandAndDoLaterIsNotRun)
{
    const QString file = path(QStringLiteral("sub/dir/run.rccf"));
    queue(QStringLiteral("later 0"), true, true, file);
    queue(QStringLiteral("now 0 x"), false, false, path(QStringLiteral("ignored.rccf")));
    m_queue.StartWorker();
    ASSERT_TRUE(waitUntil([&] { return m_receiver.texts.size() == 2; }));
    ASSERT_TRUE(waitUntil([&] { return probeLines("start").size() == 1; }));

    EXPECT_EQ(probeLines("start"), QStringList{"start now"});
    EXPECT_EQ(m_receiver.texts, (QStringList{"", ""}));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("ignored.rccf"))));
    const QByteArray program = kProbe.toLocal8Bit();
    EXPECT_EQ(fileBytes(file), "[Command001]\r\n"
                               "Application=" + program + "\r\n"
                               "Parameter=later 0\r\n"
                               "Wait=WAIT\r\n"
                               "Show=NOSHOW\r\n"
                               "DoLater=YES\r\n"
                               "Executed=NO\r\n"
                               "[Command002]\r\n"
                               "Application=" + program + "\r\n"
                               "Parameter=now 0 x\r\n"
                               "Wait=NOWAIT\r\n"
                               "Show=NOSHOW\r\n"
                               "DoLater=NO\r\n"
                               "Executed=YES\r\n");
}

TEST_F(CommandQueueTest, ConsoleLogHoldsCommandThenErrorsThenOutput)
{
    {
        QFile old(path("Console.txt"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("from an earlier run\r\n");
    }
    queue(QStringLiteral("p1 0 a"));
    queue(QStringLiteral("p2 0"));
    m_queue.StartWorker();
    ASSERT_TRUE(waitUntil([&] { return m_receiver.texts.size() == 2; }));
    const QStringList expected{kProbe, "p1 0 a", "", "", "", "err p1", "out p1",
                               kProbe, "p2 0",   "", "", "", "err p2", "out p2"};
    EXPECT_EQ(m_queue.Worker()->ConsoleLog(), expected);
    EXPECT_EQ(fileBytes(path("Console.txt")), (expected.join("\r\n") + "\r\n").toUtf8());
}

TEST_F(CommandQueueTest, ProgramThatCannotStartReportsWhyAndStaysNotExecuted)
{
    const QString file = path(QStringLiteral("run.rccf"));
    ASSERT_TRUE(m_queue.QueueCommand(file, path("missing"), "x", true, false, false).ok());
    queue(QStringLiteral("after 0"));
    m_queue.StartWorker();
    ASSERT_TRUE(waitUntil([&] { return m_receiver.texts.size() == 2; }));

    EXPECT_TRUE(m_receiver.texts[0].startsWith(path("missing") + ": ")) << m_receiver.texts[0].toStdString();
    EXPECT_GT(m_receiver.texts[0].size(), path("missing").size() + 2);
    const IniFile ini(file);
    EXPECT_EQ(ini.readString("Command001", "Executed"), "NO");
    EXPECT_EQ(ini.readString("Command002", "Executed"), "YES");
    EXPECT_EQ(m_queue.PendingCommandCount(), 0);
}

TEST_F(CommandQueueTest, StopEndsAHungProgramAndANewWorkerContinuesTheFile)
{
    const QString file = path(QStringLiteral("run.rccf"));
    queue(QStringLiteral("stubborn 60000"), true, false, file);
    m_queue.StartWorker();
    ASSERT_TRUE(waitUntil([&] { return probeLines("start").size() == 1; }));

    QElapsedTimer timer;
    timer.start();
    m_queue.StopWorker();
    EXPECT_EQ(m_queue.PendingCommandCount(), 0);
    ASSERT_TRUE(waitUntil([&] { return !m_queue.WorkerRunning(); }, kStopGraceMs + 2000));
    EXPECT_LT(timer.elapsed(), kStopGraceMs + 1500);
    EXPECT_EQ(IniFile(file).readString("Command001", "Executed"), "NO");

    queue(QStringLiteral("next 0"), true, false, file);
    m_queue.StartWorker();
    ASSERT_TRUE(waitUntil([&] { return m_queue.PendingCommandCount() == 0 && probeLines("end").size() == 1; }));
    const IniFile ini(file);
    EXPECT_EQ(ini.readString("Command001", "Executed"), "NO");
    EXPECT_EQ(ini.readString("Command002", "Parameter"), "next 0");
    EXPECT_EQ(ini.readString("Command002", "Executed"), "YES");
}

TEST_F(CommandQueueTest, AppendsFromTwoThreadsAreAllRunOnce)
{
    TKommandoThread worker({}, path(QStringLiteral("Console.txt")));
    worker.Start();
    const auto append = [&](const char *label) {
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(worker.AddCommand(kProbe, QString::fromLatin1(label) + " 0", false, false, true).ok());
    };
    std::thread other(append, "a");
    append("b");
    other.join();
    ASSERT_TRUE(waitUntil([&] { return worker.PendingCount() == 0; }));
    const TBatchcommands queue = worker.Queue();
    ASSERT_EQ(queue.count(), 40);
    for (int i = 0; i < queue.count(); ++i) {
        EXPECT_EQ(queue.at(i).index, i);
        EXPECT_TRUE(queue.at(i).executed);
    }
}

} // namespace

namespace {

int zombieChildren()
{
    int zombies = 0;
    const QString self = QString::number(QCoreApplication::applicationPid());
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray stat = fileBytes(QStringLiteral("/proc/%1/stat").arg(pid));
        // pid (name) state ppid ...
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[0] == "Z" && fields[1] == self.toLatin1())
            ++zombies;
    }
    return zombies;
}

} // namespace

TEST_F(CommandQueueTest, DetachedStartsLeaveNoZombie)
{
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(RunCapturing(kProbe, QStringLiteral("d 0"), {}, false, false).started);
    ASSERT_TRUE(waitUntil([&] { return probeLines("end").size() == 50; }));
    EXPECT_EQ(zombieChildren(), 0);
}

TEST_F(CommandQueueTest, EndingTheQueueEndsAHungProgram)
{
    QElapsedTimer timer;
    {
        CommandQueue queue(path(QStringLiteral("Console.txt")));
        ASSERT_TRUE(queue.QueueCommand({}, kProbe, QStringLiteral("stubborn 60000"), true, false, false).ok());
        queue.StartWorker();
        ASSERT_TRUE(waitUntil([&] { return probeLines("start").size() == 1; }));
        timer.start();
    }
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(zombieChildren(), 0);
}

TEST_F(CommandQueueTest, CommandFileThatCannotBeWrittenIsReportedAndTheQueueGoesOn)
{
    const QString file = path(QStringLiteral("run.rccf"));
    queue(QStringLiteral("first 0"), true, false, file);
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir().mkdir(file)); // no file can be written there now

    const Result<> queued = m_queue.QueueCommand(file, kProbe, QStringLiteral("second 0"), true, false, false);
    EXPECT_FALSE(queued.ok());
    m_queue.StartWorker();
    ASSERT_TRUE(waitUntil([&] { return m_receiver.texts.size() == 2; }));
    EXPECT_EQ(probeLines("end"), (QStringList{"end first", "end second"}));
    EXPECT_TRUE(m_receiver.texts[0].endsWith("err first"));
    EXPECT_GT(m_receiver.texts[0].size(), QString("err first").size()); // the write failure
}
