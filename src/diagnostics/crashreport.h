#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Crash reports. A fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) or an uncaught
// exception starts the report helper program and waits for it; the helper attaches to the
// program, writes version, time, cause, a symbolised backtrace of every thread, the last
// debug lines and the settings file in use into the reports folder, and the program then
// ends as the signal ends it. Nothing but text goes into a report.
//
// The handler only calls async-signal-safe functions: everything it needs is prepared here
// beforehand in fixed buffers.

struct CrashReportSetup
{
    QString reportsFolder;
    QString helperProgram; // the report helper's path
    QString version;
};

// Installs the handlers for the whole process and creates the reports folder.
void installCrashReports(const CrashReportSetup &setup);

// The settings file a report includes; empty for none.
void setCrashReportSettingsFile(const QString &path);

// Keeps `line` among the last debug lines a report shows (DebugLine calls it). Any thread.
void rememberForCrashReport(const QString &line);

// Writes a report of the running program as a crash would, with `cause` as the cause;
// its path, or nothing when no report was written. Needs installCrashReports.
std::optional<QString> writeReportNow(const QString &cause);

// Reports of a folder: crashes are named "crash-*.txt", reports on request "report-*.txt";
// names sort by time.
QString newestReport(const QString &folder);
// The newest crash report that was not offered yet, and marks it as offered.
std::optional<QString> takeUnofferedCrashReport(const QString &folder);
