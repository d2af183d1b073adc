#pragma once

#include <QByteArray>
#include <QString>

// A JPEG rendered by the simulated body's image library, with EXIF and Canon maker note.
struct PictureSpec
{
    unsigned width = 64;
    unsigned height = 48;
    unsigned orientation = 1;
    const char *serial = "1230456789";
    const char *owner = "Studio Nord";
    const char *model = "Canon EOS 5D Mark II";
};
QByteArray renderedJpeg(const PictureSpec &spec = {});

// Writes the bytes to a file; returns its path.
QString writeFile(const QString &path, const QByteArray &bytes);
