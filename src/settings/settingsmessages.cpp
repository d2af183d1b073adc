#include "settings/settingsmessages.h"

#include "platform/dialogs.h"
#include "settings/inifile.h"

#include <QDir>
#include <QFileInfo>

namespace {

void reportSettingsFile(const QString &path, const QString &problem)
{
    appDialogs().showMessage(
        QStringLiteral("Fehler"),
        QStringLiteral("Die Datei ") + path + problem
            + QStringLiteral(" . die Einstellungen können nicht geladen werden."),
        MessageIcon::Error);
}

} // namespace

QString inWorkingFolder(const QString &path)
{
    if (path.contains(u'/') || path.contains(QDir::separator()))
        return path;
    return QDir::current().filePath(path);
}

void reportMissingSettingsFile(const QString &path)
{
    reportSettingsFile(path, QStringLiteral(" existiert nicht"));
}

void reportUnreadableSettingsFile(const QString &path)
{
    reportSettingsFile(path, QStringLiteral(" kann nicht gelesen werden"));
}

void reportDamagedSettingsFile(const QString &path)
{
    reportSettingsFile(path, QStringLiteral(" ist beschädigt"));
}

bool settingsFileReadable(const QString &path, const IniFile &ini)
{
    if (!QFileInfo::exists(path)) {
        reportMissingSettingsFile(path);
        return false;
    }
    if (!ini.readable()) {
        reportUnreadableSettingsFile(path);
        return false;
    }
    return true;
}

void reportUnwritableSettingsFile(const QString &path, const QString &reason)
{
    appDialogs().showMessage(QStringLiteral("Fehler"),
                             QStringLiteral("Die Datei ") + path
                                 + QStringLiteral(" kann nicht geschrieben werden: ") + reason,
                             MessageIcon::Error);
}
