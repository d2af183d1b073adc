#include "pascal/parser.h"

#include <algorithm>

namespace pascal {

namespace {

// Binary operators by precedence level, lowest first; each level's operands are of the next.
struct Operator {
    Key key;
    int level;
    Bin op;
};
constexpr Operator kOperators[] = {
    {Key::Eq, kRelational, Bin::Eq},       {Key::Ne, kRelational, Bin::Ne},     {Key::Lt, kRelational, Bin::Lt},
    {Key::Le, kRelational, Bin::Le},       {Key::Gt, kRelational, Bin::Gt},     {Key::Ge, kRelational, Bin::Ge},
    {Key::In, kRelational, Bin::In},       {Key::Plus, kAdditive, Bin::Add},    {Key::Minus, kAdditive, Bin::Sub},
    {Key::Or, kAdditive, Bin::Or},         {Key::Xor, kAdditive, Bin::Xor},     {Key::Star, kMultiplicative, Bin::Mul},
    {Key::Slash, kMultiplicative, Bin::Slash}, {Key::Div, kMultiplicative, Bin::Div}, {Key::Mod, kMultiplicative, Bin::Mod},
    {Key::And, kMultiplicative, Bin::And}, {Key::Shl, kMultiplicative, Bin::Shl}, {Key::Shr, kMultiplicative, Bin::Shr},
};
constexpr int kLevels = kMultiplicative + 1;

const Operator* operatorAt(Key k, int level) {
    for (const Operator& o : kOperators)
        if (o.key == k && o.level == level) return &o;
    return nullptr;
}

bool sameVarType(const Type* a, const Type* b) {
    if (a == b) return true;
    if (a->k != b->k) return false;
    if (a->k == TK::Int) return a->bits == b->bits && a->isSigned == b->isSigned;
    if (a->k == TK::Enum) return a->enumNames == b->enumNames;
    return a->k == TK::String || a->k == TK::Float || a->k == TK::Char || a->k == TK::Bool;
}

} // namespace

Type* Parser::expr() {
    Nest nest(*this);
    return operand(kRelational);
}

// Operands of `level` joined by its operators, left to right: a = b = c is (a = b) = c.
Type* Parser::operand(int level) {
    if (level == kLevels) return factor();
    Type* l = operand(level + 1);
    int leftAt = constLeft();
    while (const Operator* o = operatorAt(tok_.key, level)) {
        SourcePos p = tok_.pos;
        nextTok();
        if ((o->op == Bin::And || o->op == Bin::Or) && l->k == TK::Bool) {
            shortCircuit(o->op, level, p);
            leftAt = -1;
            continue;
        }
        Type* r = operand(level + 1);
        l = isRelational(o->op) ? compare(o->op, l, r, leftAt, p) : binary(o->op, l, r, leftAt, p);
        leftAt = constLeft();
    }
    return l;
}

// Boolean `and` and `or` skip the right operand once the left one decides.
void Parser::shortCircuit(Bin op, int level, SourcePos p) {
    int j = emit(op == Bin::Or ? OP_JTK : OP_JFK);
    Type* r = operand(level + 1);
    if (r->k != TK::Bool) errorAt(p, "Incompatible types: 'Boolean' and '" + r->display() + "'");
    patch(j, label());
}

Type* Parser::exprTo(Type* want, SourcePos p) {
    Type* t = expr();
    coerce(t, want, p);
    return want;
}

// An expression for a place of type `want` whose constants must fit it (for bounds, typed constants).
Type* Parser::exprInRange(Type* want, SourcePos p) {
    Type* t = expr();
    if (t->k == want->k) checkConstOperand(want, p);
    coerce(t, want, p);
    return want;
}

bool Parser::assignable(Type* from, Type* to) const {
    if (from == to) return true;
    switch (to->k) {
    case TK::Int: return from->k == TK::Int;
    case TK::Float: return from->k == TK::Int || from->k == TK::Float;
    case TK::String: return from->k == TK::String || from->k == TK::Char;
    case TK::Char: return from->k == TK::Char;
    case TK::Bool: return from->k == TK::Bool;
    case TK::Enum: return from->k == TK::Enum && from->enumNames == to->enumNames;
    case TK::Set:
        return from->k == TK::Set && (from->elem == nullptr || from->elem->k == to->elem->k) &&
               (from->elem == nullptr || from->elem->k != TK::Enum || from->elem->enumNames == to->elem->enumNames);
    case TK::DArray: return !to->isOpen && (from->k == TK::Nil || (from->k == TK::DArray && !from->isOpen && from->elem == to->elem));
    case TK::Class: {
        if (from->k == TK::Nil) return true;
        for (Type* c = from; c; c = c->parent)
            if (c == to) return true;
        return false;
    }
    case TK::Exc: return from->k == TK::Nil || (from->k == TK::Exc);
    default: return false;
    }
}

void Parser::coerce(Type* from, Type* to, SourcePos p) {
    if (!assignable(from, to))
        errorAt(p, "Incompatible types: '" + to->display() + "' and '" + from->display() + "'");
    bool wasConst = lastIsConst();
    if (to->k == TK::Float && from->k == TK::Int) {
        if (wasConst) {
            CVal v = constAt(here() - 1);
            dropCode(1);
            v.d = double(v.i);
            emitConst(tFloat_, v);
        } else {
            emit(OP_I2F);
        }
    } else if (to->k == TK::String && from->k == TK::Char) {
        if (wasConst) {
            CVal v = constAt(here() - 1);
            dropCode(1);
            v.s = std::string(1, char(v.i));
            emitConst(tStr_, v);
        } else {
            emit(OP_C2S);
        }
    } else {
        // A constant that does not fit is cut to the type, with a warning.
        if (wasConst && isOrdinal(to) && prog_->code.back().op == OP_PUSHI) {
            auto [lo, hi] = ordinalBounds(to);
            int64_t v = prog_->code.back().b;
            if (v < lo || v > hi) hint(p, Message::Kind::Warning, rangeCheckText(v, lo, hi));
        }
        narrowTo(from, to);
    }
}

Type* Parser::setConstructor(Type* want) {
    // '[' already consumed.
    Type* elemType = want && want->k == TK::Set ? want->elem : nullptr;
    CVal acc;
    int start = here();
    std::vector<std::pair<CVal, CVal>> consts;
    emitConst(newType(TK::Set, ""), acc);
    Type* et = elemType;
    while (!is(Key::RBracket)) {
        SourcePos p = tok_.pos;
        Type* t = expr();
        bool c1 = lastConst_ == here() - 1;
        if (!isOrdinal(t)) errorAt(p, "Ordinal type required");
        if (!et) et = t;
        if (et->k != t->k) errorAt(p, "Incompatible types: '" + et->display() + "' and '" + t->display() + "'");
        if (accept(Key::DotDot)) {
            Type* t2 = expr();
            bool c2 = lastConst_ == here() - 1;
            if (t2->k != t->k) errorAt(p, "Incompatible types");
            if (c1 && c2) {
                CVal b = constAt(here() - 1), a = constAt(here() - 2);
                if (a.i < 0 || b.i > 255) errorAt(p, "Set element out of range");
                for (int64_t v = a.i; v <= b.i; ++v) acc.set.set(size_t(v));
                dropCode(2);
            } else {
                emit(OP_SETADDR);
            }
        } else if (c1) {
            CVal a = constAt(here() - 1);
            if (a.i < 0 || a.i > 255) errorAt(p, "Set element out of range");
            acc.set.set(size_t(a.i));
            dropCode(1);
        } else {
            emit(OP_SETADD);
        }
        if (!accept(Key::Comma)) break;
    }
    expect(Key::RBracket);
    prog_->sets.push_back(acc.set);
    prog_->code[size_t(start)].a = int(prog_->sets.size()) - 1;
    Type* st = newType(TK::Set, "set");
    st->elem = et;
    if (here() == start + 1) {
        lastConst_ = start;
        constVal_ = acc;
    }
    return st;
}

Type* Parser::factor() {
    Nest nest(*this);
    SourcePos p = tok_.pos;
    at_ = p;
    switch (tok_.kind) {
    case Tok::Int: {
        CVal v;
        v.i = tok_.ival;
        nextTok();
        Type* t = v.i >= INT32_MIN && v.i <= INT32_MAX ? tInt_ : tInt64_;
        emitConst(t, v);
        return t;
    }
    case Tok::Float: {
        CVal v;
        v.d = tok_.fval;
        nextTok();
        emitConst(tFloat_, v);
        return tFloat_;
    }
    case Tok::Str: {
        CVal v;
        v.s = tok_.text;
        nextTok();
        if (is(Key::LBracket)) {
            // '0123456789ABCDEF'[d + 1]
            emitConst(tStr_, v);
            Place pl;
            pl.type = tStr_;
            return selectors(pl, false).type;
        }
        if (v.s.size() == 1) {
            v.i = static_cast<unsigned char>(v.s[0]);
            emitConst(tChar_, v);
            return tChar_;
        }
        emitConst(tStr_, v);
        return tStr_;
    }
    default: break;
    }
    if (accept(Key::LParen)) {
        Type* t = expr();
        expect(Key::RParen);
        return t;
    }
    if (accept(Key::LBracket)) return setConstructor(nullptr);
    if (accept(Key::Not)) return unaryNot(p);
    if (accept(Key::Minus)) return unaryMinus(p);
    if (accept(Key::Plus)) return factor();
    if (accept(Key::At)) errorAt(p, "Pointers are not supported");
    if (tok_.isName()) {
        Place pl = designator(false);
        if (pl.k != PK::Value) loadPlace(pl);
        if (!pl.type || pl.type == tVoid_) errorAt(p, "Expression expected, but procedure call found");
        return pl.type;
    }
    if (accept(Key::Nil)) {
        emitConst(tNil_, CVal());
        return tNil_;
    }
    errorHere("Expression expected but " + describe(tok_) + " found");
}

Type* Parser::unaryNot(SourcePos p) {
    Type* t = factor();
    bool c = lastIsConst();
    if (t->k == TK::Bool) {
        if (c) { prog_->code.back().b = !prog_->code.back().b; lastConst_ = here() - 1; return t; }
        emit(OP_NOTB);
        return t;
    }
    if (t->k != TK::Int) errorAt(p, "Incompatible types: 'Boolean' and '" + t->display() + "'");
    Type* rt = isWide(t) ? tInt64_ : tInt_;
    if (c) {
        int64_t v = ~prog_->code.back().b;
        prog_->code.back().b = rt == tInt_ ? int32_t(v) : v;
        lastConst_ = here() - 1;
        return rt;
    }
    emit(OP_NOT, rt == tInt_ ? 32 : 64);
    return rt;
}

Type* Parser::unaryMinus(SourcePos p) {
    Type* t = factor();
    bool c = lastIsConst();
    if (!isNumeric(t)) errorAt(p, "Incompatible types: 'Integer' and '" + t->display() + "'");
    if (t->k == TK::Float) {
        if (c) {
            CVal v = constAt(here() - 1);
            dropCode(1);
            v.d = -v.d;
            emitConst(tFloat_, v);
            return t;
        }
        emit(OP_NEGF);
        return t;
    }
    Type* rt = isWide(t) ? tInt64_ : tInt_;
    if (c) {
        int64_t v = int64_t(0 - uint64_t(prog_->code.back().b));
        prog_->code.back().b = v;
        if (v < INT32_MIN || v > INT32_MAX) rt = tInt64_;
        lastConst_ = here() - 1;
        return rt;
    }
    emit(rt == tInt_ ? OP_NEGI : OP_NEGL);
    return rt;
}

// ---- designators

Place Parser::designator(bool lvalue) {
    SourcePos p = tok_.pos;
    std::string name = tok_.text;
    Sym* s = lookup(name);
    if (!s) errorAt(p, "Unknown identifier '" + tok_.orig + "'");
    nextTok();
    Place pl;
    switch (s->kind) {
    case Sym::Const:
        emitConst(s->type, s->cv);
        pl.type = s->type;
        return is(Key::LBracket) ? selectors(pl, false) : pl;
    case Sym::Var:
        if (!s->global && s->level != fn_->level) {
            frameOf(s->level);
            emit(s->byRef ? OP_LOADUP : OP_ADDRUP, s->slot);
            pl.k = PK::Ref;
            pl.type = s->type;
            pl.readOnly = s->isConst;
            return selectors(pl, lvalue);
        }
        pl.k = s->global ? PK::Global : (s->byRef ? PK::LocalRef : PK::Local);
        pl.slot = s->slot;
        pl.type = s->type;
        pl.readOnly = s->isConst;
        return selectors(pl, lvalue);
    case Sym::Proc:
    case Sym::Host:
    case Sym::Ext:
        pl.type = s->joinsText ? writeCall(s, p) : callProc(s, p);
        return selectors(pl, lvalue);
    case Sym::Builtin:
        pl.type = callBuiltin(s->index, p);
        return pl;
    case Sym::Special:
        pl.type = callIntrinsic(s->index, p);
        return pl;
    case Sym::TypeSym:
        if (s->type->k == TK::Exc && accept(Key::Dot)) {
            SourcePos mp = tok_.pos;
            std::string m = ident();
            if (m != "create") errorAt(mp, "Unknown identifier '" + m + "'");
            expect(Key::LParen);
            exprTo(tStr_, tok_.pos);
            expect(Key::RParen);
            at_ = p;
            emitBuiltin(B_EXCNEW, s->type->excClass);
            pl.type = s->type;
            return pl;
        }
        if (s->type->k == TK::Class && is(Key::Dot)) {
            pl.type = constructorCall(s->type, p);
            return selectors(pl, lvalue);
        }
        if (!is(Key::LParen)) errorAt(p, "Expression expected");
        pl.type = typeCast(s->type, p);
        return selectors(pl, lvalue);
    default: break;
    }
    errorAt(p, "Unknown identifier '" + name + "'");
}

Type* Parser::findClassMember(Type* cls, const std::string& name, Member*& m) {
    for (Type* c = cls; c; c = c->parent) {
        auto f = c->members.find(name);
        if (f != c->members.end()) {
            m = &f->second;
            return c;
        }
    }
    m = nullptr;
    return nullptr;
}

Place Parser::selectors(Place pl, bool lvalue) {
    while (true) {
        SourcePos p = tok_.pos;
        Type* t = pl.type;
        // An element that is itself indexed or selected from is needed by address.
        if (pl.k == PK::Elem && (is(Key::LBracket) || is(Key::Dot))) {
            addressOf(pl, p);
            pl.k = PK::Ref;
        }
        if (is(Key::LBracket) && t->k == TK::Class) {
            // obj[i] is the class's default property.
            Type* owner = t;
            while (owner && owner->defaultProperty.empty()) owner = owner->parent;
            if (!owner) errorAt(p, "Array type required");
            if (pl.k != PK::Value) loadPlace(pl);
            pl.k = PK::Value;
            pl.type = hostMember(owner, owner->defaultProperty, p, pl, lvalue);
            if (pl.k == PK::Prop) return pl;
            continue;
        }
        if (is(Key::LBracket)) {
            if (t->k != TK::SArray && t->k != TK::DArray && t->k != TK::String) errorAt(p, "Array type required");
            nextTok();
            while (true) {
                t = pl.type;
                if (t->k == TK::String) {
                    if (pl.k == PK::Value) {
                        exprTo(tInt64_, tok_.pos);
                        at_ = p;
                        emit(OP_STRCHAR);
                        pl.type = tChar_;
                    } else if (lvalue) {
                        addressOf(pl, p);
                        exprTo(tInt64_, tok_.pos);
                        pl.k = PK::StrChar;
                        pl.type = tChar_;
                    } else {
                        loadPlace(pl);
                        exprTo(tInt64_, tok_.pos);
                        at_ = p;
                        emit(OP_STRCHAR);
                        pl.k = PK::Value;
                        pl.type = tChar_;
                    }
                } else if (t->k == TK::SArray || t->k == TK::DArray) {
                    // An array variable is indexed in place: its element is read, addressed or
                    // stored by one instruction once the index is known.
                    bool direct = pl.k == PK::Local || pl.k == PK::Global;
                    bool byRef = lvalue && pl.k != PK::Value;
                    if (byRef && !direct) addressOf(pl, p);
                    else if (!byRef && pl.k != PK::Value && !direct) loadPlace(pl);
                    SourcePos ip = tok_.pos;
                    Type* it = expr();
                    if (!isOrdinal(it)) errorAt(ip, "Ordinal type required");
                    at_ = p;
                    int64_t lo = t->k == TK::SArray ? t->lo : 0;
                    int64_t hi = t->k == TK::SArray ? t->hi : -1;
                    if (t->k == TK::SArray && lastIsConst()) checkConstRange(lo, hi, prog_->code.back().b, ip);
                    pl.type = t->elem;
                    if (direct) {
                        pl.global = pl.k == PK::Global;
                        pl.lo = lo;
                        pl.k = PK::Elem;
                        if (!byRef) {
                            loadPlace(pl);
                            pl.k = PK::Value;
                        }
                    } else {
                        emit(byRef ? OP_INDEX : OP_INDEXV, int32_t(lo), hi);
                        pl.k = byRef ? PK::Ref : PK::Value;
                    }
                } else {
                    errorAt(p, "Array type required");
                }
                if (!is(Key::Comma)) break;
                if (pl.k == PK::Elem) {
                    addressOf(pl, p);
                    pl.k = PK::Ref;
                }
                nextTok();
            }
            expect(Key::RBracket);
            continue;
        }
        if (is(Key::Dot) && (t->k == TK::Record || t->k == TK::Class || t->k == TK::Exc)) {
            nextTok();
            SourcePos fp = tok_.pos;
            std::string f = ident();
            if (t->k == TK::Exc) {
                if (pl.k != PK::Value) loadPlace(pl);
                at_ = fp;
                if (f == "message") emitBuiltin(B_EXCMSG);
                else if (f == "classname") emitBuiltin(B_EXCCLASSNAME);
                else errorAt(fp, "Unknown identifier '" + f + "'");
                pl.k = PK::Value;
                pl.type = tStr_;
                continue;
            }
            if (t->k == TK::Class) {
                if (pl.k != PK::Value) loadPlace(pl);
                pl.k = PK::Value;
                pl.type = hostMember(t, f, fp, pl, lvalue);
                if (pl.k == PK::Prop) return pl;
                if (pl.type == tVoid_) return pl;
                continue;
            }
            size_t idx = 0;
            while (idx < t->fields.size() && t->fields[idx].name != f) ++idx;
            if (idx == t->fields.size()) errorAt(fp, "Unknown identifier '" + f + "'");
            bool byRef = lvalue && pl.k != PK::Value;
            if (byRef) addressOf(pl, p);
            else if (pl.k != PK::Value) loadPlace(pl);
            emit(byRef ? OP_FIELD : OP_FIELDV, int32_t(idx));
            pl.k = byRef ? PK::Ref : PK::Value;
            pl.type = t->fields[idx].type;
            continue;
        }
        return pl;
    }
}

// Object on the stack; reads a property or calls a method.
Type* Parser::hostMember(Type* cls, const std::string& name, SourcePos p, Place& pl, bool lvalue) {
    Member* m;
    if (!findClassMember(cls, name, m)) errorAt(p, "Unknown identifier '" + name + "'");
    at_ = p;
    if (m->isConstructor) errorAt(p, "Constructors are called on the class: " + cls->display() + "." + name);
    if (m->isProperty) {
        int n = 1 + int(m->sig.params.size());
        indexArgs(m->sig);
        if (lvalue && is(Key::Assign)) {
            pl.k = PK::Prop;
            pl.setter = m->setter;
            pl.setterArgs = n + 1;
            pl.readOnly = m->setter < 0;
            return m->type;
        }
        at_ = p;
        emit(OP_CALLH, m->getter, n);
        adjust(1 - n);
        return m->type;
    }
    args(m->sig, p, true);
    at_ = p;
    int n = int(m->sig.params.size()) + 1;
    emit(OP_CALLH, m->getter, n);
    adjust((m->sig.result ? 1 : 0) - n);
    return m->sig.result ? m->sig.result : tVoid_;
}

// [i, j] of an indexed property.
void Parser::indexArgs(const Signature& sig) {
    if (sig.params.empty()) return;
    expect(Key::LBracket);
    for (size_t i = 0; i < sig.params.size(); ++i) {
        if (i) expect(Key::Comma);
        exprTo(sig.params[i].type, tok_.pos);
    }
    expect(Key::RBracket);
}

// Class.Create(...): a new object from the host.
Type* Parser::constructorCall(Type* cls, SourcePos p) {
    expect(Key::Dot);
    SourcePos mp = tok_.pos;
    std::string name = ident();
    Member* m;
    if (!findClassMember(cls, name, m) || !m->isConstructor) errorAt(mp, "Unknown identifier '" + name + "'");
    args(m->sig, p, true);
    at_ = p;
    int n = int(m->sig.params.size());
    emit(OP_CALLH, m->getter, n);
    adjust(1 - n);
    return cls;
}

void Parser::args(const Signature& sig, SourcePos p, bool parens) {
    size_t n = sig.params.size();
    bool open = parens && accept(Key::LParen);
    size_t given = 0;
    if (open && !is(Key::RParen)) {
        do {
            if (given == n) errorHere("Too many actual parameters");
            argument(sig.params[given++]);
        } while (accept(Key::Comma));
    }
    SourcePos end = tok_.pos;
    if (open) expect(Key::RParen);
    for (; given < n; ++given) {
        const Param& pa = sig.params[given];
        if (!pa.hasDefault) errorAt(open ? end : p, "Not enough actual parameters");
        emitConst(pa.type, pa.defaultValue);
    }
}

void Parser::argument(const Param& pa) {
    SourcePos ap = tok_.pos;
    if (pa.type->isOpen) return openArrayArgument(pa, ap);
    if (pa.isVar) {
        Place pl = varArg();
        if (!sameVarType(pl.type, pa.type))
            errorAt(ap, "Types of actual and formal var parameters must be identical");
        addressOf(pl, ap);
        return;
    }
    exprTo(pa.type, ap);
    if (isValueType(pa.type) && !pa.isConst) emit(OP_CLONE);
}

// An open array takes any array of its element type, or the elements in brackets: [a, b, c].
void Parser::openArrayArgument(const Param& pa, SourcePos ap) {
    Type* elem = pa.type->elem;
    if (!pa.isVar && accept(Key::LBracket)) {
        int64_t n = 0;
        while (!is(Key::RBracket)) {
            exprTo(elem, tok_.pos);
            ++n;
            if (!accept(Key::Comma)) break;
        }
        expect(Key::RBracket);
        emit(OP_MKARRAY, 0, n);
        adjust(1 - int(n));
        return;
    }
    Place pl;
    if (pa.isVar)
        pl = varArg();
    else
        pl.type = expr();
    Type* t = pl.type;
    if ((t->k != TK::DArray && t->k != TK::SArray) || !sameVarType(t->elem, elem))
        errorAt(ap, "Incompatible types: '" + pa.type->display() + "' and '" + t->display() + "'");
    if (pa.isVar) addressOf(pl, ap);
    else if (!pa.isConst) emit(OP_CLONE);  // the routine changes its own copy
}

Type* Parser::callProc(Sym* s, SourcePos p) {
    args(s->sig, p, true);
    at_ = p;
    int n = int(s->sig.params.size());
    if (s->kind == Sym::Proc && s->level >= 1) {
        // A nested routine gets the frame of the routine it is declared in.
        frameOf(s->level);
        ++n;
    }
    if (s->kind == Sym::Proc) emit(OP_CALL, s->index);
    else if (s->kind == Sym::Host) emit(OP_CALLH, s->index, n);
    else emit(OP_CALLX, s->index, n);
    adjust((s->sig.result ? 1 : 0) - n);
    return s->sig.result ? s->sig.result : tVoid_;
}

Type* Parser::typeCast(Type* target, SourcePos p) {
    expect(Key::LParen);
    SourcePos ep = tok_.pos;
    Type* t = expr();
    expect(Key::RParen);
    at_ = p;
    if (t == target) return target;
    if (isOrdinal(target) && isOrdinal(t)) {
        if (target->k == TK::Int) narrowTo(tInt64_, target);
        else if (target->k == TK::Char) narrowTo(tInt64_, tByte_);
        else if (target->k == TK::Bool) {
            emit(OP_PUSHI, 0, 0);
            emit(OP_NEI);
        }
        return target;
    }
    if (target->k == TK::Float && isNumeric(t)) {
        if (t->k == TK::Int) emit(OP_I2F);
        return target;
    }
    if (target->k == TK::String && isStringLike(t)) {
        if (t->k == TK::Char) emit(OP_C2S);
        return target;
    }
    errorAt(ep, "Invalid type cast from '" + t->display() + "' to '" + target->display() + "'");
}

} // namespace pascal
