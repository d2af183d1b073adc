#pragma once

#include <QWidget>

// EBV settings window; created at start and kept for the whole run. Its controls are still to come.
class TEBVeinstellungen : public QWidget
{
public:
    explicit TEBVeinstellungen(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("EBVeinstellungen"));
        setWindowTitle(QStringLiteral("EBV-einstellungen"));
    }
};
