#pragma once

#include <QWidget>

// ImageMagick batch preview window; created at start and kept for the whole run. Its controls are still to come.
class TImageMagickbatchform : public QWidget
{
public:
    explicit TImageMagickbatchform(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("ImageMagickbatchform"));
        setWindowTitle(QStringLiteral("ImageMagick Batch Ansicht"));
    }
};
