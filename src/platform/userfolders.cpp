#include "platform/userfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <array>

namespace {

enum class Portable { ProgramFolder, WorkingFolder };

struct FolderRule
{
    UserFolder kind;
    Portable portable;
    QStandardPaths::StandardLocation installed;
    const char *subFolder;
};

constexpr std::array<FolderRule, 4> Rules{{
    {UserFolder::Pictures, Portable::ProgramFolder, QStandardPaths::PicturesLocation, "Tessaro"},
    {UserFolder::Documents, Portable::WorkingFolder, QStandardPaths::DocumentsLocation, "Tessaro"},
    {UserFolder::Logs, Portable::WorkingFolder, QStandardPaths::AppDataLocation, ""},
    {UserFolder::NamedFiles, Portable::ProgramFolder, QStandardPaths::DocumentsLocation, "Tessaro"},
}};

const FolderRule &ruleOf(UserFolder kind)
{
    for (const FolderRule &rule : Rules) {
        if (rule.kind == kind)
            return rule;
    }
    return Rules.front();
}

QString withSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace

QString userFolder(UserFolder kind, const QString &programFolder)
{
    const QString own = programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder;
    const FolderRule &rule = ruleOf(kind);
    if (QFileInfo(own).isDir() && QFileInfo(own).isWritable())
        return withSlash(rule.portable == Portable::ProgramFolder ? own : QDir::currentPath());
    const QString folder = QDir(QStandardPaths::writableLocation(rule.installed))
                               .filePath(QLatin1String(rule.subFolder));
    QDir().mkpath(folder);
    return withSlash(QDir::cleanPath(folder));
}
