#include "postprocess/commandqueue.h"

#include "camera/cameraevents.h"
#include "postprocess/commandfile.h"
#include "postprocess/commandrunner.h"
#include "processcheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <numeric>
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

// Processes posted messages until done() holds; false after timeoutMs.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000)
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
    static QString executed(const QString &file, const char *section)
    {
        return IniFile(file).readString(QString::fromLatin1(section), QStringLiteral("Executed"));
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
    // Each start returns once the program runs, so the worker's record is the start order.
    EXPECT_EQ(m_queue.Worker()->ConsoleLog().filter(QRegularExpression("^p\\d")),
              (QStringList{"p1 1500", "p2 1500", "p3 1500"}));
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

// A stop before the start holds; the next command goes to a new worker, which runs it alone.
TEST_F(CommandQueueTest, AStopBeforeTheStartHolds)
{
    queue(QStringLiteral("stopped 0"));
    m_queue.StopWorker();
    m_queue.StartWorker();
    EXPECT_FALSE(m_queue.WorkerRunning());
    EXPECT_EQ(m_queue.PendingCommandCount(), 0);

    queue(QStringLiteral("next 0"));
    EXPECT_EQ(m_queue.PendingCommandCount(), 1);
    m_queue.StartWorker();
    ASSERT_TRUE(waitUntil([&] { return m_receiver.texts.size() == 1; }));
    EXPECT_EQ(probeLines("start"), QStringList{"start next"});
}

TEST_F(CommandQueueTest, CommandFileRecordsEachCommandAndDoLaterIsNotRun)
{
    const QString file = path(QStringLiteral("sub/dir/run.rccf"));
    queue(QStringLiteral("later 0 M\u00e1laga \u20ac5"), true, true, file);
    queue(QStringLiteral("now 0 x"), false, false, path(QStringLiteral("ignored.rccf")));
    m_queue.StartWorker();
    ASSERT_TRUE(waitUntil([&] { return m_receiver.texts.size() == 2; }));
    ASSERT_TRUE(waitUntil([&] { return probeLines("start").size() == 1; }));

    EXPECT_EQ(probeLines("start"), QStringList{"start now"});
    EXPECT_EQ(m_receiver.texts, (QStringList{"", ""}));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("ignored.rccf"))));
    // The last mark is saved once the worker has nothing left to do.
    ASSERT_TRUE(waitUntil([&] { return fileBytes(file).endsWith("Executed=YES\r\n"); }));
    const QByteArray program = kProbe.toLocal8Bit();
    EXPECT_EQ(fileBytes(file), "[Command001]\r\n"
                               "Application=" + program + "\r\n"
                               "Parameter=later 0 M\xe1laga \x80" "5\r\n"
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
    EXPECT_TRUE(waitUntil([&] { return executed(file, "Command002") == "YES"; }));
    EXPECT_EQ(executed(file, "Command001"), "NO");
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
    EXPECT_EQ(executed(file, "Command001"), "NO");

    queue(QStringLiteral("next 0"), true, false, file);
    m_queue.StartWorker();
    ASSERT_TRUE(waitUntil([&] { return executed(file, "Command002") == "YES"; }));
    EXPECT_EQ(executed(file, "Command001"), "NO");
    EXPECT_EQ(IniFile(file).readString("Command002", "Parameter"), "next 0");
}

// A command queued right after a Stop goes to a new worker on the same file; the stopping
// one may not have saved its last records yet, and its sections must not be handed out again.
TEST_F(CommandQueueTest, AQueueRightAfterAStopKeepsEverySectionItsOwn)
{
    const QString file = path(QStringLiteral("run.rccf"));
    {
        CommandQueue queue(path(QStringLiteral("Console.txt")));
        const auto add = [&](const char *arguments) {
            ASSERT_TRUE(queue.QueueCommand(file, kProbe, QLatin1String(arguments), true, false, false).ok());
        };
        add("stubborn 60000");
        queue.StartWorker();
        ASSERT_TRUE(waitUntil([&] { return probeLines("start").size() == 1; }));
        add("second 0"); // saved by the worker, in its own time
        queue.StopWorker();
        add("third 0");
        queue.StartWorker();
        ASSERT_TRUE(waitUntil([&] { return probeLines("end").size() == 1; }, kStopGraceMs + 5000));
    } // every worker ended and saved

    const IniFile records(file);
    const char *const parameters[] = {"stubborn 60000", "second 0", "third 0"};
    for (int i = 0; i < 3; ++i) {
        const QString section = commandSectionName(i + 1);
        EXPECT_EQ(records.readString(section, QStringLiteral("Parameter")), QLatin1String(parameters[i]))
            << section.toStdString();
    }
    EXPECT_EQ(probeLines("start"), (QStringList{"start stubborn", "start third"}));
}

