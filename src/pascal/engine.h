#pragma once

#include "pascal/bytecode.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pascal {

struct Message {
    enum class Kind { Error, Warning, Hint };
    Kind kind = Kind::Error;
    std::string text;
    std::string file;
    int line = 0;
    int col = 0;
    // "[Error] file(line:col): text"
    std::string format() const;
};

struct IncludedFile {
    std::string name;   // as later shown in messages
    std::string text;
};

// Finds an included file; `from` is the name of the file holding the directive.
using IncludeResolver =
    std::function<std::optional<IncludedFile>(const std::string& name, const std::string& from)>;

class Compiler {
public:
    Compiler();
    ~Compiler();
    Compiler(const Compiler&) = delete;
    Compiler& operator=(const Compiler&) = delete;

    void setIncludeResolver(IncludeResolver resolver);
    void define(const std::string& symbol);
    // Declarations the host makes visible to every script: Pascal text with const, type
    // (including host classes), var and procedure/function headers.
    void addDeclarations(const std::string& pascalText);
    // Whether scripts may declare functions of external libraries (on by default).
    void setExternalsAllowed(bool allowed) { externalsAllowed_ = allowed; }

    bool compile(const std::string& text, const std::string& fileName = {});
    const std::vector<Message>& messages() const { return messages_; }
    std::shared_ptr<const Program> program() const { return program_; }
    std::shared_ptr<const DebugInfo> debugInfo() const { return debug_; }

private:
    IncludeResolver resolver_;
    std::vector<std::string> defines_;
    std::vector<std::string> declarations_;
    std::vector<Message> messages_;
    bool externalsAllowed_ = true;
    std::shared_ptr<const Program> program_;
    std::shared_ptr<const DebugInfo> debug_;
};

struct Slot;
class Vm;

// Arguments and result of one host function call. Methods and properties get their object
// as argument 0.
class HostCall {
public:
    int count() const { return int(kinds_.size()); }
    int64_t integer(int i) const;
    double real(int i) const;
    bool boolean(int i) const { return integer(i) != 0; }
    std::string string(int i) const;
    void* object(int i) const;
    // For var parameters.
    void setInteger(int i, int64_t v);
    void setReal(int i, double v);
    void setString(int i, const std::string& v);

    void returnInteger(int64_t v);
    void returnReal(double v);
    void returnBoolean(bool v) { returnInteger(v ? 1 : 0); }
    void returnString(const std::string& v);
    void returnObject(void* object);
    // Raises a script exception once the function returns.
    void raise(const std::string& message) { error_ = message; failed_ = true; }

private:
    friend class Vm;
    Slot& arg(int i) const;
    Slot* args_ = nullptr;
    Slot* result_ = nullptr;
    Slot* spare_ = nullptr;  // reads and writes beyond the arguments
    const std::vector<ParamKind>& kinds_;
    std::string error_;
    bool failed_ = false;
    HostCall(Slot* args, Slot* result, Slot* spare, const std::vector<ParamKind>& kinds)
        : args_(args), result_(result), spare_(spare), kinds_(kinds) {}
};

using HostFunction = std::function<void(HostCall&)>;

struct RuntimeError {
    enum Code { None = 0, Exception = 1, Stopped = 2, Internal = 3 };
    Code code = None;
    std::string text;
    std::string exceptionClass;
    int proc = 0;
    int position = 0;   // instruction offset within the procedure
    std::string file;
    int line = 0;
    int col = 0;
};

struct Limits {
    int callDepth = 2000;
    int stackSlots = 1 << 16;
    int64_t memoryBytes = int64_t(512) << 20;
    // Records and static arrays local to the active calls; more is a stack overflow.
    int64_t frameBytes = int64_t(64) << 20;
    int64_t maxStringLength = int64_t(64) << 20;
    int64_t maxArrayLength = int64_t(16) << 20;
};

class Executor {
public:
    Executor();
    ~Executor();
    Executor(const Executor&) = delete;
    Executor& operator=(const Executor&) = delete;

    bool load(std::shared_ptr<const Program> program, std::shared_ptr<const DebugInfo> debug,
              std::string* error = nullptr);
    void setLimits(const Limits& limits);
    // Name matching ignores case. Methods and properties: "TStrings.Add", "TMemo.Text"
    // (getter) and "TMemo.Text:=" (setter).
    void registerFunction(const std::string& name, HostFunction fn);
    bool bindVariable(const std::string& name, void* object);
    // Called at each executed statement with its position.
    void setLineCallback(std::function<void(const SourcePos&)> callback);
    // Safe from a host function, the line callback or another thread.
    void stop();
    bool run();
    const RuntimeError& error() const;
    const DebugInfo* debugInfo() const;

private:
    std::unique_ptr<Vm> vm_;
};

// The classes behind Memo2, Self and Application, as Pascal declarations for addDeclarations.
extern const char* const standardHostClasses;

} // namespace pascal
