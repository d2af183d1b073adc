#include "pascal/parser.h"

#include <algorithm>

namespace pascal {

static std::vector<ParamKind> paramKinds(const Signature& sig, bool withObject) {
    std::vector<ParamKind> kinds;
    if (withObject) kinds.push_back(ParamKind::Value);
    for (const Param& pa : sig.params) kinds.push_back(pa.isVar ? ParamKind::Var : ParamKind::Value);
    return kinds;
}

void Parser::program() {
    if (accept(Key::Program)) {
        ident();
        if (accept(Key::LParen)) {
            do ident();
            while (accept(Key::Comma));
            expect(Key::RParen);
        }
        expect(Key::Semicolon);
    }
    if (accept(Key::Uses)) {
        do {
            SourcePos p = tok_.pos;
            std::string written = tok_.orig;
            if (ident() != "system") errorAt(p, "Unknown identifier '" + written + "'");
        } while (accept(Key::Comma));
        expect(Key::Semicolon);
    }
    declarations(true);
    for (auto& scope : scopes_)
        for (auto& [n, s] : scope)
            if (s->kind == Sym::Proc && !s->defined)
                errorAt(s->pos, "Unsatisfied forward or external declaration: '" + n + "'");
    // Main program.
    ProcInfo pi;
    pi.name = "main";
    prog_->procs.push_back(pi);
    dbg_->procNames.push_back("main");
    Sym mainSym;
    mainSym.index = int(prog_->procs.size()) - 1;
    at_ = tok_.pos;
    if (!is(Key::Begin)) errorHere("'BEGIN' expected but " + describe(tok_) + " found");
    body(&mainSym, true);
    expect(Key::Dot);
}

void Parser::declarations(bool global) {
    while (true) {
        if (accept(Key::Const)) constSection(global);
        else if (accept(Key::Type)) typeSection();
        else if (accept(Key::Var)) varSection(global);
        else if (is(Key::Procedure) || is(Key::Function)) procDecl();
        else break;
    }
}

CVal Parser::constExpr(Type*& t, int level) {
    int start = here();
    int depthBefore = fn_->depth;
    SourcePos p = tok_.pos;
    t = level == kRelational ? expr() : operand(level);
    if (lastConst_ != start || here() != start + 1) errorAt(p, "Constant expression expected");
    CVal v = constAt(start);
    dropCode(1);
    fn_->depth = depthBefore;
    return v;
}

void Parser::constSection(bool global) {
    while (tok_.isName()) {
        SourcePos p = tok_.pos;
        std::string name = ident();
        if (accept(Key::Colon)) {
            // A typed constant is an initialised variable.
            Type* t = parseType();
            expect(Key::Eq);
            Sym* s = declare(name, Sym::Var, p);
            s->type = t;
            s->global = global;
            s->level = fn_->level;
            if (global) {
                s->slot = prog_->globals++;
                if (isValueType(t)) globalInits_.emplace_back(s->slot, shapeOf(t));
                initGlobal(t, s->slot);
            } else {
                errorAt(p, "Typed constants are only allowed at global level");
            }
            expect(Key::Semicolon);
            continue;
        }
        expect(Key::Eq);
        Type* t;
        CVal v = constExpr(t);
        Sym* s = declare(name, Sym::Const, p);
        s->type = t;
        s->cv = v;
        expect(Key::Semicolon);
    }
}

// Emits code that sets what `pushRef` addresses from a constant initialiser: a value, (a, b, c)
// for a static array or (field: value; ...) for a record, nested as the type is.
void Parser::initValue(Type* t, const std::function<void()>& pushRef) {
    bool isArray = t->k == TK::SArray, isRecord = t->k == TK::Record;
    if ((isArray || isRecord) && accept(Key::LParen)) {
        int64_t index = t->lo;
        while (!is(Key::RParen)) {
            SourcePos ep = tok_.pos;
            int tmp = allocTemp();
            pushRef();
            Type* et;
            if (isArray) {
                if (index > t->hi) errorAt(ep, "Too many elements in the constant");
                emit(OP_PUSHI, 0, index++);
                emit(OP_INDEX, int32_t(t->lo), t->hi);
                et = t->elem;
            } else {
                std::string f = ident();
                auto field = std::find_if(t->fields.begin(), t->fields.end(), [&](const Field& x) { return x.name == f; });
                if (field == t->fields.end()) errorAt(ep, "Unknown record field identifier '" + f + "'");
                expect(Key::Colon);
                emit(OP_FIELD, int32_t(field - t->fields.begin()));
                et = field->type;
            }
            emit(OP_STOREL, tmp);
            initValue(et, [&] { emit(OP_LOADL, tmp); });
            freeTemp();
            if (!accept(isArray ? Key::Comma : Key::Semicolon)) break;
        }
        if (isArray && index <= t->hi) errorHere("Too few elements in the constant");
        expect(Key::RParen);
        return;
    }
    if (isValueType(t)) errorHere("Constant expected");
    pushRef();
    exprInRange(t, tok_.pos);
    emit(OP_STORER);
}

// A global's initial value, set by a chunk of code the main program runs first.
void Parser::initGlobal(Type* t, int slot) {
    beginInitChunk();
    initValue(t, [&] { emit(OP_ADDRG, slot); });
    endInitChunk();
}

void Parser::beginInitChunk() {
    ProcInfo pi;
    pi.name = "init";
    pi.entry = label();
    prog_->procs.push_back(pi);
    dbg_->procNames.push_back("init");
    initProcs_.push_back(int(prog_->procs.size()) - 1);
    fnStack_.push_back(std::make_unique<FuncCtx>());
    fn_ = fnStack_.back().get();
    fn_->proc = initProcs_.back();
    fn_->level = 1;
}

void Parser::endInitChunk() {
    emit(OP_RET);
    ProcInfo& pi = prog_->procs[size_t(fn_->proc)];
    pi.locals = fn_->maxLocals;
    pi.maxStack = fn_->maxDepth;
    fnStack_.pop_back();
    fn_ = fnStack_.back().get();
}

void Parser::typeSection() {
    while (tok_.isName()) {
        SourcePos p = tok_.pos;
        std::string orig = tok_.orig;
        std::string name = ident();
        expect(Key::Eq);
        Type* t = parseType(orig);
        Sym* s = declare(name, Sym::TypeSym, p);
        s->type = t;
        expect(Key::Semicolon);
    }
}

// a, b, c: the names with their positions, up to and with the colon.
std::vector<std::pair<std::string, SourcePos>> Parser::identList() {
    std::vector<std::pair<std::string, SourcePos>> names;
    do {
        SourcePos p = tok_.pos;
        names.emplace_back(ident(), p);
    } while (accept(Key::Comma));
    expect(Key::Colon);
    return names;
}

void Parser::varSection(bool global) {
    while (tok_.isName()) {
        auto names = identList();
        Type* t = parseType();
        for (auto& [n, p] : names) {
            Sym* s = declare(n, Sym::Var, p);
            s->type = t;
            s->global = global;
            s->level = fn_->level;
            s->slot = global ? prog_->globals++ : allocTemp();
            if (isValueType(t)) {
                (global ? globalInits_ : fn_->inits).emplace_back(s->slot, shapeOf(t));
            }
            if (t->k == TK::Class && global && inSystem_)
                prog_->hostVariables.push_back({n, s->slot});
        }
        if (is(Key::Eq)) {
            if (names.size() != 1 || !global) errorHere("Only one global variable can be initialized");
            nextTok();
            initGlobal(t, lookup(names[0].first)->slot);
        }
        expect(Key::Semicolon);
    }
}

int Parser::shapeOf(Type* t) {
    if (t->shape >= 0) return t->shape;
    Shape sh;
    if (t->k == TK::Record) {
        for (Field& f : t->fields) sh.slots.push_back(isValueType(f.type) ? shapeOf(f.type) : -1);
    } else {
        int e = isValueType(t->elem) ? shapeOf(t->elem) : -1;
        sh.slots.assign(size_t(t->hi - t->lo + 1), e);
    }
    prog_->shapes.push_back(std::move(sh));
    t->shape = int(prog_->shapes.size()) - 1;
    return t->shape;
}

Type* Parser::parseType(const std::string& name) {
    Nest nest(*this);
    SourcePos p = tok_.pos;
    if (accept(Key::LParen)) return enumType(name);
    if (accept(Key::Record)) return recordType(name);
    if (accept(Key::Class)) return classType(name);
    if (accept(Key::Set)) return setType(name);
    if (accept(Key::Array)) return arrayType(name);
    if (tok_.isName()) {
        Sym* s = lookup(tok_.text);
        if (s && s->kind == Sym::TypeSym) {
            nextTok();
            return s->type;
        }
        if (!s) errorHere("Unknown identifier '" + tok_.text + "'");
    }
    return subrangeType(name, p);
}

// '(' already read.
Type* Parser::enumType(const std::string& name) {
    Type* t = newType(TK::Enum, name);
    do {
        SourcePos ep = tok_.pos;
        std::string written = tok_.orig;
        std::string n = ident();
        Sym* s = declare(n, Sym::Const, ep);
        s->type = t;
        s->cv.i = int64_t(t->enumNames.size());
        t->enumNames.push_back(written);  // as written, for Writeln
        if (t->enumNames.size() > 256) errorAt(ep, "Too many enumeration values");
    } while (accept(Key::Comma));
    expect(Key::RParen);
    t->hi = int64_t(t->enumNames.size()) - 1;
    return t;
}

// 'set' already read.
Type* Parser::setType(const std::string& name) {
    expect(Key::Of);
    SourcePos bp = tok_.pos;
    Type* base = parseType();
    if (!isOrdinal(base)) errorAt(bp, "Ordinal type required");
    int64_t lo = base->lo, hi = base->hi;
    if (base->k == TK::Int && base->name.empty() == false && base->bits > 8) errorAt(bp, "Set base type out of range");
    if (lo < 0 || hi > 255) errorAt(bp, "Set base type out of range");
    Type* t = newType(TK::Set, name);
    t->elem = base;
    return t;
}

// 'array' already read.
Type* Parser::arrayType(const std::string& name) {
    if (!accept(Key::LBracket)) {
        expect(Key::Of);
        Type* t = newType(TK::DArray, name);
        t->elem = parseType();
        return t;
    }
    // array[a..b, c..d] of T is array[a..b] of array[c..d] of T.
    std::vector<std::pair<int64_t, int64_t>> ranges;
    SourcePos ip = tok_.pos;
    do {
        ip = tok_.pos;
        ranges.push_back(indexRange());
        if (ranges.size() > 255) errorAt(ip, "Too many dimensions");
    } while (accept(Key::Comma));
    expect(Key::RBracket);
    expect(Key::Of);
    Type* t = parseType();
    for (auto r = ranges.rbegin(); r != ranges.rend(); ++r) {
        Type* outer = newType(TK::SArray, r + 1 == ranges.rend() ? name : std::string());
        outer->lo = r->first;
        outer->hi = r->second;
        outer->elem = t;
        t = outer;
    }
    int64_t total = 1;
    for (Type* e = t; e->k == TK::SArray; e = e->elem) total *= (e->hi - e->lo + 1);
    if (total >= (int64_t(1) << 22)) errorAt(ip, "Array too large");
    return t;
}

// One index range of a static array: lo..hi or an ordinal type.
std::pair<int64_t, int64_t> Parser::indexRange() {
    SourcePos ip = tok_.pos;
    Sym* ts = tok_.kind == Tok::Ident ? lookup(tok_.text) : nullptr;
    int64_t l, h;
    if (ts && ts->kind == Sym::TypeSym && (peek().key == Key::RBracket || peek().key == Key::Comma)) {
        // An ordinal type as the index: array[Boolean], array[TColor].
        nextTok();
        Type* it = ts->type;
        bool subrange = it->k == TK::Int && (it->lo != 0 || it->hi != 0);
        if (!isOrdinal(it) || (it->k == TK::Int && !subrange)) errorAt(ip, "Index range expected");
        l = it->lo;
        h = it->hi;
    } else {
        Type* lt;
        CVal lo = constExpr(lt);
        expect(Key::DotDot);
        Type* ht;
        CVal hi = constExpr(ht);
        if (!isOrdinal(lt) || lt->k != ht->k) errorAt(ip, "Ordinal bounds expected");
        l = lo.i;
        h = hi.i;
    }
    if (h < l) errorAt(ip, "Upper bound is less than lower bound");
    if (h - l >= (int64_t(1) << 22)) errorAt(ip, "Array too large");
    return {l, h};
}

// A subrange of constants: lo..hi.
Type* Parser::subrangeType(const std::string& name, SourcePos p) {
    Type* lt;
    CVal lo = constExpr(lt);
    if (!accept(Key::DotDot)) errorAt(p, "Type expected");
    Type* ht;
    // Without relations: in `a: 1..4 = 2` the '=' starts the value.
    CVal hi = constExpr(ht, kAdditive);
    if (!isOrdinal(lt) || lt->k != ht->k || hi.i < lo.i) errorAt(p, "Invalid subrange");
    Type* t = lt->k == TK::Int ? intType(name, 64, true) : newType(lt->k, name);
    if (lt->k == TK::Int) {
        // Pick the storage width from the range.
        if (lo.i >= 0 && hi.i <= 255) { t->bits = 8; t->isSigned = false; }
        else if (lo.i >= -32768 && hi.i <= 32767) t->bits = 16;
        else if (lo.i >= INT32_MIN && hi.i <= INT32_MAX) t->bits = 32;
    }
    t->enumNames = lt->enumNames;
    t->lo = lo.i;
    t->hi = hi.i;
    return t;
}

Type* Parser::recordType(const std::string& name) {
    Type* t = newType(TK::Record, name);
    while (!is(Key::End)) {
        auto names = identList();
        Type* ft = parseType();
        for (auto& [n, p] : names) {
            for (Field& f : t->fields)
                if (f.name == n) errorAt(p, "Duplicate identifier '" + n + "'");
            t->fields.push_back({n, ft});
        }
        if (!accept(Key::Semicolon)) break;
    }
    expect(Key::End);
    return t;
}

// Host classes (methods and properties the host implements) and script exception classes.
Type* Parser::classType(const std::string& name) {
    Type* parent = nullptr;
    SourcePos pp = tok_.pos;
    if (accept(Key::LParen)) {
        std::string pn = ident();
        Sym* ps = find(pn, pp);
        if (ps->kind != Sym::TypeSym || (ps->type->k != TK::Class && ps->type->k != TK::Exc))
            errorAt(pp, "Class type expected");
        parent = ps->type;
        expect(Key::RParen);
    }
    if (parent && parent->k == TK::Exc) {
        Type* t = newType(TK::Exc, name);
        t->excClass = int(prog_->exceptionClasses.size());
        prog_->exceptionClasses.push_back(name);
        prog_->exceptionParents.push_back(parent->excClass);
        if (is(Key::End)) nextTok();
        return t;
    }
    if (!inSystem_) errorAt(pp, "Classes can only derive from Exception in scripts");
    Type* t = newType(TK::Class, name);
    t->parent = parent;
    while (!accept(Key::End)) {
        SourcePos mp = tok_.pos;
        std::string key;
        Member m = classMember(t, key, mp);
        if (t->members.count(key)) errorAt(mp, "Duplicate identifier '" + key + "'");
        t->members[key] = m;
        expect(Key::Semicolon);
    }
    return t;
}

// A property, method or constructor of a host class; each becomes imports named "Class.Member".
// Indexed properties take their index after the object: property Strings[Index: Integer]: string;
// a following `default;` makes obj[i] mean obj.Strings[i].
Member Parser::classMember(Type* cls, std::string& key, SourcePos& mp) {
    bool isProp = accept(Key::Property);
    bool isFunc = false;
    Member m;
    if (!isProp) {
        isFunc = is(Key::Function);
        m.isConstructor = tok_.kind == Tok::Ident && tok_.text == "constructor";
        if (!accept(Key::Procedure) && !accept(Key::Function) && !(m.isConstructor && (nextTok(), true)))
            errorHere("Member expected");
    }
    mp = tok_.pos;
    std::string full = cls->name + "." + tok_.orig;
    key = ident();
    if (isProp) {
        m.isProperty = true;
        if (accept(Key::LBracket)) {
            do {
                auto names = identList();
                Type* it = parseType();
                for (auto& n : names) m.sig.params.push_back({n.first, it, false, true});
            } while (accept(Key::Semicolon));
            expect(Key::RBracket);
        }
        expect(Key::Colon);
        m.type = parseType();
        bool readOnly = accept(Key::Readonly);
        if (resultKind(m.type) == Import::Result::Other) errorAt(mp, "Type not supported for host properties");
        std::vector<ParamKind> kinds = paramKinds(m.sig, true);
        m.getter = addImport(full, kinds, m.type);
        kinds.push_back(ParamKind::Value);
        if (!readOnly) m.setter = addImport(full + ":=", kinds, nullptr);
        if (is(Key::Semicolon) && peek().kind == Tok::Ident && peek().text == "default") {
            if (m.sig.params.empty()) errorAt(mp, "Only indexed properties can be the default");
            nextTok();
            nextTok();
            cls->defaultProperty = key;
        }
        return m;
    }
    m.sig = paramList();
    if (isFunc) {
        expect(Key::Colon);
        m.sig.result = parseType();
    }
    if (m.isConstructor) m.sig.result = cls;
    if (resultKind(m.sig.result) == Import::Result::Other) errorAt(mp, "Type not supported for host functions");
    m.getter = addImport(full, paramKinds(m.sig, !m.isConstructor), m.sig.result);
    return m;
}

int Parser::addImport(const std::string& name, std::vector<ParamKind> kinds, const Type* result) {
    Import im;
    im.name = lower(name);
    im.params = std::move(kinds);
    im.isFunction = result != nullptr;
    im.result = resultKind(result);
    prog_->imports.push_back(im);
    return int(prog_->imports.size()) - 1;
}

Signature Parser::paramList() {
    Signature sig;
    if (!accept(Key::LParen)) return sig;
    if (accept(Key::RParen)) return sig;
    do {
        bool isVar = accept(Key::Var) || accept(Key::Out);
        bool isConst = !isVar && accept(Key::Const);
        std::vector<std::string> names;
        do names.push_back(ident());
        while (accept(Key::Comma));
        expect(Key::Colon);
        SourcePos tp = tok_.pos;
        Type* t;
        if (accept(Key::Array)) {
            expect(Key::Of);
            Type* elem = parseType();
            t = newType(TK::DArray, "array of " + elem->display());
            t->elem = elem;
            t->isOpen = true;
        } else {
            t = parseType();
        }
        for (auto& n : names) sig.params.push_back({n, t, isVar, isConst});
        if (sig.params.size() > 64) errorAt(tp, "Too many parameters");
        SourcePos dp = tok_.pos;
        if (accept(Key::Eq)) {
            if (names.size() > 1 || isVar) errorAt(dp, "Default value can only be assigned to one value parameter");
            sig.params.back() = defaultValue(sig.params.back(), tok_.pos);
        } else if (sig.params.size() > names.size() && sig.params[sig.params.size() - names.size() - 1].hasDefault) {
            errorAt(tp, "Default parameter required for '" + names.front() + "'");
        }
    } while (accept(Key::Semicolon));
    expect(Key::RParen);
    return sig;
}

// `= constant` after a parameter: the value its calls may leave out.
Param Parser::defaultValue(Param pa, SourcePos p) {
    Type* t;
    CVal v = constExpr(t);
    if (!isScalar(pa.type) && pa.type->k != TK::String && pa.type->k != TK::Set)
        errorAt(p, "Default values are only supported for simple types");
    if (!assignable(t, pa.type)) errorAt(p, "Incompatible types: '" + pa.type->display() + "' and '" + t->display() + "'");
    if (pa.type->k == TK::Float && t->k == TK::Int) v.d = double(v.i);
    if (pa.type->k == TK::String && t->k == TK::Char) v.s = std::string(1, char(v.i));
    if (isOrdinal(pa.type)) checkConstRange(ordinalBounds(pa.type).first, ordinalBounds(pa.type).second, v.i, p);
    pa.hasDefault = true;
    pa.defaultValue = v;
    return pa;
}

static bool sameSig(const Signature& a, const Signature& b) {
    if (a.params.size() != b.params.size() || a.result != b.result) return false;
    for (size_t i = 0; i < a.params.size(); ++i)
        if (a.params[i].type != b.params[i].type || a.params[i].isVar != b.params[i].isVar) return false;
    return true;
}

static CType ctypeOf(const Type* t) {
    switch (t->k) {
    case TK::Int:
        if (t->bits == 8) return t->isSigned ? CType::Int8 : CType::UInt8;
        if (t->bits == 16) return t->isSigned ? CType::Int16 : CType::UInt16;
        if (t->bits == 32) return t->isSigned ? CType::Int32 : CType::UInt32;
        return CType::Int64;
    case TK::Bool: return CType::Bool;
    case TK::Char: return CType::UInt8;
    case TK::Enum: return CType::Int32;
    case TK::Float: return CType::Double;
    case TK::String: return CType::PChar;
    default: return CType::Void;
    }
}

void Parser::procDecl() {
    bool isFunc = is(Key::Function);
    nextTok();
    SourcePos p = tok_.pos;
    std::string orig = tok_.orig;
    std::string name = ident();
    Sym* old = scopes_.back().count(name) ? scopes_.back()[name] : nullptr;
    if (old && !(old->kind == Sym::Proc && !old->defined)) old = nullptr;
    // The body of a forward routine may leave out its parameters and result type.
    bool repeated = is(Key::LParen) || (isFunc && is(Key::Colon));
    Signature sig = paramList();
    if (isFunc && (repeated || !old)) {
        expect(Key::Colon);
        sig.result = parseType();
    }
    if (old && !repeated) sig = old->sig;
    expect(Key::Semicolon);
    // Calling conventions mean nothing here.
    while (isAny({Key::Stdcall, Key::Cdecl, Key::Register, Key::Pascal, Key::Safecall})) {
        nextTok();
        expect(Key::Semicolon);
    }
    if (old) {
        if (!sameSig(old->sig, sig)) errorAt(p, "Declaration of '" + orig + "' differs from previous declaration");
    } else if (inSystem_ && !is(Key::External)) {
        hostProc(name, sig, p);
        return;
    }
    if (is(Key::External)) {
        externalProc(name, sig, p);
        return;
    }
    Sym* s = old;
    if (!s) {
        s = declare(name, Sym::Proc, p);
        s->sig = sig;
        ProcInfo pi;
        pi.name = orig;
        pi.params = int(sig.params.size()) + (fn_->level >= 1 ? 1 : 0);
        pi.isFunction = isFunc;
        prog_->procs.push_back(pi);
        dbg_->procNames.push_back(orig);
        s->index = int(prog_->procs.size()) - 1;
        s->level = fn_->level;
    }
    if (accept(Key::Forward)) {
        expect(Key::Semicolon);
        return;
    }
    if (inSystem_) errorAt(p, "Procedure bodies are not allowed in host declarations");
    s->defined = true;
    body(s, false);
    expect(Key::Semicolon);
}

// A host function: its body lives in the host.
void Parser::hostProc(const std::string& name, const Signature& sig, SourcePos p) {
    if (resultKind(sig.result) == Import::Result::Other) errorAt(p, "Type not supported for host functions");
    Sym* s = declare(name, Sym::Host, p);
    s->sig = sig;
    s->index = addImport(name, paramKinds(sig, false), sig.result);
    s->joinsText = name == "writeln" && sig.params.size() == 1 && !sig.params[0].isVar && sig.params[0].type == tStr_;
    if (!importIds_.emplace(name, s->index).second) errorAt(p, "Duplicate identifier '" + name + "'");
}

// external 'symbol@library': a function of a shared library.
void Parser::externalProc(const std::string& name, const Signature& sig, SourcePos p) {
    if (!externalsAllowed_) errorHere("External functions are not allowed here");
    nextTok();
    SourcePos ep = tok_.pos;
    if (tok_.kind != Tok::Str) errorHere("String constant expected");
    std::string spec = tok_.text;
    nextTok();
    size_t at = spec.find('@');
    if (at == std::string::npos || at == 0 || at + 1 >= spec.size())
        errorAt(ep, "External declaration must read 'name@library'");
    External ex;
    ex.symbol = spec.substr(0, at);
    ex.library = spec.substr(at + 1);
    size_t blank = ex.library.find(' ');
    if (blank != std::string::npos) ex.library.resize(blank);  // calling convention word
    for (const Param& pa : sig.params) {
        CType ct = ctypeOf(pa.type);
        if (ct == CType::Void) errorAt(ep, "Parameter type not supported for external functions");
        if (pa.isVar && ct == CType::PChar) errorAt(ep, "var string parameters are not supported for external functions");
        ex.params.push_back(ct);
    }
    ex.kinds = paramKinds(sig, false);
    if (sig.result) {
        ex.result = ctypeOf(sig.result);
        if (ex.result == CType::Void) errorAt(ep, "Result type not supported for external functions");
    }
    while (isAny({Key::Stdcall, Key::Cdecl, Key::Register, Key::Pascal})) nextTok();
    expect(Key::Semicolon);
    prog_->externals.push_back(ex);
    Sym* s = declare(name, Sym::Ext, p);
    s->sig = sig;
    s->index = int(prog_->externals.size()) - 1;
}

void Parser::body(Sym* proc, bool isMain) {
    fnStack_.push_back(std::make_unique<FuncCtx>());
    FuncCtx* outer = fn_;
    fn_ = fnStack_.back().get();
    fn_->proc = proc->index;
    fn_->level = outer->level + 1;
    fn_->self = isMain ? nullptr : proc;
    scopes_.emplace_back();
    fn_->params = int(proc->sig.params.size());
    if (fn_->level >= 2) fn_->linkSlot = fn_->params++;
    for (size_t i = 0; i < proc->sig.params.size(); ++i) {
        const Param& pa = proc->sig.params[i];
        Sym* s = declare(pa.name, Sym::Var, proc->pos);
        s->type = pa.type;
        s->slot = int(i);
        s->byRef = pa.isVar;
        s->isConst = pa.isConst;
        s->level = fn_->level;
    }
    if (proc->sig.result) {
        fn_->resultType = proc->sig.result;
        fn_->resultSlot = allocTemp();
        Sym* r = declare("result", Sym::Var, proc->pos);
        r->type = proc->sig.result;
        r->slot = fn_->resultSlot;
        r->level = fn_->level;
        if (isValueType(proc->sig.result)) fn_->inits.emplace_back(fn_->resultSlot, shapeOf(proc->sig.result));
    }
    // Nested routines are compiled first, so the entry follows them.
    if (!isMain) declarations(false);
    prog_->procs[size_t(fn_->proc)].entry = label();
    at_ = tok_.pos;
    for (auto& [slot, shape] : fn_->inits) emit(OP_INITL, slot, shape);
    if (isMain) {
        for (auto& [slot, shape] : globalInits_) emit(OP_INITG, slot, shape);
        for (int ip : initProcs_) emit(OP_CALL, ip);
    }
    at_ = tok_.pos;
    expect(Key::Begin);
    statements(Key::End);
    at_ = tok_.pos;
    expect(Key::End);
    for (int e : fn_->exits) patch(e, label());
    emit(isMain ? OP_HALT : OP_RET);
    if (fn_->resultType && !fn_->resultSet && !isValueType(fn_->resultType))
        hint(proc->pos, Message::Kind::Warning, "Return value of function '" + prog_->procs[size_t(fn_->proc)].name + "' might be undefined");
    ProcInfo& pi = prog_->procs[size_t(fn_->proc)];
    pi.locals = fn_->maxLocals;
    pi.maxStack = fn_->maxDepth + 4;
    scopes_.pop_back();
    fnStack_.pop_back();
    fn_ = fnStack_.back().get();
}

} // namespace pascal
