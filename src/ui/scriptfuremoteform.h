#pragma once

#include <QWidget>

// Key-sending remote window; created at start and kept for the whole run. Its controls are still to come.
class TScriptFuRemoteForm : public QWidget
{
public:
    explicit TScriptFuRemoteForm(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("ScriptFuRemoteForm"));
        setWindowTitle(QStringLiteral("Script fu Remote"));
    }
};
