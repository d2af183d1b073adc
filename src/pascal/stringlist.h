#pragma once

#include <string>
#include <vector>

namespace pascal {

class Vm;

// The TStringList the engine gives every script, behind the host-class members declared in the
// system prelude ("TStringList.Add", ...).
struct StringList {
    std::vector<std::string> items;
    bool sorted = false;
    int64_t bytes = 0;  // charged to the engine's memory budget
};

// Registers the TStringList members as functions of `vm`; a host may replace any of them.
void registerStringLists(Vm& vm);

} // namespace pascal
