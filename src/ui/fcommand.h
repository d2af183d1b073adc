#pragma once

#include "ui/widgethelpers.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

// The "Befehle" tab: the name of the selected command.
class TFCommand : public QWidget
{
public:
    explicit TFCommand(QWidget *parent = nullptr)
        : QWidget(parent)
        , edComName(named(new QLineEdit, "edComName"))
    {
        setObjectName(QStringLiteral("FCommand"));
        setWindowTitle(QStringLiteral("Befehle"));
        auto *layout = new QGridLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Name :")), 0, 0);
        layout->addWidget(edComName, 0, 1);
        layout->setRowStretch(1, 1);
    }

    QLineEdit *edComName;
};
