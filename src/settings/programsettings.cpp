#include "settings/programsettings.h"

#include "platform/userfolders.h"

namespace {

QStringList numberEntries(int last)
{
    QStringList entries;
    for (int i = 0; i <= last; ++i)
        entries.append(QString::number(i));
    return entries;
}

} // namespace

TProgramSettings &ProgramSettings()
{
    static TProgramSettings settings;
    return settings;
}

std::optional<int> wholeNumber(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

void intervalNumbersFromTexts(TProgramSettings &s)
{
    s.Intervalstd = wholeNumber(s.IntervalStdText).value_or(0);
    s.Intervalmin = wholeNumber(s.IntervalMinText).value_or(0);
    s.Intervalsek = wholeNumber(s.IntervalSekText).value_or(0);
}

QString defaultSavepath()
{
    return userFolder(UserFolder::Pictures);
}

bool bracketingAllowed(std::optional<quint32> aeModeCode)
{
    if (!aeModeCode)
        return false;
    switch (*aeModeCode) {
    case 0: case 1: case 2: case 5:
        return true;
    default:
        return false;
    }
}

const QStringList &intervalHourEntries()
{
    static const QStringList entries = numberEntries(24);
    return entries;
}

const QStringList &intervalMinuteEntries()
{
    static const QStringList entries = numberEntries(60);
    return entries;
}

const QStringList &intervalSecondEntries()
{
    static const QStringList entries = {
        QStringLiteral("00"), QStringLiteral("02"), QStringLiteral("05"), QStringLiteral("10"),
        QStringLiteral("15"), QStringLiteral("30"), QStringLiteral("45"), QStringLiteral("60"),
    };
    return entries;
}

QString intervalEntryText(const QStringList &entries, int value)
{
    for (const QString &entry : entries) {
        if (entry.toInt() == value)
            return entry;
    }
    return QString::number(value);
}
