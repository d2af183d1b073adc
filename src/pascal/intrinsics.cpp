#include "pascal/parser.h"

#include <algorithm>
#include <cmath>

namespace pascal {

const Parser::Intrinsic Parser::kIntrinsics[] = {
    {"length", &Parser::length, 0},           {"setlength", &Parser::setLength, 0},
    {"high", &Parser::highLow, 1},            {"low", &Parser::highLow, 0},
    {"inc", &Parser::incDec, 1},              {"dec", &Parser::incDec, -1},
    {"ord", &Parser::ordChr, 0},              {"chr", &Parser::ordChr, 1},
    {"succ", &Parser::succPred, 1},           {"pred", &Parser::succPred, -1},
    {"abs", &Parser::absSqr, 0},              {"sqr", &Parser::absSqr, 1},
    {"include", &Parser::includeExclude, 1},  {"exclude", &Parser::includeExclude, 0},
    {"delete", &Parser::stringEdit, B_DELETE}, {"insert", &Parser::stringEdit, B_INSERT},
    {"format", &Parser::format, 0},           {"exit", &Parser::exitProc, 0},
    {"break", &Parser::breakContinue, 1},     {"continue", &Parser::breakContinue, 0},
    {"random", &Parser::random, 0},           {"assigned", &Parser::assigned, 0},
    {"odd", &Parser::odd, 0},                 {"halt", &Parser::halt, 0},
    {"str", &Parser::str, 0},                 {"val", &Parser::val, 0},
};

void Parser::declareIntrinsics() {
    for (size_t i = 0; i < std::size(kIntrinsics); ++i) declare(kIntrinsics[i].name, Sym::Special, {})->index = int(i);
}

Type* Parser::callIntrinsic(int index, SourcePos p) {
    const Intrinsic& in = kIntrinsics[index];
    return (this->*in.handler)(in.variant, p);
}

// ---- library routines with a plain signature

Type* Parser::sigType(char c) {
    switch (c) {
    case 'i': return tInt_;
    case 'l': return tInt64_;
    case 'f': return tFloat_;
    case 's': return tStr_;
    case 'c': return tChar_;
    case 'b': return tBool_;
    case 'R': return tFlags_;
    default: return tVoid_;
    }
}

Type* Parser::callBuiltin(int id, SourcePos p) {
    std::string sig = builtinSignatures[id].sig;
    size_t colon = sig.find(':');
    Signature s;
    bool optional = false;
    for (size_t i = 0; i < colon; ++i) {
        if (sig[i] == '?') {
            optional = true;
            continue;
        }
        Param pa{"", sigType(sig[i]), false, true};
        pa.hasDefault = optional;
        s.params.push_back(pa);
    }
    args(s, p, true);
    at_ = p;
    emitBuiltin(Builtin(id));
    return sigType(sig[colon + 1]);
}

// ---- argument helpers

// (expression): its type, and where it starts in `ap`.
Type* Parser::parenExpr(SourcePos& ap) {
    expect(Key::LParen);
    ap = tok_.pos;
    Type* t = expr();
    expect(Key::RParen);
    return t;
}

Place Parser::varArg() {
    SourcePos ap = tok_.pos;
    if (!tok_.isName()) errorAt(ap, "Variable required");
    checkNotForVar(ap);
    Place pl = designator(true);
    if (pl.k == PK::Value || pl.k == PK::StrChar || pl.k == PK::Prop || pl.readOnly) errorAt(ap, "Variable required");
    return pl;
}

// Delete and Insert take a string variable by address.
void Parser::stringVarArg() {
    SourcePos ap = tok_.pos;
    Place pl = varArg();
    if (pl.type->k != TK::String) errorAt(ap, "Incompatible types: 'string' and '" + pl.type->display() + "'");
    addressOf(pl, ap);
}

// An ordinal computed in 64 bits, brought back into the values of `t`.
void Parser::backInRange(Type* t) {
    if (t->k == TK::Int) narrowTo(tInt64_, t);
    else if (t->k == TK::Char) narrowTo(tInt64_, tByte_);
    else emitBuiltin(B_CHKORD, t->hi);  // Booleans and enumerations must stay within their values
}

// ---- the intrinsics

Type* Parser::length(int, SourcePos p) {
    SourcePos ap;
    Type* t = parenExpr(ap);
    at_ = p;
    if (t->k == TK::String) emitBuiltin(B_LENSTR);
    else if (t->k == TK::DArray) emitBuiltin(B_LENARR);
    else if (t->k == TK::Char || t->k == TK::SArray) {
        emit(OP_POP);
        emit(OP_PUSHI, 0, t->k == TK::Char ? 1 : t->hi - t->lo + 1);
    } else errorAt(ap, "Incompatible types: 'string' and '" + t->display() + "'");
    return tInt_;
}

Type* Parser::setLength(int, SourcePos p) {
    expect(Key::LParen);
    SourcePos ap = tok_.pos;
    Place pl = varArg();
    addressOf(pl, ap);
    expect(Key::Comma);
    exprTo(tInt64_, tok_.pos);
    expect(Key::RParen);
    at_ = p;
    if (pl.type->k == TK::String) emitBuiltin(B_SETLENSTR);
    else if (pl.type->k == TK::DArray) emitBuiltin(B_SETLENARR, isValueType(pl.type->elem) ? shapeOf(pl.type->elem) : -1);
    else errorAt(ap, "Incompatible types");
    return tVoid_;
}

Type* Parser::highLow(int high, SourcePos p) {
    expect(Key::LParen);
    SourcePos ap = tok_.pos;
    Type* t;
    Sym* ts = tok_.kind == Tok::Ident ? lookup(tok_.text) : nullptr;
    bool isTypeName = ts && ts->kind == Sym::TypeSym && peek().key == Key::RParen;
    if (isTypeName) {
        nextTok();
        t = ts->type;
    } else {
        t = expr();
    }
    expect(Key::RParen);
    at_ = p;
    auto result = [&](int64_t v, Type* rt) {
        if (!isTypeName) emit(OP_POP);
        CVal c;
        c.i = v;
        emitConst(rt, c);
        return rt;
    };
    if (t->k == TK::SArray) return result(high ? t->hi : t->lo, tInt_);
    if (t->k == TK::DArray || t->k == TK::String) {
        if (isTypeName) errorAt(ap, "Variable required");
        if (!high) return result(t->k == TK::String ? 1 : 0, tInt_);
        emitBuiltin(t->k == TK::String ? B_LENSTR : B_LENARR);
        if (t->k == TK::DArray) emit(OP_ADDIK, 0, -1);
        return tInt_;
    }
    if (t->k == TK::Int) {
        int64_t hi = t->bits == 64 ? INT64_MAX : t->isSigned ? (int64_t(1) << (t->bits - 1)) - 1 : (int64_t(1) << t->bits) - 1;
        int64_t lo = t->bits == 64 ? INT64_MIN : t->isSigned ? -(int64_t(1) << (t->bits - 1)) : 0;
        if (t->hi != 0 || t->lo != 0) {
            // Subrange.
            hi = t->hi;
            lo = t->lo;
        }
        return result(high ? hi : lo, t->bits == 64 || (!t->isSigned && t->bits == 32) ? tInt64_ : t);
    }
    if (isOrdinal(t)) return result(high ? t->hi : t->lo, t);
    errorAt(ap, "Ordinal or array type required");
}

Type* Parser::incDec(int step, SourcePos p) {
    expect(Key::LParen);
    SourcePos ap = tok_.pos;
    Place pl = varArg();
    if (!isOrdinal(pl.type)) errorAt(ap, "Ordinal type required");
    int64_t amount = 1;
    bool constAmount = true;
    bool isInt32 = pl.type->k == TK::Int && pl.type->bits == 32 && pl.type->isSigned;
    bool simpleLocal = isInt32 && (pl.k == PK::Local || pl.k == PK::Global);
    if (!simpleLocal) {
        addressOf(pl, ap);
        emit(OP_DUP);
        emit(OP_LOADR);
    }
    if (accept(Key::Comma)) {
        SourcePos np = tok_.pos;
        Type* nt = expr();
        if (nt->k != TK::Int) errorAt(np, "Incompatible types: 'Integer' and '" + nt->display() + "'");
        if (lastIsConst()) {
            amount = prog_->code.back().b;
            dropCode(1);
        } else {
            constAmount = false;
            if (simpleLocal) {
                // Fall back to the general form: reorder as [value, amount].
                emit(pl.k == PK::Local ? OP_LOADL : OP_LOADG, pl.slot);
                emit(OP_SWAP);
                if (step < 0) emit(OP_NEGL);
                emit(OP_ADDI);
                storePlace(pl, p);
                expect(Key::RParen);
                return tVoid_;
            }
            if (step < 0) emit(OP_NEGL);
        }
    }
    expect(Key::RParen);
    at_ = p;
    if (step < 0) amount = int64_t(0 - uint64_t(amount));
    if (simpleLocal && constAmount && amount >= INT32_MIN && amount <= INT32_MAX) {
        emit(pl.k == PK::Local ? OP_INCL : OP_INCG, pl.slot, amount);
        return tVoid_;
    }
    if (simpleLocal) {
        emit(pl.k == PK::Local ? OP_LOADL : OP_LOADG, pl.slot);
        emit(OP_PUSHI, 0, amount);
        emit(OP_ADDI);
        storePlace(pl, p);
        return tVoid_;
    }
    if (constAmount) emit(OP_PUSHI, 0, amount);
    emit(OP_ADDL);
    backInRange(pl.type);
    emit(OP_STORER);
    return tVoid_;
}

Type* Parser::ordChr(int chr, SourcePos) {
    SourcePos ap;
    Type* t = parenExpr(ap);
    if (!isOrdinal(t)) errorAt(ap, "Ordinal type required");
    if (chr) {
        if (t->k != TK::Int) errorAt(ap, "Incompatible types: 'Integer' and '" + t->display() + "'");
        narrowTo(tInt64_, tByte_);
        return tChar_;
    }
    return t->k == TK::Int && isWide(t) ? tInt64_ : tInt_;
}

Type* Parser::succPred(int step, SourcePos p) {
    SourcePos ap;
    Type* t = parenExpr(ap);
    if (!isOrdinal(t)) errorAt(ap, "Ordinal type required");
    at_ = p;
    if (lastIsConst()) {
        Instr& in = prog_->code.back();
        in.b += step;
        checkConstOperand(t, p);
        constVal_.i = in.b;
        lastConst_ = here() - 1;
        return t;
    }
    emit(OP_PUSHI, 0, step);
    emit(OP_ADDL);
    backInRange(t);
    return t;
}

Type* Parser::absSqr(int sqr, SourcePos p) {
    SourcePos ap;
    Type* t = parenExpr(ap);
    at_ = p;
    if (!isNumeric(t)) errorAt(ap, "Incompatible types: 'Integer' and '" + t->display() + "'");
    Type* rt = t->k == TK::Float ? tFloat_ : (isWide(t) ? tInt64_ : tInt_);
    if (lastIsConst()) {
        CVal v = constAt(here() - 1);
        dropCode(1);
        if (rt == tFloat_) v.d = sqr ? v.d * v.d : std::fabs(v.d);
        else v.i = sqr ? int64_t(uint64_t(v.i) * uint64_t(v.i)) : v.i < 0 ? int64_t(0 - uint64_t(v.i)) : v.i;
        // Constants are computed in 64 bits, as in any constant expression.
        if (rt == tInt_ && (v.i < INT32_MIN || v.i > INT32_MAX)) rt = tInt64_;
        emitConst(rt, v);
        return rt;
    }
    if (!sqr) {
        emitBuiltin(t->k == TK::Float ? B_ABSF : B_ABSI);
        // Abs(Low(Integer)) does not fit an Integer and wraps like any other Integer result.
        if (rt == tInt_) emit(OP_NARROW, 5);
        return rt;
    }
    emit(OP_DUP);
    emit(t->k == TK::Float ? OP_MULF : isWide(t) ? OP_MULL : OP_MULI);
    return rt;
}

Type* Parser::includeExclude(int include, SourcePos p) {
    expect(Key::LParen);
    SourcePos ap = tok_.pos;
    Place pl = varArg();
    if (pl.type->k != TK::Set) errorAt(ap, "Set type required");
    addressOf(pl, ap);
    expect(Key::Comma);
    exprTo(pl.type->elem, tok_.pos);
    expect(Key::RParen);
    at_ = p;
    emitBuiltin(include ? B_INCLUDE : B_EXCLUDE);
    return tVoid_;
}

// Delete and Insert: arguments as the routine's signature says, 'r' a string variable.
Type* Parser::stringEdit(int id, SourcePos p) {
    const char* sig = builtinSignatures[id].sig;
    expect(Key::LParen);
    for (const char* c = sig; *c != ':'; ++c) {
        if (c != sig) expect(Key::Comma);
        if (*c == 'r') stringVarArg();
        else exprTo(sigType(*c), tok_.pos);
    }
    expect(Key::RParen);
    at_ = p;
    emitBuiltin(Builtin(id));
    return tVoid_;
}

namespace {
constexpr std::pair<TK, FormatTag> kTags[] = {
    {TK::Int, FT_INT}, {TK::Float, FT_FLOAT}, {TK::String, FT_STRING}, {TK::Char, FT_CHAR}, {TK::Bool, FT_BOOL}};
}

// Format(fmt, [values]): each value is followed by a tag saying its kind.
Type* Parser::format(int, SourcePos p) {
    expect(Key::LParen);
    exprTo(tStr_, tok_.pos);
    expect(Key::Comma);
    expect(Key::LBracket);
    int n = 0;
    while (!is(Key::RBracket)) {
        SourcePos ap = tok_.pos;
        Type* t = expr();
        auto tag = std::find_if(std::begin(kTags), std::end(kTags), [&](const auto& e) { return e.first == t->k; });
        if (tag == std::end(kTags)) errorAt(ap, "Format argument must be a number, string, character or Boolean");
        emit(OP_PUSHI, 0, tag->second);
        if (++n > 64) errorAt(ap, "Too many arguments");
        if (!accept(Key::Comma)) break;
    }
    expect(Key::RBracket);
    expect(Key::RParen);
    at_ = p;
    emitBuiltin(B_FORMAT, n);
    return tStr_;
}

// One argument of Writeln or Str, value[:width[:decimals]], as text on the stack.
void Parser::writeArg() {
    SourcePos ap = tok_.pos;
    Type* t = expr();
    if (t->k == TK::Enum) {
        std::string names;
        for (const std::string& n : t->enumNames) names += n + "\n";
        emit(OP_PUSHS, internString(names));
        emitBuiltin(B_ENUMNAME);
        t = tStr_;
    }
    auto tag = std::find_if(std::begin(kTags), std::end(kTags), [&](const auto& e) { return e.first == t->k; });
    if (tag == std::end(kTags)) errorAt(ap, "Can't read or write variables of this type");
    if (!is(Key::Colon)) {
        // Text needs no formatting; numbers do.
        if (t->k == TK::Char) emit(OP_C2S);
        if (t->k == TK::String || t->k == TK::Char) return;
    }
    if (accept(Key::Colon)) exprTo(tInt_, tok_.pos);
    else emit(OP_PUSHI, 0, 0);
    SourcePos dp = tok_.pos;
    if (accept(Key::Colon)) {
        if (t->k != TK::Float) errorAt(dp, "Illegal use of ':'");
        exprTo(tInt_, tok_.pos);
    } else {
        emit(OP_PUSHI, 0, -1);
    }
    at_ = ap;
    emitBuiltin(B_WRITETEXT, tag->second);
}

// Writeln(a, b:5, x:0:2) with any number of arguments: their text, joined, goes to the host's
// Writeln(s: string).
Type* Parser::writeCall(Sym* s, SourcePos p) {
    int n = 0;
    if (accept(Key::LParen) && !accept(Key::RParen)) {
        do {
            writeArg();
            if (n++) emit(OP_CONCAT);
        } while (accept(Key::Comma));
        expect(Key::RParen);
    }
    if (n == 0) emitConst(tStr_, CVal());
    at_ = p;
    emit(OP_CALLH, s->index, 1);
    adjust(-1);
    return tVoid_;
}

// Str(value[:width[:decimals]], s)
Type* Parser::str(int, SourcePos p) {
    expect(Key::LParen);
    writeArg();
    expect(Key::Comma);
    SourcePos vp = tok_.pos;
    Place pl = varArg();
    if (pl.type->k != TK::String) errorAt(vp, "Incompatible types: 'string' and '" + pl.type->display() + "'");
    expect(Key::RParen);
    if (pl.k == PK::Ref || pl.k == PK::Elem) emit(OP_SWAP);
    storePlace(pl, p);
    return tVoid_;
}

// Val(text, number, code)
Type* Parser::val(int, SourcePos p) {
    expect(Key::LParen);
    exprTo(tStr_, tok_.pos);
    expect(Key::Comma);
    SourcePos vp = tok_.pos;
    Place target = varArg();
    Type* t = target.type;
    if (t->k != TK::Int && t->k != TK::Float) errorAt(vp, "Incompatible types: 'Integer' and '" + t->display() + "'");
    addressOf(target, vp);
    expect(Key::Comma);
    SourcePos cp = tok_.pos;
    Place code = varArg();
    if (code.type->k != TK::Int) errorAt(cp, "Incompatible types: 'Integer' and '" + code.type->display() + "'");
    addressOf(code, cp);
    expect(Key::RParen);
    at_ = p;
    emitBuiltin(B_VAL, t->k == TK::Float ? 0 : t->bits * 2 + (t->isSigned ? 1 : 0));
    return tVoid_;
}

Type* Parser::exitProc(int, SourcePos p) {
    if (accept(Key::LParen) && !accept(Key::RParen)) {
        if (!fn_->resultType) errorAt(p, "Procedures cannot return a value");
        exprTo(fn_->resultType, tok_.pos);
        expect(Key::RParen);
        emit(OP_STOREL, fn_->resultSlot);
        fn_->resultSet = true;
    }
    at_ = p;
    jumpOut(0);
    fn_->exits.push_back(emit(OP_JMP));
    return tVoid_;
}

// Ends the whole run at once; an exit code is accepted and ignored.
Type* Parser::halt(int, SourcePos p) {
    if (accept(Key::LParen)) {
        exprTo(tInt_, tok_.pos);
        expect(Key::RParen);
        emit(OP_POP);
    }
    at_ = p;
    emit(OP_HALT);
    return tVoid_;
}

Type* Parser::breakContinue(int isBreak, SourcePos p) {
    if (fn_->loops.empty()) errorAt(p, std::string(isBreak ? "BREAK" : "CONTINUE") + " outside a loop");
    LoopCtx& l = fn_->loops.back();
    jumpOut(int(l.tryDepth));
    int j = emit(OP_JMP);
    (isBreak ? l.breaks : l.continues).push_back(j);
    return tVoid_;
}

Type* Parser::random(int, SourcePos p) {
    if (!accept(Key::LParen)) {
        emitBuiltin(B_RANDOMF);
        return tFloat_;
    }
    exprTo(tInt_, tok_.pos);
    expect(Key::RParen);
    at_ = p;
    emitBuiltin(B_RANDOMI);
    return tInt_;
}

Type* Parser::assigned(int, SourcePos) {
    SourcePos ap;
    Type* t = parenExpr(ap);
    if (t->k != TK::Class && t->k != TK::DArray && t->k != TK::Exc) errorAt(ap, "Incompatible types");
    emit(OP_PUSHNIL);
    emit(OP_EQR);
    emit(OP_NOTB);
    return tBool_;
}

Type* Parser::odd(int, SourcePos) {
    SourcePos ap;
    Type* t = parenExpr(ap);
    if (t->k != TK::Int) errorAt(ap, "Incompatible types: 'Integer' and '" + t->display() + "'");
    emit(OP_PUSHI, 0, 1);
    emit(OP_AND, 64);
    emit(OP_EQIK, 0, 1);
    return tBool_;
}

} // namespace pascal
