#pragma once

#include <QString>

// What the script window asks of the script host: compile and run a text, stop it.
class ScriptRunner
{
public:
    virtual ~ScriptRunner() = default;
    // Returns when the run has ended. With message processing the window stays live meanwhile
    // (a Stop reaches the run); without, nothing else happens until it ends.
    virtual void RunScript(const QString &text, bool withMessageProcessing) = 0;
    // Asks a running script to stop; it ends at its next step or wait.
    virtual void StopScript() = 0;
    virtual bool running() const = 0;
};
