#pragma once

#include <QString>

class TReportForm;

// Where the program's crash reports go: "reports" in the user's data folder.
QString reportsFolder();

// Installs the crash handler with the report helper beside the program.
void installProgramCrashReports();

// At start: offers to show a crash report of an earlier run that was not offered yet.
void offerLastCrashReport(TReportForm &window);

// "Report schicken": writes a report of the running program (or, failing that, takes the
// newest one), shows it and puts it on the clipboard. No network.
void sendReport(TReportForm &window);
