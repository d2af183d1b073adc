#pragma once

#include <QString>
#include <QStringList>

// What a script run needs of the script window. The window implements it; tests use a double.
class ScriptWindowView
{
public:
    virtual ~ScriptWindowView() = default;

    // The output window "Memo2".
    virtual void clearOutput() = 0;
    virtual void appendOutput(const QString &line) = 0;
    virtual QStringList outputLines() const = 0;
    virtual void setOutputLines(const QStringList &lines) = 0;

    // The editor: the file being edited (empty for a new script) and the caret, moved to the
    // first error of a failed compile. Lines and columns count from 1.
    virtual QString currentFileName() const = 0;
    virtual void moveCaretTo(int line, int column) = 0;
    // A script read from a file (the command line's "scriptfile="): the editor shows it,
    // remembers fileName as the current file and counts the script as unmodified.
    virtual void loadScript(const QString &text, const QString &fileName) = 0;

    // The window caption ("Scripter  ", with the count of commands still queued at the end).
    virtual void setCaption(const QString &caption) = 0;

    // A script asks the user for a line of text ("Einlesen"); empty when cancelled.
    virtual QString askLine(const QString &question) = 0;
};