TEST_F(CommandQueueTest, StopEndsTheWholeProcessGroup)
{
    queue(QStringLiteral("family 60000"));
    m_queue.StartWorker();
    ASSERT_TRUE(waitUntil([&] { return probeLines("helper").size() == 1 && probeLines("start").size() == 1; }));
    const qint64 helper = probeLines("helper").first().section(u' ', 1).toLongLong();
    m_queue.StopWorker();
    ASSERT_TRUE(waitUntil([&] { return !m_queue.WorkerRunning(); }, kStopGraceMs + 2000));
    // SIGKILL has been sent to the group; it lands a moment later.
    EXPECT_TRUE(waitUntil([&] { return !processAlive(helper); }, 500));
    EXPECT_TRUE(m_receiver.texts.isEmpty()); // a stopped command is not dealt with
}

// The main thread records sections while the worker marks them; a section once marked must
// never read "NO" again, whichever write lands last.
TEST_F(CommandQueueTest, OverAThousandCommandsNoSectionGoesBackToNotExecuted)
{
    constexpr int kCommands = 1000;
    const QString file = path(QStringLiteral("run.rccf"));
    std::atomic<bool> done{false};
    QStringList wentBack;
    std::thread watcher([&] {
        std::map<QByteArray, bool> executed;
        while (!done) {
            QByteArray section;
            for (const QByteArray &line : fileBytes(file).split('\n')) {
                if (line.startsWith('['))
                    section = line.trimmed();
                else if (line == "Executed=YES\r")
                    executed[section] = true;
                else if (line == "Executed=NO\r" && executed[section])
                    wentBack.append(QString::fromLatin1(section));
            }
        }
    });
    m_queue.SetNotifyWindow(nullptr);
    for (int i = 0; i < kCommands; ++i) {
        ASSERT_TRUE(m_queue.QueueCommand(file, QStringLiteral("true"), {}, false, false, false).ok());
        m_queue.StartWorker();
    }
    EXPECT_TRUE(waitUntil([&] { return fileBytes(file).count("Executed=YES\r\n") == kCommands; }, 60000));
    done = true;
    watcher.join();
    EXPECT_EQ(wentBack, QStringList());
    EXPECT_TRUE(fileBytes(file).contains("[Command1000]\r\n"));
}

TEST_F(CommandQueueTest, WorkingFolderOutputDecodingAndOutputCap)
{
    // A program path is one path, blanks and non-breaking spaces included.
    const QString folder = path(QStringLiteral("my tools\u00a0x"));
    const QString program = folder + QStringLiteral("/probe");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(kProbe, program));
    const QByteArray searchPath = qgetenv("PATH");
    qputenv("PATH", QFileInfo(kProbe).absolutePath().toLocal8Bit() + ":" + searchPath);
    ASSERT_TRUE(m_queue.QueueCommand({}, program, QStringLiteral("cwd-path-\u00fc 0"), true, false, false).ok());
    ASSERT_TRUE(m_queue.QueueCommand({}, QFileInfo(kProbe).fileName(), QStringLiteral("cwd-bare 0"), true, false, false).ok());
    queue(QStringLiteral("talk%1 0").arg(3 * kOutputCap));
    m_queue.StartWorker();
    const bool done = waitUntil([&] { return m_receiver.texts.size() == 3; }, 20000);
    qputenv("PATH", searchPath);
    ASSERT_TRUE(done);

    EXPECT_EQ(probeLines("cwd /"), (QStringList{"cwd " + folder, "cwd " + QDir::currentPath()}));
    EXPECT_EQ(m_receiver.texts[0], QStringLiteral("err cwd-path-\u00fc"));
    const QStringList log = m_queue.Worker()->ConsoleLog();
    EXPECT_TRUE(log.contains(QStringLiteral("out cwd-path-\u00fc")));
    const qsizetype talked = std::accumulate(log.begin(), log.end(), qsizetype(0),
        [](qsizetype sum, const QString &line) { return sum + line.size() + 1; });
    EXPECT_GT(talked, kOutputCap / 2);
    EXPECT_LT(talked, 2 * kOutputCap);
}

