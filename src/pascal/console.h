#pragma once

#include "pascal/engine.h"

#include <functional>
#include <string>

namespace pascal {

// A plain text host: Writeln, Anzeige and Memo2 print lines, ShowMessage prints "[ShowMessage] text"; used by the command-line runner
// and the script tests.
struct ConsoleOptions {
    std::function<void(const std::string&)> print;
    IncludeResolver resolver;
    // Called once the script is loaded, before it runs (tests install hooks here).
    std::function<void(Executor&)> beforeRun;
};

// Returns 0 after a clean run, 1 when compiling failed and 2 for a runtime error.
int runConsoleScript(const std::string& text, const std::string& fileName, const ConsoleOptions& options);

// Reads included files relative to the file that includes them.
IncludeResolver fileIncludeResolver();

} // namespace pascal
