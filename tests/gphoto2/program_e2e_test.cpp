// The real program started with TESSARO_CAMERA=gphoto2, so that the libgphoto2 bridge takes
// the simulated body's place, against the EOS responder: a prepared run stores RAW and JPEG of
// its release under the mask; a body that drops the connection at the release ends the run as
// failed, never as a crash.
#include "buildfolder.h"
#include "responder.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ProgramOverLibgphoto2 : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        QFile config(work.filePath(QStringLiteral("studio.ccf")));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write("[Config]\r\nSavepath=" + work.path().toUtf8()
                     + "/\r\nFilemask=Studio\\IMG#IMGNR\r\nEinzelaufnahme=1\r\n");
    }

    // Starts a prepared run (configuration, one release, end) and waits for its end.
    int run(const QString &camera = QStringLiteral("gphoto2"))
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), work.path()); // libgphoto2 keeps its settings there
        env.insert(QStringLiteral("TESSARO_CAMERA"), camera);
        env.insert(QStringLiteral("TESSARO_GPHOTO2_PORT"), QString::fromStdString(body.port()));
        // libgphoto2's unnamed leaks (its unloaded camera drivers) would change the exit status
        // of a sanitized program; the program's own are checked on the simulated body.
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(work.path());
        program.start(BuildBinDir + QStringLiteral("/tessaro"),
                      {QStringLiteral("inifile=studio"), QStringLiteral("release=auto"),
                       QStringLiteral("endaftershoot=on")});
        if (!program.waitForStarted(10000) || !program.waitForFinished(60000)) {
            program.kill();
            program.waitForFinished(10000);
            return -2;
        }
        errors = QString::fromLocal8Bit(program.readAllStandardError());
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    QStringList stored() const
    {
        QStringList files;
        QDirIterator it(work.filePath(QStringLiteral("Studio")), QDir::Files);
        while (it.hasNext())
            files << QFileInfo(it.next()).fileName();
        files.sort();
        return files;
    }

    QTemporaryDir work;
    QByteArray jpeg = readAll(QStringLiteral(TESSARO_RESPONDER_JPEG));
    ptpip::Responder body{jpeg.toStdString()};
    QString errors;
};

} // namespace

TEST_F(ProgramOverLibgphoto2, StoresRawAndJpegOfTheReleaseUnderTheMask)
{
    ASSERT_EQ(run(), 0) << errors.toStdString();
    EXPECT_EQ(body.releases(), 1);
    EXPECT_EQ(stored(), (QStringList{QStringLiteral("IMG0001.CR2"), QStringLiteral("IMG0001.JPG")}));
    EXPECT_EQ(readAll(work.filePath(QStringLiteral("Studio/IMG0001.JPG"))), jpeg);
    // The panel was filled from the body and the pictures asked of it.
    const std::vector<std::string> writes = body.writes();
    EXPECT_NE(std::find(writes.begin(), writes.end(), "D11C=4"), writes.end());
}

TEST_F(ProgramOverLibgphoto2, ABodyLostAtTheReleaseEndsTheRunAsFailed)
{
    body.disconnectOnRelease();
    EXPECT_EQ(run(), 1) << errors.toStdString();
    EXPECT_TRUE(stored().isEmpty());
}

TEST_F(ProgramOverLibgphoto2, AnUnknownCameraChoiceIsNamedAndNothingStarts)
{
    EXPECT_EQ(run(QStringLiteral("usb")), 1);
    EXPECT_TRUE(errors.contains(QStringLiteral("TESSARO_CAMERA=usb")) && errors.contains(QStringLiteral("gphoto2")))
        << errors.toStdString();
    EXPECT_EQ(body.releases(), 0);
}
