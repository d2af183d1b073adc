#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString BinDir = QStringLiteral(TESSARO_BIN_DIR);

struct Outcome
{
    bool finished = false;
    int exitCode = -1;
    QString errors;
};

// Starts the program headless on the simulated body in `folder` (not the program's own,
// so default.cpf must be found beside the program) and waits for it to end by itself.
Outcome runProgram(const QString &folder, const QString &body, const QStringList &parameters)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TESSARO_SIM"), body);
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(folder);
    program.start(QDir(BinDir).filePath(QStringLiteral("tessaro")), parameters);
    Outcome run;
    if (!program.waitForStarted(10000))
        return run;
    run.finished = program.waitForFinished(60000);
    if (!run.finished) {
        program.kill();
        program.waitForFinished(10000);
    }
    run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.errors = QString::fromLocal8Bit(program.readAllStandardError());
    return run;
}

QStringList picturesIn(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, {QStringLiteral("*.JPG")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

TEST(UnattendedRun, TakesOnePictureUnderTheMaskAndEnds)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile config(dir.filePath(QStringLiteral("studio.ccf")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("[Config]\r\nSavepath=" + dir.path().toUtf8()
                 + "/\r\nFilemask=Studio\\IMG#IMGNR\r\nEinzelaufnahme=1\r\n");
    config.close();

    const Outcome run = runProgram(dir.path(), QStringLiteral("camera=1;firstnumber=42"),
                               {QStringLiteral("inifile=studio"), QStringLiteral("release=auto"),
                                QStringLiteral("endaftershoot=on")});

    ASSERT_TRUE(run.finished) << "still running after a minute";
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(picturesIn(dir.path()), QStringList{dir.filePath(QStringLiteral("Studio/IMG0042.JPG"))});
}

TEST(UnattendedRun, WithoutACameraEndsWithStatusOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Outcome run = runProgram(dir.path(), QStringLiteral("camera=0"),
                               {QStringLiteral("ignoredisconnect=TRUE"), QStringLiteral("release=auto"),
                                QStringLiteral("endaftershoot=on")});

    ASSERT_TRUE(run.finished) << "still running after a minute";
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("release=auto: no camera connected")))
        << run.errors.toStdString();
    EXPECT_TRUE(picturesIn(dir.path()).isEmpty());
}

} // namespace
