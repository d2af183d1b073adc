#include "scripting/scriptfiles.h"
#include "scripting/scriptincludes.h"

#include "scripting/scriptwindowview.h"
#include "settings/settingsmessages.h"
#include "settings/textfile.h"
#include "settings/wincodec.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The entry of `folder` whose name equals `name`, first exactly, then ignoring case.
QString findInFolder(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(name)).isFile())
        return dir.filePath(name);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return {};
}

} // namespace

std::optional<QString> readScriptFile(const QString &path)
{
    const textfile::Bytes file = textfile::readBytes(path);
    if (file.notFound) {
        reportMissingSettingsFile(path);
        return std::nullopt;
    }
    if (!file.ok()) {
        reportUnreadableSettingsFile(path);
        return std::nullopt;
    }
    return wincodec::decode(file.bytes);
}

bool loadScriptFile(ScriptWindowView &view, const QString &path)
{
    const std::optional<QString> text = readScriptFile(path);
    if (!text)
        return false;
    view.loadScript(*text, path);
    return true;
}

pascal::IncludeResolver scriptIncludeResolver(const QString &programFolder)
{
    return [programFolder](const std::string &name,
                           const std::string &from) -> std::optional<pascal::IncludedFile> {
        QString wanted = QString::fromStdString(name);
        wanted.replace(u'\\', u'/');
        const QString including = QString::fromStdString(from).replace(u'\\', u'/');
        const QString base = including.contains(u'/') ? QFileInfo(including).path() : programFolder;
        const QFileInfo relative(QDir(base).filePath(wanted));
        const QString found = findInFolder(relative.path(), relative.fileName());
        if (found.isEmpty())
            return std::nullopt;
        const textfile::Bytes file = textfile::readBytes(found);
        if (!file.ok())
            return std::nullopt;
        return pascal::IncludedFile{found.toStdString(), file.bytes.toStdString()};
    };
}
