#pragma once

#include <QWidget>

// Command list window; created at start and kept for the whole run. Its controls are still to come.
class TBilderFolgeForm : public QWidget
{
public:
    explicit TBilderFolgeForm(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("BilderFolgeForm"));
        setWindowTitle(QStringLiteral("Bilderfolge"));
    }
};
