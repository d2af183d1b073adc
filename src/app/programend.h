#pragma once

#include <QString>

#include <optional>

// The end of the program asked for by its own steps (the end after the command line's shot,
// a cancelled connection at start). Inside the event loop the loop ends at once; before it
// runs, QCoreApplication::exit would be lost, so runProgram looks here before entering it.
void requestProgramEnd(int code);
// The code of the last request since the last reset.
std::optional<int> requestedProgramEnd();
// A run starts with no request.
void resetProgramEnd();

// One line on standard error, for runs that nobody watches.
void reportOnStderr(const QString &line);
