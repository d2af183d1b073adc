#include "postprocess/magickprograms.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

std::optional<QString> missingMagickProgram(const QString &folder)
{
    for (const char *program : MagickProgramNames) {
        const QString name = QLatin1String(program);
        if (folder.isEmpty()) {
            if (QStandardPaths::findExecutable(name).isEmpty())
                return name;
            continue;
        }
        const QString path = QDir(folder).filePath(name);
        const QFileInfo file(path);
        if (!file.isFile() || !file.isExecutable())
            return path;
    }
    return std::nullopt;
}
