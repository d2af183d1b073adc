#include "pascal/parser.h"

#include <cstring>

namespace pascal {

// ---- emitting

int Parser::emit(Op op, int32_t a, int64_t b) {
    Instr in;
    in.op = op;
    in.a = a;
    in.b = b;
    prog_->code.push_back(in);
    dbg_->positions.push_back(at_);
    adjust(opStackEffect[op]);
    lastConst_ = -1;
    return int(prog_->code.size()) - 1;
}

// A library routine; its stack effect comes from its signature.
void Parser::emitBuiltin(Builtin id, int64_t b) {
    emit(OP_CALLB, id, b);
    const char* sig = builtinSignatures[id].sig;
    int args = builtinArgs(sig) >= 0 ? builtinArgs(sig) : int(1 + 2 * b);
    adjust((builtinHasResult(sig) ? 1 : 0) - args);
}

void Parser::adjust(int effect) {
    FuncCtx& f = *fn_;
    f.depth += effect;
    if (f.depth > f.maxDepth) f.maxDepth = f.depth;
    if (f.depth > kMaxStack) errorAt(at_, "Expression too complex");
}

// A jump target here: nothing before it may be folded into what follows.
int Parser::label() {
    labelAt_ = here();
    lastConst_ = -1;
    return labelAt_;
}

// The instruction before, when the peephole may fuse it with the next one.
const Instr* Parser::fusable() const {
    return labelAt_ != here() && !prog_->code.empty() ? &prog_->code.back() : nullptr;
}

// Two scalar loads in a row become one instruction.
void Parser::loadScalar(bool global, int slot) {
    const Instr* last = fusable();
    if (last && (last->op == OP_LOADLN || last->op == OP_LOADGN)) {
        bool firstGlobal = last->op == OP_LOADGN;
        int first = last->a;
        dropCode(1);
        emit(Op(OP_LOAD2LL + (firstGlobal ? 2 : 0) + (global ? 1 : 0)), first, slot);
        return;
    }
    emit(global ? OP_LOADGN : OP_LOADLN, slot);
}

// JF, fused with a preceding integer comparison.
int Parser::emitJumpIfFalse() {
    const Instr* last = fusable();
    for (auto [family, fused] : {std::pair{OP_EQI, OP_JFEQ}, std::pair{OP_EQIK, OP_JFEQK}}) {
        if (last && last->op >= family && last->op < family + kCmpCount) {
            Op op = Op(fused + (last->op - family));
            int64_t b = last->b;
            dropCode(1);
            return emit(op, 0, b);
        }
    }
    return emit(OP_JF);
}

void Parser::emitConst(Type* t, const CVal& v) {
    int at;
    if (t->k == TK::Float) {
        int64_t bits;
        std::memcpy(&bits, &v.d, sizeof bits);
        at = emit(OP_PUSHF, 0, bits);
    } else if (t->k == TK::String) {
        at = emit(OP_PUSHS, internString(v.s));
    } else if (t->k == TK::Set) {
        prog_->sets.push_back(v.set);
        at = emit(OP_PUSHSET, int(prog_->sets.size()) - 1);
    } else if (t->k == TK::Nil) {
        at = emit(OP_PUSHNIL);
    } else {
        at = emit(OP_PUSHI, 0, v.i);
    }
    lastConst_ = at;
    constVal_ = v;
}

int Parser::internString(const std::string& s) {
    auto f = stringIds_.find(s);
    if (f != stringIds_.end()) return f->second;
    prog_->strings.push_back(s);
    int id = int(prog_->strings.size()) - 1;
    stringIds_[s] = id;
    return id;
}

void Parser::dropCode(int n) {
    for (int i = 0; i < n; ++i) {
        adjust(-opStackEffect[prog_->code.back().op]);
        prog_->code.pop_back();
        dbg_->positions.pop_back();
    }
}

CVal Parser::constAt(int at) const {
    CVal v;
    const Instr& in = prog_->code[size_t(at)];
    v.i = in.b;
    std::memcpy(&v.d, &in.b, sizeof v.d);
    if (in.op == OP_PUSHS) v.s = prog_->strings[size_t(in.a)];
    if (in.op == OP_PUSHSET) v.set = prog_->sets[size_t(in.a)];
    return v;
}

// The two constant operands at leftAt and last, taken out of the code to be folded.
std::pair<CVal, CVal> Parser::takeConsts(int leftAt) {
    std::pair<CVal, CVal> v{constAt(leftAt), constAt(here() - 1)};
    dropCode(2);
    return v;
}

int Parser::allocTemp() {
    int s = fn_->locals++;
    if (fn_->locals > fn_->maxLocals) fn_->maxLocals = fn_->locals;
    return fn_->params + s;
}

void Parser::narrowTo(Type* from, Type* to) {
    if (to->k != TK::Int || from->k != TK::Int) return;
    bool fits = from->bits < to->bits ? (to->isSigned || !from->isSigned)
                                      : (from->bits == to->bits && from->isSigned == to->isSigned);
    if (to->bits == 64) fits = true;
    if (fits) return;
    int kind = to->bits == 8 ? (to->isSigned ? 1 : 2) : to->bits == 16 ? (to->isSigned ? 3 : 4) : (to->isSigned ? 5 : 6);
    if (lastIsConst()) {
        // Fold constants right away.
        Instr& in = prog_->code.back();
        in.b = narrowed(in.b, kind);
        constVal_.i = in.b;
        return;
    }
    emit(OP_NARROW, kind);
}

std::string rangeCheckText(int64_t v, int64_t lo, int64_t hi) {
    return "range check error while evaluating constants (" + std::to_string(v) + " must be between " +
           std::to_string(lo) + " and " + std::to_string(hi) + ")";
}

// A constant outside lo..hi where the type allows only those values.
void Parser::checkConstRange(int64_t lo, int64_t hi, int64_t v, SourcePos p) {
    if (v < lo || v > hi) errorAt(p, rangeCheckText(v, lo, hi));
}

// The same for the constant just emitted, if the last instruction is one and `t` is ordinal.
void Parser::checkConstOperand(const Type* t, SourcePos p) {
    if (!isOrdinal(t) || !lastIsConst() || prog_->code.back().op != OP_PUSHI) return;
    auto [lo, hi] = ordinalBounds(t);
    checkConstRange(lo, hi, prog_->code.back().b, p);
}

// ---- places

void Parser::loadPlace(const Place& pl) {
    switch (pl.k) {
    case PK::Local:
    case PK::Global:
        if (isScalar(pl.type)) loadScalar(pl.k == PK::Global, pl.slot);
        else emit(pl.k == PK::Global ? OP_LOADG : OP_LOADL, pl.slot);
        break;
    case PK::LocalRef: emit(OP_LOADLI, pl.slot); break;
    case PK::Ref: emit(OP_LOADR); break;
    case PK::StrChar: {
        // [ref, index] -> char
        emit(OP_SWAP);
        emit(OP_LOADR);
        emit(OP_SWAP);
        emit(OP_STRCHAR);
        break;
    }
    case PK::Prop: errorAt(at_, "Internal error: property load"); break;
    case PK::Elem: elementOp(OP_INDEXVL, pl); break;
    case PK::Value: break;
    }
}

// An instruction on an element of an array variable, in its local or global form; reads and
// stores of numbers leave out the object handling.
void Parser::elementOp(Op localForm, const Place& pl) {
    if (isScalar(pl.type) && localForm == OP_INDEXVL) localForm = OP_INDEXVLN;
    if (isScalar(pl.type) && localForm == OP_STOREXL) localForm = OP_STOREXLN;
    emit(Op(localForm + (pl.global ? 1 : 0)), pl.slot, pl.lo);
}

void Parser::storePlace(const Place& pl, SourcePos p) {
    at_ = p;
    if (pl.k == PK::Local && pl.slot == fn_->resultSlot) fn_->resultSet = true;
    if (isValueType(pl.type)) emit(OP_CLONE);
    switch (pl.k) {
    case PK::Local: emit(isScalar(pl.type) ? OP_STORELN : OP_STOREL, pl.slot); break;
    case PK::Global: emit(isScalar(pl.type) ? OP_STOREGN : OP_STOREG, pl.slot); break;
    case PK::LocalRef: emit(OP_STORELI, pl.slot); break;
    case PK::Ref: emit(OP_STORER); break;
    case PK::StrChar: emit(OP_SETSTRCHAR); break;
    case PK::Elem: elementOp(OP_STOREXL, pl); break;
    case PK::Prop:
        if (pl.setter < 0) errorAt(p, "Property is read-only");
        emit(OP_CALLH, pl.setter, pl.setterArgs);
        adjust(-pl.setterArgs);
        break;
    case PK::Value: errorAt(p, "Left side cannot be assigned to");
    }
}

void Parser::addressOf(const Place& pl, SourcePos p) {
    if (pl.k == PK::Local && pl.slot == fn_->resultSlot) fn_->resultSet = true;
    switch (pl.k) {
    case PK::Local: emit(OP_ADDRL, pl.slot); break;
    case PK::Global: emit(OP_ADDRG, pl.slot); break;
    case PK::LocalRef: emit(OP_LOADL, pl.slot); break;
    case PK::Ref: break;
    case PK::Elem: elementOp(OP_INDEXAL, pl); break;
    default: errorAt(p, "Variable required");
    }
}

// Pushes a pointer to the frame of the enclosing routine at `level`, following the links.
void Parser::frameOf(int level) {
    if (level == fn_->level) {
        emit(OP_PUSHBP);
        return;
    }
    emit(OP_LOADLN, fn_->linkSlot);
    size_t idx = fnStack_.size() - 2;
    for (int l = fn_->level - 1; l > level; --l, --idx) emit(OP_LINK, fnStack_[idx]->linkSlot);
}

// ---- operators, folded when both operands are constants

namespace {

template <class T>
bool relate(Cmp c, const T& x, const T& y) {
    switch (c) {
    case Cmp::Eq: return x == y;
    case Cmp::Ne: return x != y;
    case Cmp::Lt: return x < y;
    case Cmp::Le: return x <= y;
    case Cmp::Gt: return x > y;
    case Cmp::Ge: return x >= y;
    }
    return false;
}

// Opcodes of + - * for sets, 32-bit, 64-bit and floating point operands.
struct ArithOps {
    Bin op;
    Op set, i32, i64, f64;
};
constexpr ArithOps kArith[] = {
    {Bin::Add, OP_SETUNION, OP_ADDI, OP_ADDL, OP_ADDF},
    {Bin::Sub, OP_SETDIFF, OP_SUBI, OP_SUBL, OP_SUBF},
    {Bin::Mul, OP_SETINTER, OP_MULI, OP_MULL, OP_MULF},
    {Bin::Slash, OP_NOP, OP_NOP, OP_NOP, OP_DIVF},
};
const ArithOps& arith(Bin op) {
    for (const ArithOps& a : kArith)
        if (a.op == op) return a;
    return kArith[0];
}

constexpr std::pair<Bin, Op> kBitOps[] = {
    {Bin::And, OP_AND}, {Bin::Or, OP_OR}, {Bin::Xor, OP_XOR}, {Bin::Shl, OP_SHL}, {Bin::Shr, OP_SHR}};

// Whether set elements of these types mix: the same kind of ordinal, the same enumeration.
// An empty set constructor has no element type and goes with any set.
bool elementsMix(const Type* a, const Type* b) {
    if (!a || !b) return true;
    return a->k == b->k && (a->k != TK::Enum || a->enumNames == b->enumNames);
}

std::string charOrString(const Type* t, const CVal& v) { return t->k == TK::Char ? std::string(1, char(v.i)) : v.s; }
double asDouble(const Type* t, const CVal& v) { return t->k == TK::Float ? v.d : double(v.i); }

} // namespace

void Parser::operandMismatch(Type* l, Type* r, SourcePos p) {
    if (l->k == r->k) errorAt(p, "Operator not applicable to this operand type");
    incompatible(l, r, p);
}

void Parser::incompatible(Type* l, Type* r, SourcePos p) {
    errorAt(p, "Incompatible types: '" + l->display() + "' and '" + r->display() + "'");
}

Type* Parser::binary(Bin op, Type* l, Type* r, int leftAt, SourcePos p) {
    at_ = p;
    bool fold = twoConsts(leftAt);
    if (l->k == TK::Set || r->k == TK::Set) {
        if (l->k != TK::Set || r->k != TK::Set || !(op == Bin::Add || op == Bin::Sub || op == Bin::Mul))
            operandMismatch(l, r, p);
        if (!elementsMix(l->elem, r->elem)) incompatible(l, r, p);
        return setOp(op, l->elem ? l : r, fold, leftAt);
    }
    if (op == Bin::Add && isStringLike(l) && isStringLike(r)) return concat(l, r, fold, leftAt);
    bool bitwise = std::any_of(std::begin(kBitOps), std::end(kBitOps), [&](const auto& b) { return b.first == op; });
    if (bitwise) {
        bool boolXor = l->k == TK::Bool && r->k == TK::Bool && op == Bin::Xor;
        if (!boolXor && (l->k != TK::Int || r->k != TK::Int)) operandMismatch(l, r, p);
        return bitOp(op, l, r, fold, leftAt);
    }
    if (!isNumeric(l) || !isNumeric(r)) operandMismatch(l, r, p);
    if (op == Bin::Div || op == Bin::Mod) {
        if (l->k != TK::Int || r->k != TK::Int) operandMismatch(l, r, p);
        return divMod(op, isWide(l) || isWide(r) ? tInt64_ : tInt_, fold, leftAt, p);
    }
    if (l->k == TK::Float || r->k == TK::Float || op == Bin::Slash) return floatOp(op, l, r, fold, leftAt, p);
    return intOp(op, isWide(l) || isWide(r), fold, leftAt);
}

Type* Parser::setOp(Bin op, Type* rt, bool fold, int leftAt) {
    if (!fold) {
        emit(arith(op).set);
        return rt;
    }
    auto [a, b] = takeConsts(leftAt);
    a.set = op == Bin::Add ? (a.set | b.set) : op == Bin::Sub ? (a.set & ~b.set) : (a.set & b.set);
    emitConst(rt, a);
    return rt;
}

Type* Parser::concat(Type* l, Type* r, bool fold, int leftAt) {
    if (fold) {
        auto [a, b] = takeConsts(leftAt);
        CVal v;
        v.s = charOrString(l, a) + charOrString(r, b);
        emitConst(tStr_, v);
        return tStr_;
    }
    if (l->k == TK::Char) emit(OP_C2S2);
    if (r->k == TK::Char) emit(OP_C2S);
    emit(OP_CONCAT);
    return tStr_;
}

Type* Parser::bitOp(Bin op, Type* l, Type* r, bool fold, int leftAt) {
    bool boolXor = l->k == TK::Bool && r->k == TK::Bool && op == Bin::Xor;
    bool shift = op == Bin::Shl || op == Bin::Shr;
    Type* rt = boolXor ? tBool_ : (isWide(l) || (!shift && isWide(r)) ? tInt64_ : tInt_);
    if (fold) {
        auto [a, b] = takeConsts(leftAt);
        int64_t v = op == Bin::And ? (a.i & b.i) : op == Bin::Or ? (a.i | b.i) : op == Bin::Xor ? (a.i ^ b.i)
                  : (b.i < 0 || b.i > 63) ? 0
                  : op == Bin::Shl ? int64_t(uint64_t(a.i) << b.i)
                  : int64_t((rt == tInt_ ? uint64_t(uint32_t(a.i)) : uint64_t(a.i)) >> b.i);
        CVal c;
        c.i = rt == tInt_ ? int32_t(v) : v;
        emitConst(rt, c);
        return rt;
    }
    auto o = std::find_if(std::begin(kBitOps), std::end(kBitOps), [&](const auto& b) { return b.first == op; });
    emit(o->second, rt == tInt_ ? 32 : 64);
    return rt;
}

Type* Parser::divMod(Bin op, Type* rt, bool fold, int leftAt, SourcePos p) {
    bool div = op == Bin::Div;
    if (lastIsConst() && prog_->code.back().b == 0) errorAt(p, "Division by zero");
    if (fold) {
        auto [a, b] = takeConsts(leftAt);
        CVal c;
        c.i = b.i == -1 ? (div ? int64_t(0 - uint64_t(a.i)) : 0) : div ? a.i / b.i : a.i % b.i;
        // Constants are computed in 64 bits: Low(Integer) div -1 is an Int64.
        if (rt == tInt_ && c.i > INT32_MAX) rt = tInt64_;
        emitConst(rt, c);
        return rt;
    }
    if (lastIsConst() && prog_->code.back().b != -1) {
        int64_t k = prog_->code.back().b;
        dropCode(1);
        // Integer operands divide faster in 32 bits.
        bool narrow = rt == tInt_ && k >= INT32_MIN && k <= INT32_MAX;
        emit(narrow ? (div ? OP_DIVIK : OP_MODIK) : (div ? OP_DIVLK : OP_MODLK), 0, k);
        return rt;
    }
    emit(div ? (rt == tInt_ ? OP_DIVI : OP_DIVL) : OP_MODL);
    return rt;
}

Type* Parser::floatOp(Bin op, Type* l, Type* r, bool fold, int leftAt, SourcePos p) {
    if (fold) {
        auto [a, b] = takeConsts(leftAt);
        double x = asDouble(l, a), y = asDouble(r, b);
        if (op == Bin::Slash && y == 0) errorAt(p, "Division by zero");
        CVal c;
        c.d = op == Bin::Add ? x + y : op == Bin::Sub ? x - y : op == Bin::Mul ? x * y : x / y;
        emitConst(tFloat_, c);
        return tFloat_;
    }
    if (op == Bin::Slash && lastIsConst() && asDouble(r, constAt(here() - 1)) == 0) errorAt(p, "Division by zero");
    if (l->k == TK::Int) emit(OP_I2F2);
    if (r->k == TK::Int) emit(OP_I2F);
    emit(arith(op).f64);
    return tFloat_;
}

Type* Parser::intOp(Bin op, bool wide, bool fold, int leftAt) {
    Type* rt = wide ? tInt64_ : tInt_;
    if (fold) {
        auto [a, b] = takeConsts(leftAt);
        uint64_t x = uint64_t(a.i), y = uint64_t(b.i);
        uint64_t v = op == Bin::Add ? x + y : op == Bin::Sub ? x - y : x * y;
        CVal c;
        c.i = wide ? int64_t(v) : int64_t(int32_t(uint32_t(v)));
        emitConst(rt, c);
        return rt;
    }
    if (!wide && lastIsConst()) {
        int64_t k = prog_->code.back().b;
        if (k > INT32_MIN && k <= INT32_MAX) {
            dropCode(1);
            if (op == Bin::Mul) emit(OP_MULIK, 0, k);
            else emit(OP_ADDIK, 0, op == Bin::Add ? k : -k);
            return rt;
        }
    }
    emit(wide ? arith(op).i64 : arith(op).i32);
    return rt;
}

// ---- comparisons

// What a comparison compares; refuses operands that cannot be compared with `op`.
Parser::Compared Parser::compared(Bin op, Type* l, Type* r, SourcePos p) {
    if (op == Bin::In) {
        if (r->k != TK::Set || !isOrdinal(l) || !elementsMix(l, r->elem)) incompatible(l, r, p);
        return Compared::Membership;
    }
    Cmp c = cmpOf(op);
    bool equality = c == Cmp::Eq || c == Cmp::Ne;
    if (l->k == TK::Set || r->k == TK::Set) {
        if (l->k != TK::Set || r->k != TK::Set || c == Cmp::Lt || c == Cmp::Gt || !elementsMix(l->elem, r->elem))
            incompatible(l, r, p);
        return Compared::Sets;
    }
    if ((l->k == TK::String && isStringLike(r)) || (r->k == TK::String && isStringLike(l))) return Compared::Strings;
    if (isNumeric(l) && isNumeric(r) && (l->k == TK::Float || r->k == TK::Float)) return Compared::Floats;
    bool reference = l->k == TK::Class || l->k == TK::Nil || l->k == TK::Exc || l->k == TK::DArray;
    bool ok = (l->k == TK::Int && r->k == TK::Int) ||
              (isOrdinal(l) && l->k == r->k && l->k != TK::Int && (l->k != TK::Enum || l->enumNames == r->enumNames)) ||
              (reference && (r->k == TK::Nil || r == l) && equality);
    if (!ok) incompatible(l, r, p);
    return reference ? Compared::References : Compared::Ordinals;
}

Type* Parser::compare(Bin op, Type* l, Type* r, int leftAt, SourcePos p) {
    at_ = p;
    Compared what = compared(op, l, r, p);
    // Sets are compared at run time even when constant.
    if (twoConsts(leftAt) && what != Compared::Sets) return foldCompare(op, what, l, r, leftAt);
    static constexpr Op kSetOps[] = {OP_SETEQ, OP_SETNE, OP_NOP, OP_SETLE, OP_NOP, OP_SETGE};
    Cmp c = op == Bin::In ? Cmp::Eq : cmpOf(op);
    switch (what) {
    case Compared::Membership: emit(OP_IN); break;
    case Compared::Sets: emit(kSetOps[int(c)]); break;
    case Compared::Strings:
        if (l->k == TK::Char) emit(OP_C2S2);
        if (r->k == TK::Char) emit(OP_C2S);
        emit(cmpOp(OP_EQS, c));
        break;
    case Compared::Floats:
        if (l->k == TK::Int) emit(OP_I2F2);
        if (r->k == TK::Int) emit(OP_I2F);
        emit(cmpOp(OP_EQF, c));
        break;
    case Compared::References:
        emit(OP_EQR);
        if (c == Cmp::Ne) emit(OP_NOTB);
        break;
    case Compared::Ordinals:
        if (lastIsConst() && prog_->code.back().op == OP_PUSHI) {
            int64_t k = prog_->code.back().b;
            dropCode(1);
            emit(cmpOp(OP_EQIK, c), 0, k);
        } else {
            emit(cmpOp(OP_EQI, c));
        }
        break;
    }
    return tBool_;
}

// Every comparison of two constants is folded here.
Type* Parser::foldCompare(Bin op, Compared what, Type* l, Type* r, int leftAt) {
    auto [a, b] = takeConsts(leftAt);
    CVal v;
    if (what == Compared::Membership) v.i = a.i >= 0 && a.i < 256 && b.set.test(size_t(a.i));
    else if (what == Compared::Strings) v.i = relate(cmpOf(op), charOrString(l, a).compare(charOrString(r, b)), 0);
    else if (what == Compared::Floats) v.i = relate(cmpOf(op), asDouble(l, a), asDouble(r, b));
    else v.i = relate(cmpOf(op), a.i, b.i);
    emitConst(tBool_, v);
    return tBool_;
}

} // namespace pascal
