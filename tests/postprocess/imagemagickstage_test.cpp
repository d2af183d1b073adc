#include "postprocess/imagemagickstage.h"

#include "camera/camerasettings.h"
#include "diagnostics/debuglog.h"
#include "fakemagick.h"
#include "settings/programsettings.h"

#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString sub = QStringLiteral("2026-05/");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int run(const QString &program, const QStringList &arguments, const QString &folder = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    process.waitForFinished(30000);
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool waitFor(const std::function<bool()> &condition)
{
    const QDeadlineTimer deadline(10000);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

class StageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + QLatin1Char('/');
        TProgramSettings &s = ProgramSettings();
        s = TProgramSettings{};
        useStageFolders(s, root, QStringLiteral("100x100"));
        s.ImageMagickPath = installFakeMagick(root + "bin");
        s.ImagemagickTextmaskstr = QStringLiteral("Studio Nord");
        qputenv("FAKE_MAGICK_LOG", QFile::encodeName(root + "run.log"));
        qputenv("FAKE_MAGICK_SLEEP", "0");
        QObject::connect(&stage, &ImageMagickStage::failed, [this](const QString &m) { failures << m; });
        QObject::connect(&stage, &ImageMagickStage::programMissing, [this](const QString &m) { missing << m; });
        QObject::connect(&stage, &ImageMagickStage::batchLineWritten, [this](const QString &l) { batchLines << l; });
    }

    void TearDown() override
    {
        qunsetenv("FAKE_MAGICK_LOG");
        qunsetenv("FAKE_MAGICK_SLEEP");
        ProgramSettings() = TProgramSettings{};
    }

    void add(const char *fileName) { stage.AddPicture(root, sub, QLatin1String(fileName), TCamerasettings{}); }

    QStringList log() const
    {
        return QString::fromUtf8(readAll(root + "run.log")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    QString root;
    ImageMagickStage stage;
    QStringList failures;
    QStringList missing;
    QStringList batchLines;
};

TEST_F(StageTest, BurstRunsInOrderOneAtATimeWithoutHoldingUpTheMainThread)
{
    TProgramSettings &s = ProgramSettings();
    s.ImagemagickTextmask = s.ImageMagickCopyright = s.ImageMagickThumbnails = true;
    qputenv("FAKE_MAGICK_SLEEP", "0.5");

    add("A.JPG");
    add("B.CR2");
    add("C.JPG");
    // Queued at once, started later by the stage's timer; the RAW picture is left out.
    EXPECT_FALSE(stage.busy());
    EXPECT_EQ(stage.pendingLines().size(), 8);
    EXPECT_TRUE(log().isEmpty());
    for (const char *folder : {"out put/2026-05", "thumbs/2026-05", "mask"})
        EXPECT_TRUE(QDir(root + folder).exists()) << folder;

    const Heartbeat heartbeat;
    ASSERT_TRUE(drainStage(stage, 30000));

    // Start and end alternate: no two runs overlap. Per picture: create, overlay, stamp, thumbnail.
    const QStringList lines = log();
    ASSERT_EQ(lines.size(), 16);
    const QString bin = root + "bin/";
    const QString out = root + "out put/2026-05/";
    for (int i = 0; i < 2; ++i) {
        const QString picture = QLatin1String(i == 0 ? "A.JPG" : "C.JPG");
        const QStringList expected = {
            "start convert -background transparent -font DejaVu-Sans -pointsize 8 label:Studio\u00A0Nord "
                + root + "mask/textmask.gif",
            "start composite -gravity North " + root + "mask/textmask.gif " + root + sub + picture + " " + out + picture,
            "start composite -gravity North " + root + "stamp.png " + out + picture + " " + out + picture,
            "start convert -define jpeg:size=200x200 " + out + picture + " -resize 100x100 " + root + "thumbs/2026-05/Thumb" + picture,
        };
        for (int op = 0; op < 4; ++op) {
            EXPECT_EQ(lines[i * 8 + op * 2], expected[op]);
            EXPECT_EQ(lines[i * 8 + op * 2 + 1], QStringLiteral("end"));
        }
    }
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
    EXPECT_TRUE(stage.pendingLines().isEmpty());
    EXPECT_FALSE(stage.headerWritten());
    // A stage that waited for its programs would hold the timer up for half a second.
    RecordProperty("worst_heartbeat_lateness_ms", int(heartbeat.worstLatenessMs()));
    EXPECT_LT(heartbeat.worstLatenessMs(), 300);
}

TEST_F(StageTest, FailedCommandIsReportedAndRemovedAndTheNextPictureRuns)
{
    ProgramSettings().ImageMagickCopyright = true;
    add("FAIL.JPG");
    add("B.JPG");
    ASSERT_TRUE(drainStage(stage, 10000));

    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("Exitcode 1"))) << failures[0].toStdString();
    EXPECT_EQ(log().filter(QStringLiteral("start")).size(), 2);
    EXPECT_TRUE(stage.pendingLines().isEmpty());
}

