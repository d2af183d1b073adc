// The build's program folder, where the libgphoto2 bridge lies beside the simulated body.
#pragma once

#include <QFile>
#include <QString>

inline const QString BuildBinDir = QStringLiteral(TESSARO_BIN_DIR);
inline const QString BridgeLibrary = QStringLiteral("libedsdk-gphoto2.so");

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
