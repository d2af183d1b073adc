#include "ownxserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString BinDir = QStringLiteral(TESSARO_BIN_DIR);

// The real program, killed by a fatal signal while it runs, leaves a report in the user's
// data folder naming the configuration it loaded, and the next start offers it.
TEST(ProgramCrash, LeavesAReportThatTheNextStartOffers)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile config(dir.filePath(QStringLiteral("studio.ccf")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("[Config]\r\nProjektname=Absturz\r\n");
    config.close();
    const QString reports = dir.filePath(QStringLiteral("data/Tessaro für Canon EOS DSLR/reports"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TESSARO_SIM"), QStringLiteral("camera=1"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    program.setReadChannel(QProcess::StandardError);
    // The missing layout is reported after the configuration was loaded, so its message
    // says that the program has come that far.
    program.start(QDir(BinDir).filePath(QStringLiteral("tessaro")),
                  {QStringLiteral("inifile=studio"), QStringLiteral("viewer=nolayout")});
    ASSERT_TRUE(program.waitForStarted(10000));
    ASSERT_TRUE(pollUntil([&] {
        program.waitForReadyRead(100);
        return program.peek(1 << 16).contains("nolayout.cif") || program.state() == QProcess::NotRunning;
    }));
    ::kill(pid_t(program.processId()), SIGSEGV);
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);

    const QStringList found = QDir(reports).entryList({QStringLiteral("crash-*.txt")}, QDir::Files);
    ASSERT_EQ(found.size(), 1);
    QFile report(QDir(reports).filePath(found[0]));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(report.readAll());
    EXPECT_TRUE(text.contains(QLatin1String("Ursache: Signal 11 (SIGSEGV")));
    EXPECT_TRUE(text.contains(QLatin1String("Einstellungsdatei: ") + QFileInfo(config).absoluteFilePath()));
    EXPECT_TRUE(text.contains(QLatin1String("Projektname=Absturz")));
    EXPECT_TRUE(text.contains(QLatin1String(" main ")) || text.contains(QLatin1String(" main (")));

    // Offscreen, the offer is printed and answered No.
    program.start(QDir(BinDir).filePath(QStringLiteral("tessaro")), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    const bool offered = pollUntil([&] {
        program.waitForReadyRead(100);
        return program.peek(1 << 16).contains("unerwartet beendet")
               || program.state() == QProcess::NotRunning;
    });
    program.kill();
    program.waitForFinished(10000);
    EXPECT_TRUE(offered);
}

} // namespace
