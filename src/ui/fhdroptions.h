#pragma once

#include <QWidget>

// HDR options window; created at start and kept for the whole run. Its controls are still to come.
class TFHdrOptions : public QWidget
{
public:
    explicit TFHdrOptions(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("FHdrOptions"));
        setWindowTitle(QStringLiteral("HDR Optionen"));
    }
};
