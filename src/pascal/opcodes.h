#pragma once

#include <cstdint>

namespace pascal {

// X(name, stack effect). Variable effects (calls, builtins) are given as 0 here and
// accounted for by the compiler where it emits them.
#define PASCAL_OPCODES(X) \
    X(NOP, 0) X(LINE, 0) X(POP, -1) X(DUP, 1) X(SWAP, 0) \
    X(PUSHI, 1) X(PUSHF, 1) X(PUSHS, 1) X(PUSHNIL, 1) X(PUSHSET, 1) \
    X(LOADL, 1) X(LOADG, 1) X(STOREL, -1) X(STOREG, -1) X(LOADLN, 1) X(LOADGN, 1) X(STORELN, -1) X(STOREGN, -1) \
    X(LOAD2LL, 2) X(LOAD2LG, 2) X(LOAD2GL, 2) X(LOAD2GG, 2) X(LOADLI, 1) X(STORELI, -1) \
    X(ADDRL, 1) X(ADDRG, 1) X(PUSHBP, 1) X(LINK, 0) X(ADDRUP, 0) X(LOADUP, 0) X(LOADR, 0) X(STORER, -2) X(CLONE, 0) \
    X(INDEX, -1) X(INDEXV, -1) X(FIELD, 0) X(FIELDV, 0) X(STRCHAR, -1) X(SETSTRCHAR, -3) \
    X(INITL, 0) X(INITG, 0) X(NARROW, 0) \
    X(ADDI, -1) X(SUBI, -1) X(MULI, -1) X(ADDL, -1) X(SUBL, -1) X(MULL, -1) \
    X(DIVL, -1) X(MODL, -1) X(NEGI, 0) X(NEGL, 0) \
    X(AND, -1) X(OR, -1) X(XOR, -1) X(NOT, 0) X(NOTB, 0) X(SHL, -1) X(SHR, -1) \
    X(EQI, -1) X(NEI, -1) X(LTI, -1) X(LEI, -1) X(GTI, -1) X(GEI, -1) \
    X(ADDF, -1) X(SUBF, -1) X(MULF, -1) X(DIVF, -1) X(NEGF, 0) \
    X(EQF, -1) X(NEF, -1) X(LTF, -1) X(LEF, -1) X(GTF, -1) X(GEF, -1) \
    X(I2F, 0) X(I2F2, 0) X(C2S, 0) X(C2S2, 0) \
    X(CONCAT, -1) X(EQS, -1) X(NES, -1) X(LTS, -1) X(LES, -1) X(GTS, -1) X(GES, -1) \
    X(APPENDL, -1) X(APPENDG, -1) \
    X(SETADD, -1) X(SETADDR, -2) X(IN, -1) X(SETUNION, -1) X(SETDIFF, -1) X(SETINTER, -1) \
    X(SETEQ, -1) X(SETNE, -1) X(SETLE, -1) X(SETGE, -1) \
    X(JMP, 0) X(JMPB, 0) X(JF, -1) X(JT, -1) X(JFK, -1) X(JTK, -1) \
    X(FORUPL, 0) X(FORDNL, 0) X(FORUPG, 0) X(FORDNG, 0) \
    X(INCL, 0) X(INCG, 0) X(ADDIK, 0) X(MULIK, 0) X(DIVLK, 0) X(MODLK, 0) X(EQR, -1) \
    X(EQIK, 0) X(NEIK, 0) X(LTIK, 0) X(LEIK, 0) X(GTIK, 0) X(GEIK, 0) \
    X(JFEQ, -2) X(JFNE, -2) X(JFLT, -2) X(JFLE, -2) X(JFGT, -2) X(JFGE, -2) \
    X(JFEQK, -1) X(JFNEK, -1) X(JFLTK, -1) X(JFLEK, -1) X(JFGTK, -1) X(JFGEK, -1) \
    X(CALL, 0) X(RET, 0) X(CALLH, 0) X(CALLX, 0) X(CALLB, 0) \
    X(TRY, 0) X(POPTRY, 0) X(RAISE, -1) X(RERAISE, 0) X(ENDEXCEPT, 0) X(GETEXC, 1) X(EXCIS, 1) \
    X(JSR, 0) X(RETSUB, 0) X(HALT, 0)

enum Op : uint16_t {
#define PASCAL_OP_ENUM(name, effect) OP_##name,
    PASCAL_OPCODES(PASCAL_OP_ENUM)
#undef PASCAL_OP_ENUM
    OP_COUNT
};

extern const int8_t opStackEffect[OP_COUNT];
extern const char* const opName[OP_COUNT];

struct Instr {
    uint16_t op = OP_NOP;
    int32_t a = 0;
    int64_t b = 0;
};

} // namespace pascal
