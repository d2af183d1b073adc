#include "settings/settingsmessages.h"

#include "platform/dialogs.h"

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

void reportMissingSettingsFile(const QString &path)
{
    reportSettingsFile(path, QStringLiteral(" existiert nicht"));
}

void reportUnreadableSettingsFile(const QString &path)
{
    reportSettingsFile(path, QStringLiteral(" kann nicht gelesen werden"));
}
