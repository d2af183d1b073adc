#pragma once

#include "pascal/engine.h"
#include "pascal/stringlist.h"
#include "pascal/value.h"

#include <atomic>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace pascal {

class Vm;
using BuiltinFn = bool (*)(Vm& vm, Slot* args, const Instr& in);
struct BuiltinInfo {
    BuiltinFn fn;
    int args;       // -1: Format, 1 + 2 * in.b
    bool result;
};
extern const BuiltinInfo builtinTable[];

class Vm {
public:
    // First, so that it outlives every value the members below hold.
    Budget budget;
    bool load(std::shared_ptr<const Program> program, std::shared_ptr<const DebugInfo> debug, std::string* error);
    bool run();
    bool stoppedBeforeStart();
    void locate(int proc, size_t at);
    // Called by library routines to raise a script exception; returns false for convenience.
    bool fail(int cls, std::string message) {
        pendingClass = cls;
        pendingMessage = std::move(message);
        return false;
    }
    bool checkString(size_t length);
    bool reserve(int shape);
    Ref buildShape(int shape) const;
    bool callExternal(int index, Slot* args, Slot* result);
    void callHost(HostFunction& fn, const Import& im, Slot* args, Slot* result);

    std::shared_ptr<const Program> prog;
    std::shared_ptr<const DebugInfo> dbg;
    Limits limits;
    std::vector<Ref> strPool, setPool;
    std::vector<Instr> fast;
    std::vector<int64_t> shapeBytes;
    std::vector<int> fastToOrig, entries, fastEntries;
    std::vector<Slot> stack;
    std::vector<Slot> globals;
    struct Frame {
        const Instr* ret = nullptr;
        Slot* bp = nullptr;
        int proc = 0;
    };
    // Bytes of each procedure's local records and static arrays, and the most of any.
    std::vector<int64_t> procFrameBytes;
    int64_t maxFrameBytes = 0;
    bool framesFit(const Frame* base, const Frame* top) const;
    std::vector<Frame> frameStore;
    struct Handler {
        int pc;
        size_t frames;
        size_t sp;
        size_t exc;
    };
    std::vector<Handler> handlers;
    std::vector<Ref> excStack;
    std::vector<HostFunction> bound;
    std::unordered_map<std::string, HostFunction> registry;
    std::vector<void*> externals;
    std::unordered_map<const void*, std::unique_ptr<StringList>> stringLists;
    std::vector<void*> libraries;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> attention{false};
    std::function<void(const SourcePos&)> lineHook;
    uint32_t hookSteps = 0; // loop steps, for the line hook of loops without statements
    RuntimeError err;
    // Holds a value while the dispatch loop moves it; locals with destructors cannot live
    // across the loop's computed jumps.
    Slot scratch;
    // What a host function reads and writes beyond its arguments.
    Slot spare;
    int pendingClass = -1;
    std::string pendingMessage;
    uint64_t randomState = 0x853c49e6748fea9bULL;
    bool loaded = false;
    ~Vm();
};

} // namespace pascal
