#include "ui/fieldhelpers.h"

#include "platform/dialogs.h"
#include "platform/texthelpers.h"

#include <QColor>
#include <QDir>
#include <QLineEdit>
#include <QPalette>

void markPathField(QLineEdit *edit, bool valid)
{
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, valid ? QColor(Qt::white) : QColor(Qt::red));
    edit->setPalette(palette);
}

QString withTrailingSeparator(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString colourText(quint32 colour)
{
    return QStringLiteral("RGB(%1,%2,%3)").arg((colour >> 16) & 0xFF).arg((colour >> 8) & 0xFF).arg(colour & 0xFF);
}

bool offerFolderCreation(const QString &question, const QString &folder)
{
    const DialogButton answer =
        appDialogs().message(MessageIcon::Error, QStringLiteral("Fehler"), question,
                             DialogButton::Yes | DialogButton::No | DialogButton::Cancel);
    if (answer != DialogButton::Yes)
        return false;
    if (QDir().mkpath(folder))
        return true;
    appDialogs().showMessage(QStringLiteral("Fehler"),
                             QStringLiteral("Das Verzeichnis ") + folder
                                 + QStringLiteral(" kann nicht angelegt werden."),
                             MessageIcon::Error);
    return false;
}

QString folderCreationQuestion(const QString &start, const QString &folder)
{
    return start + folder + crlf() + crlf() + QStringLiteral("Soll es angelegt werden?");
}

void reportNotANumber(const QString &what, const QString &text)
{
    appDialogs().showMessage(QStringLiteral("Fehler"),
                             what + QStringLiteral(": \"") + text
                                 + QStringLiteral("\" ist keine ganze Zahl."),
                             MessageIcon::Error);
}