TEST_F(StageTest, MissingProgramIsRetriedFirstAfterTheNextPicture)
{
    TProgramSettings &s = ProgramSettings();
    s.ImageMagickCopyright = true;
    s.ImageMagickPath = root + "later";
    add("A.JPG");
    ASSERT_TRUE(waitFor([this] { return !missing.isEmpty(); }));
    EXPECT_EQ(stage.pendingLines().size(), 1);

    // The programs appear; the next picture starts the held line first.
    installFakeMagick(root + "later");
    add("B.JPG");
    ASSERT_TRUE(drainStage(stage, 10000));
    const QStringList starts = log().filter(QStringLiteral("start"));
    ASSERT_EQ(starts.size(), 2);
    EXPECT_TRUE(starts[0].contains(QStringLiteral("/A.JPG")));
    EXPECT_EQ(missing.size(), 1);
}

TEST_F(StageTest, RefusedOperationIsReportedAndTheOthersRun)
{
    TProgramSettings &s = ProgramSettings();
    s.ImagemagickTextmask = s.ImageMagickThumbnails = true;
    s.Imagemagicktextmaskfilename.clear();
    add("A.JPG");
    ASSERT_TRUE(drainStage(stage, 10000));

    // Both text-mask operations need the name; the thumbnail runs all the same.
    ASSERT_EQ(failures.size(), 2);
    EXPECT_TRUE(failures[0].startsWith(QStringLiteral("textmaskcreate")));
    EXPECT_TRUE(failures[1].startsWith(QStringLiteral("textmaskoverlay")));
    EXPECT_EQ(log().filter(QStringLiteral("start convert")).size(), 1);
}

TEST_F(StageTest, BatchFileIsRecreatedPerBurstAndItsFailureLosesNoCommand)
{
    TProgramSettings &s = ProgramSettings();
    s.ImageMagickCopyright = s.CreateBatch = true;
    const QString batch = root + "batch/batch.sh";

    add("A.JPG");
    add("B.JPG");
    ASSERT_TRUE(drainStage(stage, 10000));
    EXPECT_FALSE(stage.batchOpen());
    QByteArray text = readAll(batch);
    EXPECT_TRUE(text.startsWith("#!/bin/sh\n"));
    EXPECT_FALSE(text.contains('\r'));
    EXPECT_EQ(text.count("#!/bin/sh"), 1);   // one header for the burst
    EXPECT_TRUE(text.contains("A.JPG") && text.contains("B.JPG"));
    EXPECT_EQ(run(QStringLiteral("/bin/sh"), {QStringLiteral("-n"), batch}), 0);
    // The preview shows what went into the file.
    EXPECT_EQ(batchLines.join('\n').toUtf8() + '\n', text);

    // The next burst gets a new file.
    add("C.JPG");
    ASSERT_TRUE(drainStage(stage, 10000));
    text = readAll(batch);
    EXPECT_TRUE(text.startsWith("#!/bin/sh\n"));
    EXPECT_FALSE(text.contains("A.JPG"));
    EXPECT_TRUE(text.contains("C.JPG"));

    // A batch folder that cannot be made: said once, no batch lines, every command runs.
    QFile blocker(root + "blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    s.ImageMagickBatchPath = root + "blocker/";
    batchLines.clear();
    add("D.JPG");
    add("E.JPG");
    ASSERT_TRUE(drainStage(stage, 10000));
    EXPECT_EQ(failures.size(), 1);
    EXPECT_TRUE(batchLines.isEmpty());
    EXPECT_EQ(log().filter(QStringLiteral("start")).size(), 5);
}

// With the real programs: what the stage made, the batch file it wrote makes again.
TEST_F(StageTest, RealImageMagickAndItsBatchFileMakeTheSamePictures)
{
    if (QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty())
        GTEST_SKIP() << "ImageMagick is not installed";
    TProgramSettings &s = ProgramSettings();
    s.ImageMagickPath.clear();
    s.ImagemagickTextmask = s.ImageMagickCopyright = s.ImageMagickThumbnails = s.CreateBatch = true;
    s.Imagemagicktextmaskfontcolorstr = QStringLiteral("red");
    s.Imagemagicktextmaskfontsizestr = QStringLiteral("20");
    QDir().mkpath(root + sub);
    ASSERT_EQ(run(QStringLiteral("convert"), {"-size", "320x200", "gradient:blue-yellow", root + sub + "A.JPG"}), 0);
    ASSERT_EQ(run(QStringLiteral("convert"), {"-size", "200x320", "gradient:green-white", root + sub + "B.JPG"}), 0);
    ASSERT_EQ(run(QStringLiteral("convert"), {"-size", "40x30", "xc:magenta", root + "stamp.png"}), 0);

    add("A.JPG");
    add("B.JPG");
    ASSERT_TRUE(drainStage(stage, 30000));
    ASSERT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();

    const QStringList made = {"mask/textmask.gif", "out put/2026-05/A.JPG", "out put/2026-05/B.JPG",
                              "thumbs/2026-05/ThumbA.JPG", "thumbs/2026-05/ThumbB.JPG"};
    QList<QByteArray> byStage;
    for (const QString &file : made) {
        byStage << readAll(root + file);
        EXPECT_FALSE(byStage.last().isEmpty()) << file.toStdString();
    }
    for (const char *folder : {"mask", "out put", "thumbs"})
        ASSERT_TRUE(QDir(root + folder).removeRecursively());
    ASSERT_EQ(run(QStringLiteral("/bin/sh"), {root + "batch/batch.sh"}, root), 0);
    for (int i = 0; i < made.size(); ++i)
        EXPECT_EQ(readAll(root + made[i]), byStage[i]) << made[i].toStdString();
}

} // namespace
