#pragma once

#include "postprocess/catalogue.h"

#include <QString>

#include <functional>
#include <optional>

// A command line built in the command editor, as a script window receives it.
struct TBuiltCommand
{
    QString CommandLine;
    TCommandstrings Strings;
    bool Wait = false;    // "Auf Programm warten"
    bool Show = false;    // "Programmfenster anzeigen"
    bool DoLater = false; // "Später ausführen"
};

// How a script window asks the command editor for a command. The editor shows itself and the
// request ends when it hides: with the command handed over by "In Skript einfügen. ", or with
// nothing when it was closed without one. Nothing waits; `done` is called once, on the main
// thread.
class ExternCommandSource
{
public:
    using Done = std::function<void(const std::optional<TBuiltCommand> &handedOver)>;

    virtual ~ExternCommandSource() = default;
    // Shows the editor with the first application named `application` selected (the current
    // selection when none bears that name). A request still open is ended with nothing first.
    virtual void requestCommand(const QString &application, Done done) = 0;
};
