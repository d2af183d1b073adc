#pragma once

#include <QWidget>

// Internal image window; created at start and kept for the whole run. Its controls are still to come.
class TBildanzeigeForm : public QWidget
{
public:
    explicit TBildanzeigeForm(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("BildanzeigeForm"));
        setWindowTitle(QStringLiteral("Bildanzeige"));
    }
};
