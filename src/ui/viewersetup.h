#pragma once

#include <QWidget>

// Viewer settings window; created at start and kept for the whole run. Its controls are still to come.
class TViewerSetup : public QWidget
{
public:
    explicit TViewerSetup(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("ViewerSetup"));
        setWindowTitle(QStringLiteral("Viewer Einstellungen"));
    }
};
