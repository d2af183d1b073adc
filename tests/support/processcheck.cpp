#include "processcheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

// The fields after "pid (name) " of /proc/<pid>/stat: state, parent, ...
QList<QByteArray> statFields(const QString &pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    return stat.mid(stat.lastIndexOf(')') + 2).split(' ');
}

} // namespace

int zombieChildren()
{
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    int zombies = 0;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QList<QByteArray> fields = statFields(pid);
        if (fields.size() > 1 && fields[0] == "Z" && fields[1] == self)
            ++zombies;
    }
    return zombies;
}

bool processAlive(qint64 pid)
{
    const QList<QByteArray> fields = statFields(QString::number(pid));
    return !fields.isEmpty() && fields[0] != "Z";
}
