#pragma once

#include <QWidget>

// BIOS byte dump test window; created at start and kept for the whole run. Its controls are still to come.
class TBiosTestForm : public QWidget
{
public:
    explicit TBiosTestForm(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("BiosTestForm"));
        setWindowTitle(QStringLiteral("BIOS"));
    }
};
