#pragma once

#include "scripting/scriptwindowview.h"

#include <QPoint>

// The script window as a run sees it: the output and every caption and caret move kept.
class RecordingScriptView : public ScriptWindowView
{
public:
    void clearOutput() override { output.clear(); }
    void appendOutput(const QString &line) override { output.append(line); }
    QStringList outputLines() const override { return output; }
    void setOutputLines(const QStringList &lines) override { output = lines; }
    QString currentFileName() const override { return fileName; }
    void moveCaretTo(int line, int column) override { carets.append(QPoint(column, line)); }
    void loadScript(const QString &text, const QString &name) override
    {
        script = text;
        fileName = name;
    }
    void setCaption(const QString &caption) override { captions.append(caption); }
    QString askLine(const QString &question) override
    {
        questions.append(question);
        return answer;
    }

    QStringList output;
    QString fileName;
    QString script;
    QList<QPoint> carets; // x column, y line
    QStringList captions;
    QStringList questions;
    QString answer;
};