// Two threads append while the worker selects, marks and saves; the ThreadSanitizer build
// runs these. Returns the worker's queue once it is done.
TBatchcommands appendFromTwoThreads(TKommandoThread &worker, int each)
{
    worker.Start();
    const auto append = [&](const char *label) {
        for (int i = 0; i < each; ++i) {
            if (!worker.AddCommand(kProbe, QString::fromLatin1(label), false, false, true).ok())
                ADD_FAILURE();
        }
    };
    std::thread other(append, "a");
    append("b");
    other.join();
    EXPECT_TRUE(waitUntil([&] { return worker.PendingCount() == 0; }, 60000));
    worker.Stop();
    worker.Join();
    const TBatchcommands queue = worker.Queue();
    EXPECT_EQ(queue.count(), 2 * each);
    for (int i = 0; i < queue.count(); ++i) {
        EXPECT_EQ(queue.at(i).index, i);
        EXPECT_TRUE(queue.at(i).executed);
    }
    return queue;
}

TEST_F(CommandQueueTest, TenThousandAppendsFromTwoThreadsAreEachDealtWithOnce)
{
    TKommandoThread worker({}, path(QStringLiteral("Console.txt")));
    appendFromTwoThreads(worker, 5000);
}

TEST_F(CommandQueueTest, TwoThreadsAppendWhileTheWorkerSavesTheirRecords)
{
    const QString file = path(QStringLiteral("run.rccf"));
    TKommandoThread worker(file, path(QStringLiteral("Console.txt")));
    appendFromTwoThreads(worker, 500);
    EXPECT_EQ(fileBytes(file).count("DoLater=YES\r\n"), 1000);
}

TEST_F(CommandQueueTest, DetachedStartsLeaveNoZombie)
{
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(RunCapturing(kProbe, QStringLiteral("d 0"), {}, false, false).started);
    ASSERT_TRUE(waitUntil([&] { return probeLines("end").size() == 50; }));
    // A probe that has just written its last line may not be reaped yet.
    EXPECT_TRUE(waitUntil([] { return zombieChildren() == 0; }));
}

TEST_F(CommandQueueTest, EndingTheQueueEndsAHungProgram)
{
    QElapsedTimer timer;
    {
        CommandQueue queue(path(QStringLiteral("Console.txt")));
        ASSERT_TRUE(queue.QueueCommand({}, kProbe, QStringLiteral("stubborn 60000"), true, false, false).ok());
        queue.StartWorker();
        ASSERT_TRUE(waitUntil([&] { return probeLines("start").size() == 1; }));
        queue.StopWorker();
        // The stopping worker is set aside; the next one ends with it.
        ASSERT_TRUE(queue.QueueCommand({}, kProbe, QStringLiteral("stubborn2 60000"), true, false, false).ok());
        queue.StartWorker();
        ASSERT_TRUE(waitUntil([&] { return probeLines("start").size() == 2; }));
        timer.start();
    }
    EXPECT_LT(timer.elapsed(), kStopGraceMs + 1000);
    EXPECT_EQ(zombieChildren(), 0);
    EXPECT_EQ(probeLines("end"), QStringList());
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
    // The marks cannot be saved either; each failed save is a notification of its own.
    ASSERT_TRUE(waitUntil([&] { return m_receiver.texts.size() >= 3; }));
    EXPECT_EQ(probeLines("end"), (QStringList{"end first", "end second"}));
    QStringList failures = m_receiver.texts;
    EXPECT_EQ(failures.removeAll("err first") + failures.removeAll("err second"), 2);
    for (const QString &failure : failures)
        EXPECT_FALSE(failure.isEmpty());
}

} // namespace
