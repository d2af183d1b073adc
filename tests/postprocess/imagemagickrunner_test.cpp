#include "postprocess/imagemagickrunner.h"

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

    QString fake(const char *name) const { return dir.filePath(QStringLiteral("bin/") + name); }

    // Runs the event loop until the queue is empty (or a program is missing).
    bool waitUntilSettled(int ms = 5000)
    {
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

TEST_F(RunnerTest, RunsOnePictureInOrderOneAtATimeWithoutBlocking)
{
    MagickValues v;
    v.imageMagickPath = dir.filePath(QStringLiteral("bin"));
    v.outputPath = dir.filePath(QStringLiteral("out"));
    v.thumbnailPath = dir.filePath(QStringLiteral("thumbs"));
    v.textmaskPath = dir.filePath(QStringLiteral("mask"));
    v.textmaskFileName = QStringLiteral("textmask.gif");
    v.stampPath = dir.filePath(QStringLiteral("stamp.png"));
    v.textOn = v.copyrightOn = true;
    const BuildImageMagickLine build(v);
    const QList<MagickOperation> all = {MagickOperation::TextmaskCreate, MagickOperation::TextmaskOverlay,
                                        MagickOperation::Copyright, MagickOperation::Thumbnail};

    runner.addPicture(build, {dir.path() + "/", {}, QStringLiteral("A.JPG"), QStringLiteral("x")}, all);
    // Adding returns at once; the first command is running, the rest wait.
    EXPECT_TRUE(runner.running());
    EXPECT_EQ(runner.pendingCount(), 4);
    runner.addPicture(build, {dir.path() + "/", {}, QStringLiteral("B.CR2"), QStringLiteral("x")}, all);
    runner.addPicture(build, {dir.path() + "/", {}, QStringLiteral("C.JPG"), QStringLiteral("x")}, all);
    ASSERT_TRUE(waitUntilSettled());

    // Start and end alternate: no two runs overlap. Per picture: create, overlay, stamp, thumbnail;
    // the RAW picture is left out.
    const QStringList lines = log();
    ASSERT_EQ(lines.size(), 16);
    const QStringList expected = {"convert -background", "composite ", "composite ", "convert "};
    for (int i = 0; i < lines.size(); i += 2) {
        SCOPED_TRACE(lines[i].toStdString());
        const int op = (i / 2) % 4;
        EXPECT_TRUE(lines[i].startsWith(QStringLiteral("start ") + expected[op]));
        EXPECT_EQ(lines[i + 1], QStringLiteral("end"));
        if (op > 0) {
            EXPECT_TRUE(lines[i].contains(i < 8 ? QStringLiteral("/A.JPG") : QStringLiteral("/C.JPG")));
        }
    }
    EXPECT_TRUE(lines.filter(QStringLiteral("B.CR2")).isEmpty());
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_EQ(runner.pendingCount(), 0);
}

TEST_F(RunnerTest, ReportsAFailedCommandAndGoesOn)
{
    runner.add({fake("convert"), {QStringLiteral("fail")}}, QStringLiteral("convert fail"));
    runner.add({fake("convert"), {QStringLiteral("next")}}, QStringLiteral("convert next"));
    ASSERT_TRUE(waitUntilSettled());

    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("Exitcode 1")));
    EXPECT_TRUE(failures[0].contains(QStringLiteral("convert fail")));
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

    // The program appears; the next picture's command makes the held line run first.
    QDir(dir.path()).mkpath(QStringLiteral("later"));
    installFake(QStringLiteral("later/convert"));
    runner.add({fake("convert"), {QStringLiteral("third")}}, QStringLiteral("third"));
    ASSERT_TRUE(waitUntilSettled());

    EXPECT_EQ(log().filter(QStringLiteral("start")),
              (QStringList{"start convert first", "start convert second", "start convert third"}));
    EXPECT_EQ(missing.size(), 1);
}

TEST_F(RunnerTest, RefusedOperationsAreReportedAndNotQueued)
{
    MagickValues v;
    v.imageMagickPath = dir.filePath(QStringLiteral("bin"));
    v.thumbnailPath = dir.filePath(QStringLiteral("thumbs"));
    v.textmaskPath = dir.filePath(QStringLiteral("mask"));   // no text-mask name
    const BuildImageMagickLine build(v);
    runner.addPicture(build, {dir.path() + "/", {}, QStringLiteral("A.JPG"), QStringLiteral("x")},
                      {MagickOperation::TextmaskCreate, MagickOperation::Thumbnail});
    ASSERT_TRUE(waitUntilSettled());

    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].startsWith(QStringLiteral("textmaskcreate")));
    EXPECT_EQ(log().filter(QStringLiteral("start")).size(), 1);
}

} // namespace
