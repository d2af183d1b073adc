// The program's folder as `tools/run --gphoto2` makes it: libedsdk.so is the libgphoto2
// bridge, the rest (and, for a whole run, the program itself) comes from the build.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include <unistd.h>

inline const QString BuildBinDir = QStringLiteral(TESSARO_BIN_DIR);

inline bool makeProgramFolder(const QString &folder, bool withProgram)
{
    const QDir bin(BuildBinDir);
    const QDir target(folder);
    // A link, not a symbolic one: the program takes the folder it was started from as its own.
    const QString program = bin.filePath(QStringLiteral("tessaro"));
    const QString copy = target.filePath(QStringLiteral("tessaro"));
    if (withProgram && ::link(QFile::encodeName(program).constData(), QFile::encodeName(copy).constData()) != 0
        && !QFile::copy(program, copy))
        return false;
    const std::pair<const char *, const char *> files[] = {{"libedsdk.so", "libedsdk-gphoto2.so"},
                                                          {"libedsimage.so", "libedsimage.so"},
                                                          {"default.cpf", "default.cpf"}};
    for (const auto &[name, source] : files) {
        if (!QFile::link(bin.filePath(QLatin1String(source)), target.filePath(QLatin1String(name))))
            return false;
    }
    return true;
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
