#pragma once

#include "pascal/bytecode.h"

#include <bitset>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pascal {

enum class TK : uint8_t { Int, Bool, Char, Enum, Float, String, Record, SArray, DArray, Set, Class, Exc, Nil, Void };

struct Type;

struct Field {
    std::string name;   // lower case
    Type* type;
};

// A constant's value, in the field its type uses.
struct CVal {
    int64_t i = 0;
    double d = 0;
    std::string s;
    std::bitset<256> set;
};

struct Param {
    std::string name;
    Type* type = nullptr;
    bool isVar = false;
    bool isConst = false;
    bool hasDefault = false;
    CVal defaultValue;
};

struct Signature {
    std::vector<Param> params;
    Type* result = nullptr;   // nullptr for a procedure
};

struct Member {
    bool isProperty = false;
    bool isConstructor = false; // called on the class: TStringList.Create
    Type* type = nullptr;       // property type
    Signature sig;              // method; the index parameters of an indexed property
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
    std::string defaultProperty;  // host classes: the indexed property obj[i] means
    int excClass = -1;          // exception classes
    bool isOpen = false;        // open array parameters: array of T
    std::string display() const { return name.empty() ? std::string("anonymous type") : name; }
};

inline bool isOrdinal(const Type* t) {
    return t->k == TK::Int || t->k == TK::Bool || t->k == TK::Char || t->k == TK::Enum;
}
// The values of an ordinal type: its subrange, or what its width holds.
inline std::pair<int64_t, int64_t> ordinalBounds(const Type* t) {
    if (t->k != TK::Int || t->lo != 0 || t->hi != 0) return {t->lo, t->hi};
    if (t->bits == 64) return {INT64_MIN, INT64_MAX};
    if (!t->isSigned) return {0, int64_t((uint64_t(1) << t->bits) - 1)};
    return {-(int64_t(1) << (t->bits - 1)), (int64_t(1) << (t->bits - 1)) - 1};
}
// Values held entirely in a slot's number field.
inline bool isScalar(const Type* t) { return isOrdinal(t) || t->k == TK::Float; }
inline bool isNumeric(const Type* t) { return t->k == TK::Int || t->k == TK::Float; }
inline bool isValueType(const Type* t) { return t->k == TK::Record || t->k == TK::SArray; }
inline bool isStringLike(const Type* t) { return t->k == TK::String || t->k == TK::Char; }
// Integers wider than Integer are computed in 64 bits.
inline bool isWide(const Type* t) { return t->k == TK::Int && (t->bits == 64 || (t->bits == 32 && !t->isSigned)); }

} // namespace pascal
