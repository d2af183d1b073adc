#include "diagnostics/crashreport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString BinDir = QStringLiteral(TESSARO_BIN_DIR);

struct Probe
{
    QProcess::ExitStatus exitStatus = QProcess::NormalExit;
    QString output;
    QStringList reports;
};

class CrashReports : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile settings(dir.filePath(QStringLiteral("studio.ccf")));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[Config]\r\nProjektname=Gr\xF6\xDF" "e\r\n");
    }

    Probe run(const QString &mode)
    {
        QProcess probe;
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe.start(QDir(BinDir).filePath(QStringLiteral("crashprobe")),
                    {mode, folder(), QDir(BinDir).filePath(QStringLiteral("tessaro-crashreport")),
                     dir.filePath(QStringLiteral("studio.ccf"))});
        Probe result;
        if (!probe.waitForFinished(60000)) {
            probe.kill();
            probe.waitForFinished();
        }
        result.exitStatus = probe.exitStatus();
        result.output = QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
        result.reports = QDir(folder()).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
        return result;
    }

    QString read(const QString &name)
    {
        QFile file(QDir(folder()).filePath(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QString folder() const { return dir.filePath(QStringLiteral("reports")); }

    QTemporaryDir dir;
};

TEST_F(CrashReports, EveryKindOfCrashLeavesAReadableReport)
{
    struct Case
    {
        const char *mode;
        const char *cause;
    };
    const Case cases[] = {
        {"null", "Signal 11 (SIGSEGV"},
        {"abort", "Signal 6 (SIGABRT"},
        {"throw", "Nicht abgefangene Ausnahme std::runtime_error: Absicht, Signal 6"},
        {"worker-null", "Signal 11 (SIGSEGV"},
        {"worker-throw", "Nicht abgefangene Ausnahme std::runtime_error: Absicht"},
        // the second crash waits for the first one's report
        {"twoworkers-null", "Signal 11 (SIGSEGV"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        const Probe probe = run(QString::fromLatin1(c.mode));
        EXPECT_EQ(probe.exitStatus, QProcess::CrashExit);
        ASSERT_EQ(probe.reports.size(), 1);
        EXPECT_TRUE(probe.reports[0].startsWith(QLatin1String("crash-")));
        const QString text = read(probe.reports[0]);
        EXPECT_TRUE(text.startsWith(QLatin1String("Tessaro-Fehlerbericht\nVersion: 9.9-probe\n"))) << qPrintable(text);
        EXPECT_TRUE(text.contains(QLatin1String("Ursache: ") + QLatin1String(c.cause))) << qPrintable(text);
        // Every thread, the crashing one marked, with its function names.
        EXPECT_GE(text.count(QRegularExpression(QStringLiteral("\nThread \\d+"))), 2) << qPrintable(text);
        EXPECT_TRUE(text.contains(QLatin1String("(hier geschah es)")));
        EXPECT_TRUE(text.contains(QLatin1String("crashOnPurpose"))) << qPrintable(text);
        EXPECT_TRUE(text.contains(QLatin1String("Letzte Debug-Zeilen:\nProbe-Zeile 1\nProbe-Zeile 2\nProbe-Zeile 3\n")));
        EXPECT_TRUE(text.contains(QStringLiteral("\n[Config]\nProjektname=Größe\n")));
        QFile::remove(QDir(folder()).filePath(probe.reports[0]));
    }
}

TEST_F(CrashReports, ReportOnRequestLeavesTheProgramRunning)
{
    const Probe probe = run(QStringLiteral("request"));
    EXPECT_EQ(probe.exitStatus, QProcess::NormalExit);
    ASSERT_EQ(probe.reports.size(), 1);
    EXPECT_TRUE(probe.reports[0].startsWith(QLatin1String("report-")));
    EXPECT_EQ(probe.output, QDir(folder()).filePath(probe.reports[0]));
    const QString text = read(probe.reports[0]);
    EXPECT_TRUE(text.contains(QLatin1String("Ursache: Report schicken\n")));
    EXPECT_TRUE(text.contains(QLatin1String("writeReportNow"))) << qPrintable(text);
}

TEST_F(CrashReports, NewestReportAndTheOfferOfANewCrash)
{
    const QString reports = folder();
    ASSERT_TRUE(QDir().mkpath(reports));
    EXPECT_TRUE(newestReport(reports).isEmpty());
    EXPECT_FALSE(takeUnofferedCrashReport(reports));
    const auto touch = [&](const char *name) {
        QFile file(QDir(reports).filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    };
    touch("crash-20261210-101010000-7.txt");
    touch("report-20261209-090000000-8.txt");
    EXPECT_EQ(newestReport(reports), QDir(reports).filePath(QStringLiteral("crash-20261210-101010000-7.txt")));
    touch("report-20261211-090000000-9.txt");
    EXPECT_EQ(newestReport(reports), QDir(reports).filePath(QStringLiteral("report-20261211-090000000-9.txt")));

    // A crash is offered once; a report on request is never offered.
    EXPECT_EQ(takeUnofferedCrashReport(reports), QDir(reports).filePath(QStringLiteral("crash-20261210-101010000-7.txt")));
    EXPECT_FALSE(takeUnofferedCrashReport(reports));
    touch("crash-20261212-000000000-10.txt");
    EXPECT_TRUE(takeUnofferedCrashReport(reports));
}

} // namespace
