#pragma once

#include "pascal/bytecode.h"

namespace pascal {

// Library routines called with OP_CALLB, one row each: X(id, Pascal name, function in
// stdlib.cpp, signature "arguments:result"). Routines without a name are reached by the
// compiler itself (Length, Inc, E.Message, ...). Signature letters: i Integer, l Int64,
// f Double, s string, c Char, b Boolean, R TReplaceFlags, a any value, r the address of a
// variable, * Format's values (each followed by its tag; b counts them), v no result. Arguments
// after ? may be left out and are then 0.
#define PASCAL_BUILTINS(X) \
    X(LENSTR, nullptr, bLenStr, "s:i") \
    X(LENARR, nullptr, bLenArr, "a:i") \
    X(SETLENSTR, nullptr, bSetLenStr, "rl:v") \
    X(SETLENARR, nullptr, bSetLenArr, "rl:v")               /* b = element shape or -1 */ \
    X(COPY, "copy", bCopy, "sii:s") \
    X(POS, "pos", bPos, "ss:i") \
    X(DELETE, nullptr, bDelete, "rll:v") \
    X(INSERT, nullptr, bInsert, "srl:v") \
    X(UPPER, "uppercase", bUpper, "s:s") \
    X(LOWER, "lowercase", bLower, "s:s") \
    X(TRIM, "trim", bTrim, "s:s") \
    X(TRIML, "trimleft", bTrimL, "s:s") \
    X(TRIMR, "trimright", bTrimR, "s:s") \
    X(INTTOSTR, "inttostr", bIntToStr, "l:s") \
    X(STRTOINT, "strtoint", bStrToInt, "s:i") \
    X(STRTOINT64, "strtoint64", bStrToInt64, "s:l") \
    X(STRTOINTDEF, "strtointdef", bStrToIntDef, "si:i") \
    X(FLOATTOSTR, "floattostr", bFloatToStr, "f:s") \
    X(STRTOFLOAT, "strtofloat", bStrToFloat, "s:f") \
    X(INTTOHEX, "inttohex", bIntToHex, "li:s") \
    X(FORMAT, nullptr, bFormat, "s*:s")                     /* b = number of values */ \
    X(ABSI, nullptr, bAbsI, "l:l") \
    X(ABSF, nullptr, bAbsF, "f:f") \
    X(ROUND, "round", bRound, "f:l") \
    X(TRUNC, "trunc", bTrunc, "f:l") \
    X(SQRT, "sqrt", bSqrt, "f:f") \
    X(SIN, "sin", bSin, "f:f") \
    X(COS, "cos", bCos, "f:f") \
    X(EXP, "exp", bExp, "f:f") \
    X(LN, "ln", bLn, "f:f") \
    X(FRAC, "frac", bFrac, "f:f") \
    X(INT, "int", bInt, "f:f") \
    X(POWER, "power", bPower, "ff:f") \
    X(ARCTAN, "arctan", bArcTan, "f:f") \
    X(RANDOMI, nullptr, bRandomI, "i:i") \
    X(RANDOMF, nullptr, bRandomF, ":f") \
    X(RANDOMIZE, "randomize", bRandomize, ":v") \
    X(STRREPLACE, "stringreplace", bStrReplace, "sssR:s") \
    X(NOW, "now", bNow, ":f") \
    X(DATE, "date", bDate, ":f") \
    X(TIME, "time", bTime, ":f") \
    X(FORMATDATETIME, "formatdatetime", bFormatDateTime, "sf:s") \
    X(SLEEP, "sleep", bSleep, "i:v") \
    X(GETTICKCOUNT, "gettickcount", bTick, ":l") \
    X(UPCASE, "upcase", bUpCase, "c:c") \
    X(INCLUDE, nullptr, bInclude, "ra:v") \
    X(EXCLUDE, nullptr, bExclude, "ra:v") \
    X(EXCMSG, nullptr, bExcMsg, "a:s") \
    X(EXCNEW, nullptr, bExcNew, "s:a")                      /* b = exception class */ \
    X(STRINGOFCHAR, "stringofchar", bStringOfChar, "ci:s") \
    X(ISNAN, "isnan", bIsNan, "f:b") \
    X(BOOLTOSTR, "booltostr", bBoolToStr, "b?b:s")     /* "0"/"-1", or "False"/"True" */ \
    X(CHKORD, nullptr, bChkOrd, "l:l")                      /* b = highest value */ \
    X(EXCCLASSNAME, nullptr, bExcClassName, "a:s") \
    X(ANSIUPPER, "ansiuppercase", bAnsiUpper, "s:s") \
    X(ANSILOWER, "ansilowercase", bAnsiLower, "s:s") \
    X(FILEEXISTS, "fileexists", bFileExists, "s:b") \
    X(DIREXISTS, "directoryexists", bDirectoryExists, "s:b") \
    X(FILENAME, "extractfilename", bExtractFileName, "s:s") \
    X(FILEPATH, "extractfilepath", bExtractFilePath, "s:s") \
    X(FILEEXT, "extractfileext", bExtractFileExt, "s:s") \
    X(CHANGEEXT, "changefileext", bChangeFileExt, "ss:s") \
    X(TRAILINGDELIM, "includetrailingpathdelimiter", bIncludeTrailingDelimiter, "s:s") \
    X(WRITETEXT, nullptr, bWriteText, "aii:s")              /* b = FormatTag: value, width, decimals (-1: none) */ \
    X(ENUMNAME, nullptr, bEnumName, "is:s")                 /* the value's line of the names */ \
    X(VAL, nullptr, bVal, "srr:v")                          /* b = 0: Double, else integer bits * 2 + signed */

enum Builtin : int {
#define PASCAL_BUILTIN_ENUM(id, name, fn, sig) B_##id,
    PASCAL_BUILTINS(PASCAL_BUILTIN_ENUM)
#undef PASCAL_BUILTIN_ENUM
    B_COUNT
};

// Arguments a signature takes off the stack; -1 when the instruction's b tells (Format).
constexpr int builtinArgs(const char* sig) {
    int n = 0;
    for (; *sig != ':'; ++sig) {
        if (*sig == '*') return -1;
        if (*sig != '?') ++n;
    }
    return n;
}
constexpr bool builtinHasResult(const char* sig) {
    while (*sig != ':') ++sig;
    return sig[1] != 'v';
}

struct BuiltinSignature {
    const char* name;
    const char* sig;
};
inline constexpr BuiltinSignature builtinSignatures[B_COUNT] = {
#define PASCAL_BUILTIN_SIG(id, name, fn, sig) {name, sig},
    PASCAL_BUILTINS(PASCAL_BUILTIN_SIG)
#undef PASCAL_BUILTIN_SIG
};

// Tags of Format arguments.
enum FormatTag : int { FT_INT = 0, FT_FLOAT = 1, FT_STRING = 2, FT_CHAR = 3, FT_BOOL = 4 };

// Built-in exception classes; scripts may derive more.
enum ExcClass : int { EC_Exception = 0, EC_EConvertError, EC_ERangeError, EC_EDivByZero,
                      EC_EOutOfMemory, EC_EStackOverflow, EC_EInvalidOp, EC_EExternal, EC_COUNT };

} // namespace pascal
