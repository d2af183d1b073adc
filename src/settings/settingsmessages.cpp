#include "settings/settingsmessages.h"

#include "platform/dialogs.h"

#include <QDir>

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
