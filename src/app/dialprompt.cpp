#include "app/dialprompt.h"

#include "platform/texthelpers.h"

QString modeDialQuestion(const QString &question, const QString &aeModeText)
{
    return question + crlf() + crlf() + QStringLiteral("Dann  stellen bitte Sie an der Kamera den Modus : ")
           + aeModeText + QStringLiteral(" ein");
}
