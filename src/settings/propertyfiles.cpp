#include "settings/propertyfiles.h"

#include "camera/camerasettings.h"
#include "camera/proptables.h"
#include "platform/dialogs.h"
#include "settings/inifile.h"
#include "settings/settingsmessages.h"
#include "settings/textfile.h"

#include <optional>
#include <utility>
#include <vector>

namespace {

const QString ErrorCaption = QStringLiteral("Fehler");

void showError(const QString &text)
{
    appDialogs().showMessage(ErrorCaption, text, MessageIcon::Error);
}

// True for a successful write; a failed one is reported.
bool written(const Result<> &write, const QString &path)
{
    if (!write)
        showError(QStringLiteral("Die Datei ") + path
                  + QStringLiteral(" konnte nicht geschrieben werden."));
    return write.ok();
}

void reportFormatError()
{
    showError(QStringLiteral(
        "Fehler in Konfigurationsdatei Einstellungen konnten nicht geladen werden ."));
}

void reportBadNumber(const QString &text)
{
    showError(QLatin1Char('\'') + text + QStringLiteral("' ist kein gültiger ganzzahliger Wert."));
}

// Everything after the first "=" (the whole line when there is none).
QString valueOf(const QString &line)
{
    return line.mid(line.indexOf(QLatin1Char('=')) + 1);
}

// A whole number in decimal, or hexadecimal after "$" or "0x"; blanks around it are allowed.
std::optional<qint64> parseWholeNumber(const QString &text)
{
    QString digits = text.trimmed();
    bool negative = false;
    if (digits.startsWith(QLatin1Char('-')) || digits.startsWith(QLatin1Char('+'))) {
        negative = digits.startsWith(QLatin1Char('-'));
        digits.remove(0, 1);
    }
    int base = 10;
    if (digits.startsWith(QLatin1Char('$'))) {
        digits.remove(0, 1);
        base = 16;
    } else if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        digits.remove(0, 2);
        base = 16;
    }
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok, base);
    // toLongLong would take a sign of its own after the prefix.
    if (!ok || digits.isEmpty() || !digits.front().isLetterOrNumber())
        return std::nullopt;
    return negative ? -value : value;
}

class LineReader
{
public:
    explicit LineReader(const QStringList &lines) : m_lines(lines) {}
    std::optional<QString> next()
    {
        if (m_next >= m_lines.size())
            return std::nullopt;
        return m_lines[m_next++];
    }

private:
    const QStringList &m_lines;
    qsizetype m_next = 0;
};

enum class BlockResult { Read, FormatError, BadNumber };

// Reads the entries of one block up to its "End" line.
BlockResult readBlock(LineReader &reader, PropTable &block)
{
    for (;;) {
        const std::optional<QString> nameLine = reader.next();
        if (!nameLine)
            return BlockResult::FormatError;
        if (*nameLine == QLatin1String("End"))
            return BlockResult::Read;
        const std::optional<QString> idLine = reader.next();
        if (!idLine)
            return BlockResult::FormatError;
        const std::optional<qint64> id = parseWholeNumber(valueOf(*idLine));
        if (!id) {
            reportBadNumber(valueOf(*idLine));
            return BlockResult::BadNumber;
        }
        const std::optional<QString> enabledLine = reader.next();
        if (!enabledLine)
            return BlockResult::FormatError;
        block.push_back(TPropList{valueOf(*nameLine), quint32(quint64(*id)),
                                  valueOf(*enabledLine) == QLatin1String("True")});
    }
}

// The header line (ignored) and a line that must hold "Begin".
bool readBlockStart(LineReader &reader)
{
    reader.next();
    const std::optional<QString> begin = reader.next();
    return begin && begin->contains(QLatin1String("Begin"));
}

// Entries are overwritten in place, so references that list items hold into the table stay
// valid for every position the new contents still have.
void replaceEntries(PropTable &table, const PropTable &entries)
{
    const std::size_t kept = std::min(table.size(), entries.size());
    std::copy(entries.begin(), entries.begin() + kept, table.begin());
    if (table.size() > entries.size())
        table.erase(table.begin() + entries.size(), table.end());
    else
        table.insert(table.end(), entries.begin() + kept, entries.end());
}

} // namespace

bool loadproperties(const QString &path)
{
    const textfile::Lines file = textfile::readLines(path);
    if (!file.ok()) {
        if (file.notFound)
            reportMissingSettingsFile(path);
        else
            reportUnreadableSettingsFile(path);
        return false;
    }
    LineReader reader(file.lines);
    for (const CameraPropertyInfo &info : cameraProperties()) {
        if (!readBlockStart(reader)) {
            reportFormatError();
            return false;
        }
        PropTable block;
        switch (readBlock(reader, block)) {
        case BlockResult::FormatError:
            reportFormatError();
            return false;
        case BlockResult::BadNumber:
            return false;
        case BlockResult::Read:
            break;
        }
        if (!block.empty())
            replaceEntries(MasterTable(info.property), block);
    }
    return true;
}

bool saveproperties(const QString &path)
{
    QStringList lines;
    for (const CameraPropertyInfo &info : cameraProperties()) {
        lines << QString::fromLatin1(info.fileHeader.data(), qsizetype(info.fileHeader.size()))
              << QStringLiteral("Begin");
        for (const TPropList &entry : MasterTable(info.property)) {
            lines << QStringLiteral("Name=") + entry.Name
                  << QStringLiteral("ID=") + QString::number(entry.ID)
                  << QStringLiteral("Enabled=True");
        }
        lines << QStringLiteral("End");
    }
    return written(textfile::writeLines(path, lines), path);
}

bool saveCamSettings(const QString &path)
{
    const TCamerasettings &settings = CurrentSettings();
    struct Key
    {
        const char *text;
        const char *id;
        const TPropList &value;
    };
    const Key keys[] = {
        {"AemodeStr", "AemodeId", settings.AEMode},
        {"AVStr", "AVId", settings.Av},
        {"TVStr", "TVId", settings.Tv},
        {"ISOTVStr", "ISOId", settings.ISO},
        {"WAStr", "WAId", settings.WB},
        {"FokusStr", "FokusId", settings.AFMode},
        {"ExpCompStr", "ExCompId", settings.ExpComp},
        {"MeteringStr", "MeteringId", settings.Metering},
        {"DrivemodeStr", "DrivemodeId", settings.DriveMode},
        {"FlashcompStr", "FlashCompId", settings.FlashComp},
        {"QualityStr", "QualityId", settings.Quality},
    };
    const QString section = QStringLiteral("Settings");
    IniEdits edits;
    for (const Key &key : keys) {
        edits.writeString(section, QString::fromLatin1(key.text), key.value.Name);
        // Stored as signed 32-bit: FFFFFFFF reads back as -1.
        edits.writeInteger(section, QString::fromLatin1(key.id), qint32(key.value.ID));
    }
    edits.writeInteger(section, QStringLiteral("Bulbtime"), settings.Bulbtime);
    return written(IniFile(path).apply(edits), path);
}
