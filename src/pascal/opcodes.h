#pragma once

#include <cstdint>
#include <initializer_list>

namespace pascal {

// Where an instruction keeps a code index that must follow the code when it is moved.
enum class Target : uint8_t {
    None,
    A,     // operand a
    ForB,  // the low 32 bits of operand b
};

// X(name, stack effect, target). Stack effects are on the path that falls through; calls and
// library routines have effects that vary and are given as 0 here, the compiler accounts for
// them where it emits them. In the comments, [x y] is the top of the stack with y topmost,
// "slot" is a variable of the current frame (local) or of the program (global), and a "ref"
// is the address of a slot, keeping the object that holds it alive.
#define PASCAL_OPCODES(X) \
    X(NOP, 0, None)         /* does nothing; stands in for a finally call that is not needed */ \
    X(LINE, 0, None)        /* a = line: a statement starts; stop check, line callback (left out without one) */ \
    X(POP, -1, None)        /* [x] -> */ \
    X(DUP, 1, None)         /* [x] -> [x x] */ \
    X(SWAP, 0, None)        /* [x y] -> [y x] */ \
    X(PUSHI, 1, None)       /* b = integer: -> [b] */ \
    X(PUSHF, 1, None)       /* b = bits of a double: -> [d] */ \
    X(PUSHS, 1, None)       /* a = string constant: -> [s] */ \
    X(PUSHNIL, 1, None)     /* -> [nil] */ \
    X(PUSHSET, 1, None)     /* a = set constant: -> [set] */ \
    X(LOADL, 1, None)       /* a = local slot: -> [value] */ \
    X(LOADG, 1, None)       /* a = global slot: -> [value] */ \
    X(STOREL, -1, None)     /* a = local slot: [value] -> */ \
    X(STOREG, -1, None)     /* a = global slot: [value] -> */ \
    X(LOADLN, 1, None)      /* a = local slot holding a number: -> [n] */ \
    X(LOADGN, 1, None)      /* a = global slot holding a number: -> [n] */ \
    X(STORELN, -1, None)    /* a = local slot: [n] -> */ \
    X(STOREGN, -1, None)    /* a = global slot: [n] -> */ \
    X(LOAD2LL, 2, None)     /* a, b = local, local number slots: -> [na nb] */ \
    X(LOAD2LG, 2, None)     /* a, b = local, global number slots: -> [na nb] */ \
    X(LOAD2GL, 2, None)     /* a, b = global, local number slots: -> [na nb] */ \
    X(LOAD2GG, 2, None)     /* a, b = global, global number slots: -> [na nb] */ \
    X(LOADLI, 1, None)      /* a = local slot holding a ref (var parameter): -> [*ref] */ \
    X(STORELI, -1, None)    /* a = local slot holding a ref: [value] -> ; *ref = value */ \
    X(ADDRL, 1, None)       /* a = local slot: -> [ref] */ \
    X(ADDRG, 1, None)       /* a = global slot: -> [ref] */ \
    X(PUSHBP, 1, None)      /* -> [this frame] */ \
    X(LINK, 0, None)        /* a = slot of the link: [frame] -> [frame of the enclosing routine] */ \
    X(ADDRUP, 0, None)      /* a = slot: [frame] -> [ref to that slot of the frame] */ \
    X(LOADUP, 0, None)      /* a = slot: [frame] -> [the ref the frame's var parameter holds] */ \
    X(LOADR, 0, None)       /* [ref] -> [*ref] */ \
    X(STORER, -2, None)     /* [ref value] -> ; *ref = value */ \
    X(CLONE, 0, None)       /* [record or static array] -> [a copy]; EOutOfMemory */ \
    X(INDEX, -1, None)      /* a = low bound (b = high, unused): [ref index] -> [ref to element]; ERangeError */ \
    X(INDEXV, -1, None)     /* a = low bound: [array index] -> [element]; ERangeError */ \
    X(INDEXVL, 0, None)     /* a = local array slot, b = low bound: [index] -> [element]; ERangeError */ \
    X(INDEXVG, 0, None)     /* a = global array slot, b = low bound: [index] -> [element]; ERangeError */ \
    X(INDEXAL, 0, None)     /* a = local array slot, b = low bound: [index] -> [ref to element]; ERangeError */ \
    X(INDEXAG, 0, None)     /* a = global array slot, b = low bound: [index] -> [ref to element]; ERangeError */ \
    X(STOREXL, -2, None)    /* a = local array slot, b = low bound: [index value] -> ; element = value; ERangeError */ \
    X(STOREXG, -2, None)    /* a = global array slot, b = low bound: [index value] -> ; ERangeError */ \
    X(INDEXVLN, 0, None)    /* INDEXVL for elements that are numbers */ \
    X(INDEXVGN, 0, None)    /* INDEXVG for elements that are numbers */ \
    X(STOREXLN, -2, None)   /* STOREXL for elements that are numbers */ \
    X(STOREXGN, -2, None)   /* STOREXG for elements that are numbers */ \
    X(FIELD, 0, None)       /* a = field: [ref to record] -> [ref to field] */ \
    X(FIELDV, 0, None)      /* a = field: [record] -> [field] */ \
    X(STRCHAR, -1, None)    /* [s index] -> [char], 1-based; ERangeError */ \
    X(SETSTRCHAR, -3, None) /* [ref to string, index, char] -> ; ERangeError */ \
    X(MKARRAY, 0, None)     /* b = n: [x1 .. xn] -> [an array of them] (effect 1 - n) */ \
    X(INITL, 0, None)       /* a = local slot, b = shape: a fresh record or static array */ \
    X(INITG, 0, None)       /* a = global slot, b = shape: a fresh record or static array */ \
    X(NARROW, 0, None)      /* a = 1..6 for Int8, UInt8, Int16, UInt16, Int32, UInt32: [n] -> [n cut] */ \
    X(ADDI, -1, None)       /* [x y] -> [x + y], 32 bits */ \
    X(SUBI, -1, None)       /* [x y] -> [x - y], 32 bits */ \
    X(MULI, -1, None)       /* [x y] -> [x * y], 32 bits */ \
    X(ADDL, -1, None)       /* [x y] -> [x + y], 64 bits */ \
    X(SUBL, -1, None)       /* [x y] -> [x - y], 64 bits */ \
    X(MULL, -1, None)       /* [x y] -> [x * y], 64 bits */ \
    X(DIVI, -1, None)       /* [x y] -> [x div y], 32 bits; EDivByZero */ \
    X(DIVL, -1, None)       /* [x y] -> [x div y]; EDivByZero */ \
    X(MODL, -1, None)       /* [x y] -> [x mod y]; EDivByZero */ \
    X(NEGI, 0, None)        /* [x] -> [-x], 32 bits */ \
    X(NEGL, 0, None)        /* [x] -> [-x], 64 bits */ \
    X(AND, -1, None)        /* a = width 32 or 64, read by the shifts only: [x y] -> [x and y] */ \
    X(OR, -1, None)         /* a = width: [x y] -> [x or y] */ \
    X(XOR, -1, None)        /* a = width: [x y] -> [x xor y] */ \
    X(NOT, 0, None)         /* a = width: [x] -> [not x], bitwise */ \
    X(NOTB, 0, None)        /* [b] -> [not b] */ \
    X(SHL, -1, None)        /* a = width: [x n] -> [x shl n], 0 for n outside 0..width-1 */ \
    X(SHR, -1, None)        /* a = width: [x n] -> [x shr n], logical, 0 for n outside 0..width-1 */ \
    X(EQI, -1, None)        /* [x y] -> [x = y], ordinals */ \
    X(NEI, -1, None)        /* [x y] -> [x <> y] */ \
    X(LTI, -1, None)        /* [x y] -> [x < y] */ \
    X(LEI, -1, None)        /* [x y] -> [x <= y] */ \
    X(GTI, -1, None)        /* [x y] -> [x > y] */ \
    X(GEI, -1, None)        /* [x y] -> [x >= y] */ \
    X(ADDF, -1, None)       /* [x y] -> [x + y], doubles */ \
    X(SUBF, -1, None)       /* [x y] -> [x - y] */ \
    X(MULF, -1, None)       /* [x y] -> [x * y] */ \
    X(DIVF, -1, None)       /* [x y] -> [x / y]; EDivByZero */ \
    X(NEGF, 0, None)        /* [x] -> [-x] */ \
    X(EQF, -1, None)        /* [x y] -> [x = y], doubles */ \
    X(NEF, -1, None)        /* [x y] -> [x <> y] */ \
    X(LTF, -1, None)        /* [x y] -> [x < y] */ \
    X(LEF, -1, None)        /* [x y] -> [x <= y] */ \
    X(GTF, -1, None)        /* [x y] -> [x > y] */ \
    X(GEF, -1, None)        /* [x y] -> [x >= y] */ \
    X(I2F, 0, None)         /* [n] -> [d] */ \
    X(I2F2, 0, None)        /* [n y] -> [d y] */ \
    X(C2S, 0, None)         /* [char] -> [s] */ \
    X(C2S2, 0, None)        /* [char y] -> [s y] */ \
    X(CONCAT, -1, None)     /* [s t] -> [s + t]; EOutOfMemory */ \
    X(EQS, -1, None)        /* [s t] -> [s = t], byte by byte */ \
    X(NES, -1, None)        /* [s t] -> [s <> t] */ \
    X(LTS, -1, None)        /* [s t] -> [s < t] */ \
    X(LES, -1, None)        /* [s t] -> [s <= t] */ \
    X(GTS, -1, None)        /* [s t] -> [s > t] */ \
    X(GES, -1, None)        /* [s t] -> [s >= t] */ \
    X(APPENDL, -1, None)    /* a = local string slot: [t] -> ; appends in place; EOutOfMemory */ \
    X(APPENDG, -1, None)    /* a = global string slot: [t] -> ; appends in place; EOutOfMemory */ \
    X(SETADD, -1, None)     /* [set n] -> [set + [n]]; ERangeError */ \
    X(SETADDR, -2, None)    /* [set lo hi] -> [set + [lo..hi]]; ERangeError */ \
    X(IN, -1, None)         /* [n set] -> [n in set] */ \
    X(SETUNION, -1, None)   /* [s t] -> [s + t] */ \
    X(SETDIFF, -1, None)    /* [s t] -> [s - t] */ \
    X(SETINTER, -1, None)   /* [s t] -> [s * t] */ \
    X(SETEQ, -1, None)      /* [s t] -> [s = t] */ \
    X(SETNE, -1, None)      /* [s t] -> [s <> t] */ \
    X(SETLE, -1, None)      /* [s t] -> [s <= t], subset */ \
    X(SETGE, -1, None)      /* [s t] -> [s >= t], superset */ \
    X(JMP, 0, A)            /* a = target: jumps forward */ \
    X(JMPB, 0, A)           /* a = target: jumps back; stop check */ \
    X(JF, -1, A)            /* a = target: [b] -> ; jumps if b is false */ \
    X(JT, -1, A)            /* a = target: [b] -> ; jumps if b is true */ \
    X(JFK, -1, A)           /* a = target: [b] -> [b] if false and jumping, else [b] -> (and then) */ \
    X(JTK, -1, A)           /* a = target: [b] -> [b] if true and jumping, else [b] -> (or else) */ \
    X(FORUPL, 0, ForB)      /* a = local counter, b = limit slot << 32 | body: while below, +1 and jump; stop check */ \
    X(FORDNL, 0, ForB)      /* a = local counter, b as FORUPL: while above the limit, -1 and jump */ \
    X(FORUPG, 0, ForB)      /* a = global counter, b as FORUPL (the limit is local) */ \
    X(FORDNG, 0, ForB)      /* a = global counter, b as FORUPL, counting down */ \
    X(INCL, 0, None)        /* a = local Integer slot, b = amount: adds, 32 bits */ \
    X(INCG, 0, None)        /* a = global Integer slot, b = amount: adds, 32 bits */ \
    X(ADDIK, 0, None)       /* b = k: [x] -> [x + k], 32 bits */ \
    X(MULIK, 0, None)       /* b = k: [x] -> [x * k], 32 bits */ \
    X(DIVLK, 0, None)       /* b = k, neither 0 nor -1: [x] -> [x div k] */ \
    X(MODLK, 0, None)       /* b = k, neither 0 nor -1: [x] -> [x mod k] */ \
    X(DIVIK, 0, None)       /* b = k, 32 bits, neither 0 nor -1: [x] -> [x div k], x and k Integers */ \
    X(MODIK, 0, None)       /* b = k, 32 bits, neither 0 nor -1: [x] -> [x mod k], x and k Integers */ \
    X(EQR, -1, None)        /* [x y] -> [same object, or both nil] */ \
    X(EQIK, 0, None)        /* b = k: [x] -> [x = k] */ \
    X(NEIK, 0, None)        /* b = k: [x] -> [x <> k] */ \
    X(LTIK, 0, None)        /* b = k: [x] -> [x < k] */ \
    X(LEIK, 0, None)        /* b = k: [x] -> [x <= k] */ \
    X(GTIK, 0, None)        /* b = k: [x] -> [x > k] */ \
    X(GEIK, 0, None)        /* b = k: [x] -> [x >= k] */ \
    X(JFEQ, -2, A)          /* a = target: [x y] -> ; jumps unless x = y */ \
    X(JFNE, -2, A)          /* a = target: [x y] -> ; jumps unless x <> y */ \
    X(JFLT, -2, A)          /* a = target: [x y] -> ; jumps unless x < y */ \
    X(JFLE, -2, A)          /* a = target: [x y] -> ; jumps unless x <= y */ \
    X(JFGT, -2, A)          /* a = target: [x y] -> ; jumps unless x > y */ \
    X(JFGE, -2, A)          /* a = target: [x y] -> ; jumps unless x >= y */ \
    X(JFEQK, -1, A)         /* a = target, b = k: [x] -> ; jumps unless x = k */ \
    X(JFNEK, -1, A)         /* a = target, b = k: [x] -> ; jumps unless x <> k */ \
    X(JFLTK, -1, A)         /* a = target, b = k: [x] -> ; jumps unless x < k */ \
    X(JFLEK, -1, A)         /* a = target, b = k: [x] -> ; jumps unless x <= k */ \
    X(JFGTK, -1, A)         /* a = target, b = k: [x] -> ; jumps unless x > k */ \
    X(JFGEK, -1, A)         /* a = target, b = k: [x] -> ; jumps unless x >= k */ \
    X(CALL, 0, None)        /* a = procedure: [args (link)] -> [result of a function]; EStackOverflow, stop check */ \
    X(RET, 0, None)         /* back to the caller, the frame's slots dropped */ \
    X(CALLH, 0, None)       /* a = import, b = argument count: [args] -> [result of a function] */ \
    X(CALLX, 0, None)       /* a = external, b = argument count: [args] -> [result of a function]; EExternal */ \
    X(CALLB, 0, None)       /* a = library routine, b = its extra operand: [args] -> [result] */ \
    X(TRY, 0, A)            /* a = handler: enters a protected block */ \
    X(POPTRY, 0, None)      /* leaves the innermost protected block */ \
    X(RAISE, -1, None)      /* [exception] -> ; raises it */ \
    X(RERAISE, 0, None)     /* raises the exception being handled again */ \
    X(ENDEXCEPT, 0, None)   /* the exception being handled is done with */ \
    X(GETEXC, 1, None)      /* -> [the exception being handled] */ \
    X(EXCIS, 1, None)       /* a = class: -> [the exception being handled is one] */ \
    X(JSR, 0, A)            /* a = finally block: -> [return address] for its RETSUB */ \
    X(RETSUB, 0, None)      /* [return address] -> ; back from a finally block */ \
    X(HALT, 0, None)        /* ends the run */

enum Op : uint16_t {
#define PASCAL_OP_ENUM(name, effect, target) OP_##name,
    PASCAL_OPCODES(PASCAL_OP_ENUM)
#undef PASCAL_OP_ENUM
    OP_COUNT
};

inline constexpr int8_t opStackEffect[OP_COUNT] = {
#define PASCAL_OP_EFFECT(name, effect, target) effect,
    PASCAL_OPCODES(PASCAL_OP_EFFECT)
#undef PASCAL_OP_EFFECT
};
inline constexpr Target opTarget[OP_COUNT] = {
#define PASCAL_OP_TARGET(name, effect, target) Target::target,
    PASCAL_OPCODES(PASCAL_OP_TARGET)
#undef PASCAL_OP_TARGET
};
inline constexpr const char* opName[OP_COUNT] = {
#define PASCAL_OP_NAME(name, effect, target) #name,
    PASCAL_OPCODES(PASCAL_OP_NAME)
#undef PASCAL_OP_NAME
};

// The six comparisons, in the order of every opcode family that has one opcode for each.
enum class Cmp : uint8_t { Eq, Ne, Lt, Le, Gt, Ge };
inline constexpr int kCmpCount = 6;
constexpr Op cmpOp(Op family, Cmp c) { return Op(family + int(c)); }

namespace opcheck {
// Whether `ops` follow each other without a gap, in this order.
constexpr bool laidOut(std::initializer_list<Op> ops) {
    int next = *ops.begin();
    for (Op o : ops)
        if (o != next++) return false;
    return true;
}
constexpr bool sameTarget(Op first, Op last, Target t) {
    for (int o = first; o <= last; ++o)
        if (opTarget[o] != t) return false;
    return true;
}
constexpr bool sameEffect(Op first, Op last) {
    for (int o = first; o <= last; ++o)
        if (opStackEffect[o] != opStackEffect[first]) return false;
    return true;
}
} // namespace opcheck

// Comparisons are emitted as family + Cmp, and a comparison followed by JF fuses into the
// matching JF family member.
static_assert(opcheck::laidOut({OP_EQI, OP_NEI, OP_LTI, OP_LEI, OP_GTI, OP_GEI}));
static_assert(opcheck::laidOut({OP_EQF, OP_NEF, OP_LTF, OP_LEF, OP_GTF, OP_GEF}));
static_assert(opcheck::laidOut({OP_EQS, OP_NES, OP_LTS, OP_LES, OP_GTS, OP_GES}));
static_assert(opcheck::laidOut({OP_EQIK, OP_NEIK, OP_LTIK, OP_LEIK, OP_GTIK, OP_GEIK}));
static_assert(opcheck::laidOut({OP_JFEQ, OP_JFNE, OP_JFLT, OP_JFLE, OP_JFGT, OP_JFGE}));
static_assert(opcheck::laidOut({OP_JFEQK, OP_JFNEK, OP_JFLTK, OP_JFLEK, OP_JFGTK, OP_JFGEK}));
static_assert(cmpOp(OP_EQI, Cmp::Ge) == OP_GEI && cmpOp(OP_JFEQK, Cmp::Ge) == OP_JFGEK);
static_assert(opcheck::sameEffect(OP_EQI, OP_GEI) && opcheck::sameEffect(OP_EQIK, OP_GEIK) &&
              opcheck::sameEffect(OP_JFEQ, OP_JFGE) && opcheck::sameEffect(OP_JFEQK, OP_JFGEK));
static_assert(opStackEffect[OP_EQI] + opStackEffect[OP_JF] == opStackEffect[OP_JFEQ]);
static_assert(opStackEffect[OP_EQIK] + opStackEffect[OP_JF] == opStackEffect[OP_JFEQK]);
// The fused jumps and the loop steps keep their targets where the loader moves them.
static_assert(opcheck::sameTarget(OP_JFEQ, OP_JFGEK, Target::A));
static_assert(opcheck::sameTarget(OP_EQIK, OP_GEIK, Target::None));
static_assert(opcheck::laidOut({OP_FORUPL, OP_FORDNL, OP_FORUPG, OP_FORDNG}));
static_assert(opcheck::sameTarget(OP_FORUPL, OP_FORDNG, Target::ForB));
// Elements of array variables: the local form, then the global one.
static_assert(opcheck::laidOut({OP_INDEXVL, OP_INDEXVG, OP_INDEXAL, OP_INDEXAG, OP_STOREXL, OP_STOREXG}));
static_assert(opcheck::laidOut({OP_INDEXVLN, OP_INDEXVGN, OP_STOREXLN, OP_STOREXGN}));
// Two number loads fuse into LOAD2 with the first one's kind before the second's.
static_assert(opcheck::laidOut({OP_LOAD2LL, OP_LOAD2LG, OP_LOAD2GL, OP_LOAD2GG}));

struct Instr {
    uint16_t op = OP_NOP;
    int32_t a = 0;
    int64_t b = 0;
};

} // namespace pascal
