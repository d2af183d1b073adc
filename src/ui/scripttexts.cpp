#include "ui/scripttexts.h"

#include "platform/texthelpers.h"
#include "postprocess/commandhandover.h"

#include <array>

namespace scripttexts {

namespace {

const QString &kBreak = crlf();

constexpr std::array<ValueButton, 8> kValueButtons{{
    {"btaddAv", "AV", "AV", "cbAV", "AV", CameraProperty::Av, true},
    {"btAddTV", "TV", "TV", "cbTV", "TV", CameraProperty::Tv, true},
    {"btAddiso", "ISO", "ISO", "cbISO", "ISO", CameraProperty::ISO, true},
    {"BTWB", "Weissabgleich", "Weissabgleich", "cbwb", "WEISSABGLEICH", CameraProperty::WhiteBalance, true},
    {"btAddFokus", "Fokus", "Fokus", "cbFokus", "FOKUS", CameraProperty::AFMode, true},
    {"btAddQual", "Qualität", "Bildqualitaet", "cbQual", "BILDQUALITAET", CameraProperty::Quality, false},
    {"btAddExpcomp", "Belichtungskor.", "Belichtungskorrektur", "cbEXPCOMP", "BELICHTUNGSKORREKTUR",
     CameraProperty::ExpComp, true},
    {"btAddmetering", "Messung", "Messmethode", "cbMetering", "MESSMETHODE", CameraProperty::Metering, true},
}};

constexpr std::array<Macro, 31> kMacros{{
    {"Ausloesen", "RELEASE"},
    {"Warte 1Sek", "DELAY"},
    {"EBV Befehl", "EBVCOMMAND"},
    {"Projektname setzen", "SETPROJECTNAME"},
    {"Projektname einlesen", "READPROJECTNAME"},
    {"Maske einfügen ", "INSERTMASK"},
    {"Bildanzeige an", "VIEWON"},
    {"Bildanzeige aus", "VIEWOFF"},
    {"Bild Anzeigen", "SHOWPIC"},
    {"Bilder Pfad setzen", "SETIMAGESPATH"},
    {"Bilder Pfad anzeigen", "SHOWIMAGESPATH"},
    {"Bilder Pfad einfügen", "ADDIMAGESPATH"},
    {"Bild Pfad anzeigen", "SHOWIMAGEPATH"},
    {"Bild Pfad einsetzen", "ADDIMAGEPATH"},
    {"Bild Name anzeigen", "SHOWIMAGENAME"},
    {"Bild Name einsetzen", "ADDIMAGENAME"},
    {"Bild Verzeichnis anzeigen", "SHOWIMAGEDIR"},
    {"Bild Verzeichnis Einfügen", "ADDIMAGEDIR"},
    {"", ""},
    {"EBV an", "SETEBVON"},
    {"EBV Aus", "SETEBVOFF"},
    {"EBV Befehl", "EBVCOMMAND"},
    {"EBV Ergebnis anzeigen", "SETEBVOFF"},
    {"EBV Pfad setzen", "SETEBVPATH"},
    {"EBV Pfad Einfügen", "ADDEBVPATH"},
    {"EBV Pfad anzeigen", "SHOWEBVPATH"},
    {"EBV Pfad Einfügen", "ADDEBVPATH"},
    {"EBV Name anzeigen", "SHOWEBVNAME"},
    {"EBV Name Einfügen", "ADDEBVNAME"},
    {"EBV Verzeichnis anzeigen", "SHOWEBVDIR"},
    {"EBV Verzeichnis Einfügen", "ADDEBVDIR"},
}};

const char *const kHelpLines[] = {
    "Folgende Befehle sind derzeit im Skriptmodus verfügbar ",
    "",
    "Anzeige(Zeichenkette)         z.B. Anzeige('Hallo');       ",
    "Hole   ('WERT')             z.B. hole   ('ISO')           holt den aktuellen ISO-Wert als Zeichenkette ",
    "Setze  ('WERT','AUF',0)   z.B. Setze  ('ISO','400',0) Die null steht für einen Offset",
    "       Setze  ('ISO','400',0) setzt den ISO-Wert auf 400",
    "       Setze  ('ISO','400',1) setzt den ISO-Wert auf 800",
    "Liste  ('WERT')             z.B. Liste  ('ISO')           Holt die verfügbaren ISO-Werte als Zeichenkette",
    "       Anzeige(Liste('ISO') Zeigt dann z.B. die verfügbaren ISO-Werte als Zeichenkette",
};

bool isIdentifierChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// The piece of one row of the command after its comment, by the row's type.
QString commandPiece(const QString &type, const QString &piece)
{
    const QString upper = type.toUpper();
    if (upper == QLatin1String("BEFEHL"))
        return pascalLiteral(piece) + QStringLiteral(",''");
    if (upper == QLatin1String("TEXTMASK"))
        return QLatin1Char('+') + pascalLiteral(QStringLiteral("#TEXTMASKBEGIN ") + piece + QStringLiteral(" #TEXTMASKEND"));
    if (upper == QLatin1String("FILEPATH")) {
        // The markers close the literal and open it again around the picture's values.
        QString path = QLatin1Char('+') + pascalLiteral(QStringLiteral("#PATHBEGIN") + piece + QStringLiteral("#PATHEND"));
        path.replace(QStringLiteral("#COMAKTBILD"), QStringLiteral(" '+Bild(0,0,'PFAD')+' "));
        path.replace(QStringLiteral("#COMEBVPATH"), QStringLiteral(" '+Hole('EBVPFAD')+Bild(0,0,'NAME')+' "));
        path.replace(QStringLiteral("#EBVPATHMASK"),
                     QStringLiteral(" '+Hole('EBVPFAD')+Bild(0,0,'MASKPATH')+Bild(0,0,'NAME')+' "));
        return path;
    }
    return QLatin1Char('+') + pascalLiteral(QLatin1Char(' ') + piece);
}

QString flag(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

QString pascalLiteral(const QString &text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString setzeLine(const QString &name, const QString &value)
{
    return QStringLiteral("Setze(") + pascalLiteral(name) + QLatin1Char(',') + pascalLiteral(value)
        + QStringLiteral(",0);") + kBreak;
}

QString commandLineScript(const QString &command)
{
    return QStringLiteral("Program test;begin") + kBreak + QLatin1Char(' ') + command + QLatin1Char(';') + kBreak
        + QStringLiteral("end.") + kBreak;
}

std::optional<QString> helpTopic(const QString &command)
{
    const QString text = command.trimmed();
    if (!text.startsWith(QLatin1String("HILFE"), Qt::CaseInsensitive))
        return std::nullopt;
    const QString rest = text.mid(5).trimmed();
    if (text.size() > 5 && isIdentifierChar(text.at(5)))
        return std::nullopt; // a name such as "Hilfetext"
    if (rest.startsWith(QLatin1String(":=")))
        return std::nullopt; // an assignment to a variable of that name
    return text.mid(7).trimmed();
}

QString helpText()
{
    QStringList lines;
    for (const char *line : kHelpLines)
        lines.append(QString::fromUtf8(line));
    return lines.join(kBreak);
}

std::span<const ValueButton> valueButtons()
{
    return kValueButtons;
}


QStringList markedEntries(const PropTable &table, qint64 currentCode)
{
    QStringList entries;
    for (const TPropList &entry : table) {
        const bool current = currentCode >= 0 && entry.ID == quint64(currentCode);
        entries.append(current ? entry.Name + QLatin1Char('*') : entry.Name);
    }
    return entries;
}

QString unmarkedEntry(const QString &entry)
{
    return entry.endsWith(QLatin1Char('*')) ? entry.chopped(1) : entry;
}

std::span<const Macro> macros()
{
    return kMacros;
}

QString ebvCommandoCall(const TBuiltCommand &command)
{
    const TCommandstrings &strings = command.Strings;
    QStringList lines{QStringLiteral("EBVCOMMANDO(")};
    for (qsizetype row = 0; row < strings.Names.size(); ++row) {
        const QString type = strings.Types.value(row);
        QString label = strings.Names.at(row) + QStringLiteral("  :  ") + type;
        label.remove(QLatin1Char('}')); // would end the comment early
        lines.append(QLatin1Char('{') + PadText(label, QStringLiteral(" "), 30, PadBehind) + QLatin1Char('}')
                     + commandPiece(type, strings.Pieces.value(row)));
    }
    lines.append(QStringLiteral("{ Auf Ausführung warten Ja=True, Nein=False }")
                 + (command.Wait ? QStringLiteral(", true ") : QStringLiteral(",false ")));
    lines.append(QStringLiteral("{ Programmfenster anzeigen Ja=True, Nein=False },") + flag(command.Show) + QLatin1Char(' '));
    lines.append(QStringLiteral("{ erst Später ausführen Ja=True, Nein=False },") + flag(command.DoLater) + QStringLiteral(" );"));
    return lines.join(kBreak);
}

} // namespace scripttexts
