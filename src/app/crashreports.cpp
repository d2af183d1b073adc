#include "app/crashreports.h"

#include "diagnostics/crashreport.h"
#include "platform/dialogs.h"
#include "ui/reportform.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

QString reportsFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("reports"));
}

void installProgramCrashReports()
{
    installCrashReports({reportsFolder(),
                         QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tessaro-crashreport")),
                         QStringLiteral(TESSARO_VERSION)});
}

void offerLastCrashReport(TReportForm &window)
{
    const std::optional<QString> report = takeUnofferedCrashReport(reportsFolder());
    if (!report)
        return;
    const DialogButton answer = appDialogs().askYesNo(
        QString::fromUtf8(ProgramCaption),
        QStringLiteral("Das Programm wurde beim letzten Mal unerwartet beendet. "
                       "Soll der Fehlerbericht angezeigt werden?"));
    if (answer == DialogButton::Yes)
        window.showReport(*report);
}

void sendReport(TReportForm &window)
{
    std::optional<QString> report = writeReportNow(QStringLiteral("Report schicken"));
    if (!report) {
        const QString newest = newestReport(reportsFolder());
        if (!newest.isEmpty())
            report = newest;
    }
    if (!report || !window.showReport(*report)) {
        appDialogs().showMessage(QString::fromUtf8(ProgramCaption),
                                 QStringLiteral("Es liegt kein Fehlerbericht vor."));
        return;
    }
    window.copyToClipboard();
}
