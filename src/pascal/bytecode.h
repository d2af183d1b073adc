#pragma once

#include "pascal/opcodes.h"

#include <bitset>
#include <string>
#include <vector>

namespace pascal {

// How a record or static array is laid out: one entry per slot, -1 for a plain slot or the
// index of the nested shape for a nested record or static array.
struct Shape {
    std::vector<int> slots;
};

// The value OP_NARROW leaves: kind 1..6 for Int8, UInt8, Int16, UInt16, Int32, UInt32.
inline int64_t narrowed(int64_t v, int kind) {
    switch (kind) {
    case 1: return int8_t(v);
    case 2: return uint8_t(v);
    case 3: return int16_t(v);
    case 4: return uint16_t(v);
    case 5: return int32_t(v);
    default: return uint32_t(v);
    }
}

enum class ParamKind : uint8_t { Value, Var };

enum class CType : uint8_t { Void, Int8, UInt8, Int16, UInt16, Int32, UInt32, Int64, Double, Bool, PChar };

struct ProcInfo {
    std::string name;
    int entry = 0;
    int params = 0;
    int locals = 0;     // slots beyond the parameters, Result first for functions
    int maxStack = 0;
    bool isFunction = false;
};

// A function the host provides, called by name; methods and properties carry "Class.Name".
struct Import {
    enum class Result : uint8_t { None, Number, String, Object, Other };
    std::string name;
    std::vector<ParamKind> params;
    bool isFunction = false;
    Result result = Result::None;
};

struct External {
    std::string symbol;
    std::string library;
    std::vector<CType> params;
    std::vector<ParamKind> kinds;
    CType result = CType::Void;
};

struct GlobalBinding {
    std::string name;   // lower case
    int slot = 0;
};

struct Program {
    std::vector<Instr> code;
    std::vector<ProcInfo> procs;     // the main program is the last one
    std::vector<std::string> strings;
    std::vector<std::bitset<256>> sets;
    std::vector<Shape> shapes;
    std::vector<Import> imports;
    std::vector<External> externals;
    std::vector<GlobalBinding> hostVariables;
    std::vector<std::string> exceptionClasses;  // index 0 is Exception
    std::vector<int> exceptionParents;
    int globals = 0;
};

struct SourcePos {
    int file = 0;
    int line = 0;
    int col = 0;
};

struct DebugInfo {
    std::vector<std::string> files;      // file 0 is the main text
    std::vector<SourcePos> positions;    // one per instruction
    std::vector<std::string> procNames;
};

} // namespace pascal
