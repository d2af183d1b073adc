#include "postprocess/magickprograms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void makeProgram(const QString &path, QFile::Permissions permissions = QFile::ReadOwner | QFile::ExeOwner)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(permissions);
}

} // namespace

TEST(MagickPrograms, BothMustBeExecutableFilesInTheFolderOrOnPath)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/";
    makeProgram(root + "im/convert");
    makeProgram(root + "im/composite");
    makeProgram(root + "half/convert");
    makeProgram(root + "noexec/convert", QFile::ReadOwner);
    makeProgram(root + "noexec/composite");
    QDir().mkpath(root + "dirs/convert");
    makeProgram(root + "dirs/composite");
    const QByteArray oldPath = qgetenv("PATH");

    struct Case
    {
        const char *name;
        QString folder;
        QString path;     // searched when the folder is empty
        QString missing;  // empty: both can run
    };
    const Case cases[] = {
        {"both there", root + "im/", {}, {}},
        {"without separator", root + "im", {}, {}},
        {"composite missing", root + "half/", {}, root + "half/composite"},
        {"convert not executable", root + "noexec/", {}, root + "noexec/convert"},
        {"convert a folder", root + "dirs/", {}, root + "dirs/convert"},
        {"folder missing", root + "gibtsnicht/", {}, root + "gibtsnicht/convert"},
        {"on PATH", {}, root + "half:" + root + "im", {}},
        {"PATH without composite", {}, root + "half", "composite"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        qputenv("PATH", c.path.toLocal8Bit());
        EXPECT_EQ(missingMagickProgram(c.folder).value_or(QString()), c.missing);
    }
    qputenv("PATH", oldPath);
}
