#include "postprocess/imagemagickrunner.h"

#include "diagnostics/debuglog.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Stands in for convert and composite: logs its start, arguments and end, and fails, hangs
// or takes a moment as its first argument says.
const char *fakeScript = R"(#!/bin/sh
log="$(dirname "$0")/../run.log"
echo "start $(basename "$0") $*" >> "$log"
case "$1" in
  fail) echo "convert: unable to open image" ; echo "end" >> "$log"; exit 1 ;;
  hang) exec sleep 30 ;;
esac
sleep 0.1
echo "end" >> "$log"
)";

class RunnerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setDebugEnabled(true);
        clearDebugLines();
        ASSERT_TRUE(dir.isValid());
        QDir(dir.path()).mkpath(QStringLiteral("bin"));
        installFake(QStringLiteral("bin/convert"));
        installFake(QStringLiteral("bin/composite"));
        QObject::connect(&runner, &ImageMagickRunner::failed, [this](const QString &m) { failures << m; });
        QObject::connect(&runner, &ImageMagickRunner::programMissing, [this](const QString &m) { missing << m; });
    }

    void installFake(const QString &relative)
    {
        QFile file(dir.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(fakeScript);
        file.close();
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }

    void TearDown() override { setDebugEnabled(false); }

    QString fake(const char *name) const { return dir.filePath(QStringLiteral("bin/") + name); }

    // Starts the queue and runs the event loop until it is empty (or a program is missing).
    bool waitUntilSettled(int ms = 5000)
    {
        runner.runNext();
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, [&loop] { loop.exit(1); });
        const auto a = QObject::connect(&runner, &ImageMagickRunner::idle, &loop, [&loop] { loop.exit(0); });
        const auto b = QObject::connect(&runner, &ImageMagickRunner::programMissing, &loop, [&loop] { loop.exit(0); });
        const bool settled = loop.exec() == 0;
        QObject::disconnect(a);
        QObject::disconnect(b);
        return settled;
    }

    QStringList log() const
    {
        QFile file(dir.filePath(QStringLiteral("run.log")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    ImageMagickRunner runner;
    QStringList failures;
    QStringList missing;
};

TEST_F(RunnerTest, ReportsAFailedCommandAndGoesOn)
{
    runner.add({fake("convert"), {QStringLiteral("fail")}}, QStringLiteral("convert fail"));
    runner.add({fake("convert"), {QStringLiteral("next")}}, QStringLiteral("convert next"));
    ASSERT_TRUE(waitUntilSettled());

    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("Exitcode 1")));
    EXPECT_TRUE(failures[0].contains(QStringLiteral("convert fail")));
    // The debug log has the end of the program's output.
    EXPECT_EQ(takeDebugLines().filter(QStringLiteral("unable to open image")).size(), 1);
    EXPECT_TRUE(log().contains(QStringLiteral("start convert next")));
    EXPECT_EQ(runner.pendingCount(), 0);
}

TEST_F(RunnerTest, KillsAHungProgramAfterTheLimit)
{
    runner.setTimeLimitMs(300);
    runner.add({fake("convert"), {QStringLiteral("hang")}}, QStringLiteral("convert hang"));
    runner.add({fake("convert"), {QStringLiteral("next")}}, QStringLiteral("convert next"));
    ASSERT_TRUE(waitUntilSettled());

    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("abgebrochen")));
    EXPECT_TRUE(log().contains(QStringLiteral("start convert next")));
}

TEST_F(RunnerTest, MissingProgramHoldsTheLineUntilTheNextPicture)
{
    const QString later = dir.filePath(QStringLiteral("later/convert"));
    runner.add({later, {QStringLiteral("first")}}, QStringLiteral("first"));
    runner.add({fake("convert"), {QStringLiteral("second")}}, QStringLiteral("second"));
    ASSERT_TRUE(waitUntilSettled());

    EXPECT_EQ(missing.size(), 1);   // one notice, not one per command
    EXPECT_EQ(runner.pendingLines(), (QStringList{"first", "second"}));
    EXPECT_FALSE(runner.running());
    EXPECT_TRUE(log().isEmpty());

    // The program appears; the next picture's command makes the held line run first.
    QDir(dir.path()).mkpath(QStringLiteral("later"));
    installFake(QStringLiteral("later/convert"));
    runner.add({fake("convert"), {QStringLiteral("third")}}, QStringLiteral("third"));
    ASSERT_TRUE(waitUntilSettled());

    EXPECT_EQ(log().filter(QStringLiteral("start")),
              (QStringList{"start convert first", "start convert second", "start convert third"}));
    EXPECT_EQ(missing.size(), 1);
    EXPECT_EQ(runner.pendingCount(), 0);
}

} // namespace
