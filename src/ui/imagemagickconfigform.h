#pragma once

#include <QWidget>

// ImageMagick settings window; created at start and kept for the whole run. Its controls are still to come.
class TImageMagickConfigForm : public QWidget
{
public:
    explicit TImageMagickConfigForm(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("ImageMagickConfigForm"));
        setWindowTitle(QStringLiteral("Imagemagick"));
    }
};
