#pragma once

#include <QWidget>

// EXIF window; created at start and kept for the whole run. Its controls are still to come.
class TExifInfoForm : public QWidget
{
public:
    explicit TExifInfoForm(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("ExifInfoForm"));
        setWindowTitle(QStringLiteral("ExifInfos"));
    }
};
