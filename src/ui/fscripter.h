#pragma once

#include <QWidget>

// Script window; created at start and kept for the whole run. Its controls are still to come.
class TFScripter : public QWidget
{
public:
    explicit TFScripter(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("FScripter"));
        setWindowTitle(QStringLiteral("Pascal Script"));
    }
};
