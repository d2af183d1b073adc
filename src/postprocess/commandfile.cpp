#include "postprocess/commandfile.h"

#include "settings/inifile.h"

#include <QRegularExpression>

namespace {

const QString kApplication = QStringLiteral("Application");
const QString kParameter = QStringLiteral("Parameter");
const QString kWait = QStringLiteral("Wait");
const QString kShow = QStringLiteral("Show");
const QString kDoLater = QStringLiteral("DoLater");
const QString kExecuted = QStringLiteral("Executed");

QString pick(bool on, const char *yes, const char *no)
{
    return QString::fromLatin1(on ? yes : no);
}

} // namespace

QString commandSectionName(int number)
{
    return QStringLiteral("Command%1").arg(number, 3, 10, QLatin1Char('0'));
}

int highestCommandSection(const IniFile &file)
{
    static const QRegularExpression name(QStringLiteral("^Command(\\d+)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    int highest = 0;
    for (const QString &section : file.sections()) {
        const auto match = name.match(section);
        if (match.hasMatch())
            highest = std::max(highest, match.captured(1).toInt());
    }
    return highest;
}

void recordCommand(IniEdits &edits, const TBatchcommand &command)
{
    const QString &section = command.section;
    edits.writeString(section, kApplication, command.program)
        .writeString(section, kParameter, command.arguments)
        .writeString(section, kWait, pick(command.wait, "WAIT", "NOWAIT"))
        .writeString(section, kShow, pick(command.show, "SHOW", "NOSHOW"))
        .writeString(section, kDoLater, pick(command.doLater, "YES", "NO"))
        .writeString(section, kExecuted, QStringLiteral("NO"));
}

void recordExecuted(IniEdits &edits, const QString &section)
{
    edits.writeString(section, kExecuted, QStringLiteral("YES"));
}

Result<QList<TBatchcommand>> ReadCommandFile(const QString &path)
{
    const IniFile file(path);
    if (!file.fileExists())
        return Failure{QStringLiteral("Commandofile ") + path + QStringLiteral("wurde nicht gefunden")};
    if (const Result<> readable = file.readable(); !readable)
        return Failure{readable.error()};
    QList<TBatchcommand> commands;
    for (int number = 1; file.hasSection(commandSectionName(number)); ++number) {
        const QString section = commandSectionName(number);
        const auto value = [&](const QString &key, const char *defaultValue) {
            return file.readStringUncut(section, key, QString::fromLatin1(defaultValue));
        };
        TBatchcommand command;
        command.index = int(commands.size());
        command.section = section;
        command.program = value(kApplication, "");
        command.arguments = value(kParameter, "");
        command.wait = value(kWait, "WAIT") == QLatin1String("WAIT");
        command.show = value(kShow, "NOSHOW") == QLatin1String("SHOW");
        command.doLater = value(kDoLater, "YES") == QLatin1String("YES");
        command.executed = value(kExecuted, "NO") == QLatin1String("YES");
        commands.append(command);
    }
    return commands;
}
