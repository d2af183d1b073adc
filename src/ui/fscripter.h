#pragma once

#include <QString>
#include <QStringList>
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

    // The text of each command-output message (1030) that reaches the main window, shown or
    // hidden: one line of the output console. Until the console exists the lines are kept.
    void AppendCommandOutput(const QString &text) { m_commandOutput.append(text); }
    const QStringList &commandOutput() const { return m_commandOutput; }

private:
    QStringList m_commandOutput;
};
