#pragma once

#include "pascal/bytecode.h"

#include <bitset>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pascal {

enum class TK : uint8_t { Int, Bool, Char, Enum, Float, String, Record, SArray, DArray, Set, Class, Exc, Nil, Void };

struct Type;

struct Field {
    std::string name;   // lower case
    Type* type;
};

struct Param {
    std::string name;
    Type* type = nullptr;
    bool isVar = false;
    bool isConst = false;
};

struct Signature {
    std::vector<Param> params;
    Type* result = nullptr;   // nullptr for a procedure
};

struct Member {
    bool isProperty = false;
    Type* type = nullptr;       // property type
    Signature sig;              // method
    int getter = -1;            // import index (method call or property read)
    int setter = -1;
};

struct Type {
    TK k = TK::Void;
    std::string name;
    int bits = 32;              // Int: 8, 16, 32 or 64
    bool isSigned = true;
    int64_t lo = 0, hi = 0;     // static array bounds, enum range
    Type* elem = nullptr;       // array element, set base
    std::vector<Field> fields;
    int shape = -1;             // records and static arrays
    std::vector<std::string> enumNames;
    Type* parent = nullptr;     // host classes
    std::map<std::string, Member> members;
    int excClass = -1;          // exception classes
    std::string display() const { return name.empty() ? std::string("anonymous type") : name; }
};

inline bool isOrdinal(const Type* t) {
    return t->k == TK::Int || t->k == TK::Bool || t->k == TK::Char || t->k == TK::Enum;
}
// Values held entirely in a slot's number field.
inline bool isScalar(const Type* t) { return isOrdinal(t) || t->k == TK::Float; }
inline bool isNumeric(const Type* t) { return t->k == TK::Int || t->k == TK::Float; }
inline bool isValueType(const Type* t) { return t->k == TK::Record || t->k == TK::SArray; }
inline bool isStringLike(const Type* t) { return t->k == TK::String || t->k == TK::Char; }
// Integers wider than Integer are computed in 64 bits.
inline bool isWide(const Type* t) { return t->k == TK::Int && (t->bits == 64 || (t->bits == 32 && !t->isSigned)); }

} // namespace pascal
