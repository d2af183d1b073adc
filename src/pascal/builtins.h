#pragma once

#include "pascal/bytecode.h"

namespace pascal {

// Library routines called with OP_CALLB. The compiler knows their Pascal names and
// signatures; stdlib.cpp implements them.
#define PASCAL_BUILTINS(X) \
    X(LENSTR) X(LENARR) X(SETLENSTR) X(SETLENARR) X(COPY) X(POS) X(DELETE) X(INSERT) \
    X(UPPER) X(LOWER) X(TRIM) X(TRIML) X(TRIMR) X(INTTOSTR) X(STRTOINT) X(STRTOINT64) \
    X(STRTOINTDEF) X(FLOATTOSTR) X(STRTOFLOAT) X(INTTOHEX) X(FORMAT) X(ABSI) X(ABSF) \
    X(ROUND) X(TRUNC) X(SQRT) X(SIN) X(COS) X(EXP) X(LN) X(FRAC) X(INT) X(POWER) X(ARCTAN) \
    X(RANDOMI) X(RANDOMF) X(RANDOMIZE) X(STRREPLACE) X(NOW) X(DATE) X(TIME) \
    X(FORMATDATETIME) X(SLEEP) X(GETTICKCOUNT) X(UPCASE) X(INCLUDE) X(EXCLUDE) X(EXCMSG) \
    X(EXCNEW) X(STRINGOFCHAR) X(ISNAN) X(BOOLTOSTR) X(CHKORD) X(EXCCLASSNAME) X(ANSIUPPER) X(ANSILOWER)

enum Builtin : int {
#define PASCAL_BUILTIN_ENUM(name) B_##name,
    PASCAL_BUILTINS(PASCAL_BUILTIN_ENUM)
#undef PASCAL_BUILTIN_ENUM
    B_COUNT
};

// Tags of Format arguments.
enum FormatTag : int { FT_INT = 0, FT_FLOAT = 1, FT_STRING = 2, FT_CHAR = 3, FT_BOOL = 4 };

// Built-in exception classes; scripts may derive more.
enum ExcClass : int { EC_Exception = 0, EC_EConvertError, EC_ERangeError, EC_EDivByZero,
                      EC_EOutOfMemory, EC_EStackOverflow, EC_EInvalidOp, EC_EExternal, EC_COUNT };

} // namespace pascal
