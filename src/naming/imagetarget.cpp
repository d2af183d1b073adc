#include "naming/imagetarget.h"

#include "naming/filemask.h"

#include <QFileInfo>
#include <QStringList>

namespace {

// Refused by the file systems of memory cards and USB drives (FAT, exFAT, NTFS), or a
// separator here. Mask texts such as ":" and Tv values such as 30" bring them in.
bool refusedInName(QChar c)
{
    static const QString refused = QStringLiteral("/:*?\"<>|");
    return c.unicode() < 0x20 || c.unicode() == 0x7F || refused.contains(c);
}

// One name of a path that is no separator, current or parent folder, and that a removable
// drive accepts. The non-breaking space of the expansion stays.
QString safeName(QString name)
{
    for (QChar &c : name) {
        if (refusedInName(c))
            c = QLatin1Char('_');
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name.fill(QLatin1Char('_'), qMax<qsizetype>(name.size(), 1));
    return name;
}

QString safeSubFolder(const QString &maskFolder)
{
    QString folder;
    for (const QString &part : maskFolder.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        if (part != QLatin1String("."))
            folder += safeName(part) + QLatin1Char('/');
    }
    return folder;
}

// A dangling link counts: writing there would follow it.
bool occupied(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

ImageTarget BuildImageTarget(const QString &cameraFileName, const TCamerasettings &settings,
                              NamingValues &values)
{
    const qsizetype dot = cameraFileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : cameraFileName.mid(dot);
    QString base = cameraFileName;
    if (!extension.isEmpty())
        base.remove(extension);
    values.ImageFormat = QString(extension).remove(QLatin1Char('.'));
    values.ImageNumber = base.mid(base.lastIndexOf(QLatin1Char('_')) + 1);

    const QString expanded = ExpandFileMask(values.Filemask, settings, values);
    const qsizetype split = expanded.lastIndexOf(QLatin1Char('\\'));
    QString name = expanded.mid(split + 1);
    if (!values.ImageFormat.isEmpty())
        name += QLatin1Char('.') + values.ImageFormat;
    return {safeSubFolder(expanded.left(split + 1)), safeName(name)};
}

QString FreeTargetPath(const QString &path)
{
    if (!occupied(path))
        return path;
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < nameStart)
        dot = path.size();
    const QString stem = path.left(dot);
    const QString extension = path.mid(dot);
    for (qint64 n = 1;; ++n) {
        const QString candidate = stem + QLatin1Char('_') + QString::number(n) + extension;
        if (!occupied(candidate))
            return candidate;
    }
}
