#pragma once

#include <QWidget>

// Command editor window; created at start and kept for the whole run. Its controls are still to come.
class TFKommandeditor : public QWidget
{
public:
    explicit TFKommandeditor(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("FKommandeditor"));
        setWindowTitle(QStringLiteral("Kommandoeditor"));
    }
};
