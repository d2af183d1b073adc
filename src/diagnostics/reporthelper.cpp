// tessaro-crashreport: started by the crash handler (or on request) with the program's
// context on standard input; attaches to the program, reads every thread's stack and writes
// the report into the reports folder. Exits 0 when the report was written.
#include "diagnostics/threadstacks.h"
#include "settings/wincodec.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QSaveFile>

#include <csignal>
#include <cstdio>

namespace {

// A settings file larger than this is not a settings file; it is named, not copied.
constexpr qint64 MaxSettingsBytes = 256 * 1024;

struct Context
{
    QMap<QString, QString> fields;
    QStringList debugLines;
};

Context readContext(QFile &input)
{
    Context context;
    bool inLines = false;
    while (!input.atEnd()) {
        QString line = QString::fromUtf8(input.readLine());
        if (line.endsWith(QLatin1Char('\n')))
            line.chop(1);
        if (inLines)
            context.debugLines << line;
        else if (line == QLatin1String("--"))
            inLines = true;
        else
            context.fields.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    return context;
}

QString signalText(int signal)
{
    static const QMap<int, const char *> names{
        {SIGSEGV, "SIGSEGV, Speicherzugriffsfehler"}, {SIGBUS, "SIGBUS, Busfehler"},
        {SIGFPE, "SIGFPE, Rechenfehler"},            {SIGILL, "SIGILL, ungültiger Befehl"},
        {SIGABRT, "SIGABRT, Programmabbruch"}};
    return QStringLiteral("Signal %1 (%2)").arg(signal).arg(QString::fromUtf8(names.value(signal, "?")));
}

QStringList settingsSection(const QString &path)
{
    if (path.isEmpty())
        return {QStringLiteral("Einstellungsdatei: keine")};
    QStringList lines{QStringLiteral("Einstellungsdatei: ") + path};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lines << QStringLiteral("(nicht lesbar)");
    if (file.size() > MaxSettingsBytes)
        return lines << QStringLiteral("(zu groß, nicht aufgenommen)");
    const QByteArray bytes = file.readAll();
    // Only text goes into a report.
    if (bytes.contains('\0'))
        return lines << QStringLiteral("(keine Textdatei, nicht aufgenommen)");
    for (QString line : wincodec::decode(bytes).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        lines << line;
    }
    return lines;
}

QStringList report(const Context &context, const QDateTime &now)
{
    const auto field = [&](const char *key) { return context.fields.value(QLatin1String(key)); };
    const int signal = field("signal").toInt();
    QString cause = field("cause");
    if (signal)
        cause = cause.isEmpty() ? signalText(signal) : cause + QStringLiteral(", ") + signalText(signal);
    QStringList lines{QStringLiteral("Tessaro-Fehlerbericht"),
                      QStringLiteral("Version: ") + field("version"),
                      QStringLiteral("Zeit: ") + now.toString(Qt::ISODateWithMs),
                      QStringLiteral("Ursache: ") + cause,
                      QStringLiteral("Prozess: ") + field("pid"),
                      QString(),
                      QStringLiteral("Threads:")};
    lines << threadStacks(field("pid").toInt(), field("tid").toInt());
    lines << QStringLiteral("Letzte Debug-Zeilen:") << context.debugLines << QString();
    lines << settingsSection(field("settings"));
    return lines;
}

} // namespace

int main()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 1;
    const Context context = readContext(input);
    const QDateTime now = QDateTime::currentDateTime();
    const QString folder = context.fields.value(QStringLiteral("folder"));
    const bool crash = context.fields.value(QStringLiteral("signal")).toInt() != 0;
    const QString name = QStringLiteral("%1-%2-%3.txt")
                             .arg(crash ? QStringLiteral("crash") : QStringLiteral("report"),
                                  now.toString(QStringLiteral("yyyyMMdd-HHmmsszzz")),
                                  context.fields.value(QStringLiteral("pid")));
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return 1;
    QSaveFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(report(context, now).join(QLatin1Char('\n')).toUtf8() + '\n');
    return file.commit() ? 0 : 1;
}
