#include "settings/settingsmessages.h"

#include "platform/dialogs.h"

void reportMissingSettingsFile(const QString &path)
{
    appDialogs().showMessage(
        QStringLiteral("Fehler"),
        QStringLiteral("Die Datei ") + path
            + QStringLiteral(" existiert nicht . die Einstellungen können nicht geladen werden."),
        MessageIcon::Error);
}
