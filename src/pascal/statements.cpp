#include "pascal/parser.h"

#include <algorithm>

namespace pascal {

void Parser::statements(Key end1, Key end2) {
    while (true) {
        if (is(end1) || (end2 != Key::None && is(end2))) return;
        statement();
        if (is(end1) || (end2 != Key::None && is(end2))) return;
        SourcePos semicolon = tok_.pos;
        if (!accept(Key::Semicolon)) errorHere("';' expected but " + describe(tok_) + " found");
        if (is(Key::Else)) errorAt(semicolon, "';' not allowed before 'ELSE'");
    }
}

void Parser::statement() {
    static constexpr std::pair<Key, void (Parser::*)()> kStatements[] = {
        {Key::Begin, &Parser::compoundStmt}, {Key::If, &Parser::ifStmt}, {Key::While, &Parser::whileStmt},
        {Key::Repeat, &Parser::repeatStmt}, {Key::For, &Parser::forStmt}, {Key::Case, &Parser::caseStmt},
        {Key::Try, &Parser::tryStmt}, {Key::Raise, &Parser::raiseStmt}};
    Nest nest(*this);
    at_ = tok_.pos;
    if (isAny({Key::Semicolon, Key::End, Key::Until, Key::Except, Key::Finally, Key::Else})) return;
    int depth = fn_->depth;
    emit(OP_LINE, tok_.pos.line);
    auto rule = std::find_if(std::begin(kStatements), std::end(kStatements), [&](const auto& r) { return is(r.first); });
    if (rule != std::end(kStatements)) {
        nextTok();
        (this->*rule->second)();
    } else if (is(Key::With)) {
        errorHere("'with' statements are not supported");
    } else if (tok_.isName()) {
        assignOrCall();
    } else {
        errorHere("Statement expected but " + describe(tok_) + " found");
    }
    if (fn_->depth != depth) errorAt(at_, "Internal error: unbalanced stack");
}

void Parser::compoundStmt() {
    statements(Key::End);
    expect(Key::End);
}

// The name at hand may not be changed while it controls a for loop.
void Parser::checkNotForVar(SourcePos p) {
    const Sym* s = lookup(tok_.text);
    if (s && std::find(forVars_.begin(), forVars_.end(), s) != forVars_.end())
        errorAt(p, "Illegal assignment to for-loop variable '" + tok_.orig + "'");
}

void Parser::assignOrCall() {
    SourcePos p = tok_.pos;
    // Assignment to a function's own name sets its result, from its nested routines too.
    if (peek().key == Key::Assign) {
        for (auto f = fnStack_.rbegin(); f != fnStack_.rend(); ++f) {
            FuncCtx& ctx = **f;
            if (ctx.self && ctx.resultType && ctx.self->name == tok_.text && lookup(tok_.text) == ctx.self) {
                assignResult(ctx);
                return;
            }
        }
    }
    if (peek().key == Key::Assign) checkNotForVar(p);
    Sym* s = lookup(tok_.text);
    if (s && s->kind == Sym::Var && !s->byRef && !s->isConst && s->type->k == TK::String && peek().key == Key::Assign &&
        (s->global || s->level == fn_->level)) {
        nextTok();
        nextTok();
        if (appendInPlace(s)) return;
        Place pl;
        pl.k = s->global ? PK::Global : PK::Local;
        pl.slot = s->slot;
        pl.type = s->type;
        exprTo(s->type, tok_.pos);
        storePlace(pl, p);
        return;
    }
    Place pl = designator(true);
    if (accept(Key::Assign)) {
        if (pl.k == PK::Value || pl.readOnly) errorAt(p, "Left side cannot be assigned to");
        SourcePos ep = tok_.pos;
        exprTo(pl.type, ep);
        at_ = p;
        storePlace(pl, p);
        return;
    }
    if (pl.k != PK::Value) errorHere("':=' expected but " + describe(tok_) + " found");
    if (pl.type && pl.type != tVoid_) emit(OP_POP);
}

// F := value, the name and ':=' not yet read.
void Parser::assignResult(FuncCtx& f) {
    SourcePos p = tok_.pos;
    nextTok();
    nextTok();
    Place pl;
    pl.type = f.resultType;
    if (&f == fn_) {
        pl.k = PK::Local;
        pl.slot = f.resultSlot;
    } else {
        frameOf(f.level);
        emit(OP_ADDRUP, f.resultSlot);
        pl.k = PK::Ref;
        f.resultSet = true;
    }
    exprTo(f.resultType, tok_.pos);
    storePlace(pl, p);
}

// s := s + a + b appends to s in place; ':=' already read.
bool Parser::appendInPlace(Sym* s) {
    if (!(tok_.kind == Tok::Ident && tok_.text == s->name && peek().key == Key::Plus)) return false;
    nextTok();
    if (!s->global && s->slot == fn_->resultSlot) fn_->resultSet = true;
    while (accept(Key::Plus)) {
        SourcePos tp = tok_.pos;
        Type* t = operand(kMultiplicative);
        if (!isStringLike(t)) errorAt(tp, "Incompatible types: 'string' and '" + t->display() + "'");
        if (t->k == TK::Char) emit(OP_C2S);
        at_ = tp;
        emit(s->global ? OP_APPENDG : OP_APPENDL, s->slot);
    }
    if (!isAny({Key::Semicolon, Key::End, Key::Else, Key::Until, Key::Except, Key::Finally}) && tok_.kind != Tok::Eof)
        errorHere("Incompatible types: 'string' and 'Boolean'");
    return true;
}

void Parser::ifStmt() {
    SourcePos p = tok_.pos;
    exprTo(tBool_, p);
    expect(Key::Then);
    int jf = emitJumpIfFalse();
    statement();
    if (accept(Key::Else)) {
        int j = emit(OP_JMP);
        patch(jf, label());
        statement();
        patch(j, label());
    } else {
        patch(jf, label());
    }
}

void Parser::whileStmt() {
    int top = label();
    exprTo(tBool_, tok_.pos);
    expect(Key::Do);
    int jf = emitJumpIfFalse();
    fn_->loops.push_back({{}, {}, fn_->tries.size()});
    statement();
    emit(OP_JMPB, top);
    patch(jf, label());
    closeLoop(top);
}

void Parser::repeatStmt() {
    int top = label();
    fn_->loops.push_back({{}, {}, fn_->tries.size()});
    statements(Key::Until);
    expect(Key::Until);
    int cond = label();
    at_ = tok_.pos;
    exprTo(tBool_, tok_.pos);
    int jt = emit(OP_JT);
    emit(OP_JMPB, top);
    patch(jt, label());
    closeLoop(cond);
}

void Parser::forStmt() {
    SourcePos p = tok_.pos;
    checkNotForVar(p);
    std::string name = ident();
    Sym* s = find(name, p);
    if (s->kind != Sym::Var || s->byRef || s->isConst || !isOrdinal(s->type)) errorAt(p, "Ordinal variable expected");
    if (!s->global && s->level != fn_->level) errorAt(p, "Access to local variables of an enclosing routine is not supported");
    Place pl;
    pl.k = s->global ? PK::Global : PK::Local;
    pl.slot = s->slot;
    pl.type = s->type;
    expect(Key::Assign);
    exprInRange(s->type, tok_.pos);
    storePlace(pl, p);
    bool down = false;
    if (accept(Key::Downto)) down = true;
    else expect(Key::To);
    int limit = allocTemp();
    exprInRange(s->type, tok_.pos);
    emit(OP_STOREL, limit);
    expect(Key::Do);
    at_ = p;
    loadPlace(pl);
    emit(OP_LOADL, limit);
    emit(down ? OP_LTI : OP_GTI);
    int skip = emit(OP_JT);
    int top = label();
    fn_->loops.push_back({{}, {}, fn_->tries.size()});
    forVars_.push_back(s);
    statement();
    forVars_.pop_back();
    int step = label();
    at_ = p;
    Op op = Op(OP_FORUPL + (s->global ? 2 : 0) + (down ? 1 : 0));
    emit(op, s->slot, (int64_t(limit) << 32) | uint32_t(top));
    patch(skip, label());
    closeLoop(step);
    freeTemp();
}

void Parser::caseStmt() {
    SourcePos p = tok_.pos;
    Type* t = expr();
    if (!isOrdinal(t) && t->k != TK::String) errorAt(p, "Ordinal or string expression expected");
    int sel = allocTemp();
    emit(OP_STOREL, sel);
    expect(Key::Of);
    std::vector<int> ends;
    bool isStr = t->k == TK::String;
    while (!is(Key::Else) && !is(Key::End)) {
        std::vector<int> hits;
        do {
            SourcePos lp = tok_.pos;
            Type* lt;
            CVal lo = constExpr(lt);
            auto check = [&](Type* ct) {
                bool ok = isStr ? isStringLike(ct) : (isOrdinal(ct) && (ct->k == t->k || (ct->k == TK::Int && t->k == TK::Int)));
                if (ok && t->k == TK::Enum && ct->k == TK::Enum && ct != t && ct->enumNames != t->enumNames) ok = false;
                if (!ok) errorAt(lp, "Incompatible types: '" + t->display() + "' and '" + ct->display() + "'");
            };
            check(lt);
            if (isStr && lt->k == TK::Char) lo.s = std::string(1, char(lo.i));
            emit(OP_LOADL, sel);
            if (accept(Key::DotDot)) {
                if (isStr) errorAt(lp, "Ranges are not allowed for string cases");
                Type* ht;
                CVal hi = constExpr(ht);
                check(ht);
                emit(OP_PUSHI, 0, lo.i);
                emit(OP_GEI);
                int jf = emit(OP_JF);
                emit(OP_LOADL, sel);
                emit(OP_PUSHI, 0, hi.i);
                emit(OP_LEI);
                hits.push_back(emit(OP_JT));
                patch(jf, label());
            } else {
                if (isStr) {
                    emit(OP_PUSHS, internString(lo.s));
                    emit(OP_EQS);
                } else {
                    emit(OP_PUSHI, 0, lo.i);
                    emit(OP_EQI);
                }
                hits.push_back(emit(OP_JT));
            }
        } while (accept(Key::Comma));
        expect(Key::Colon);
        int skip = emit(OP_JMP);
        for (int h : hits) patch(h, label());
        statement();
        ends.push_back(emit(OP_JMP));
        patch(skip, label());
        if (!accept(Key::Semicolon)) break;
    }
    if (accept(Key::Else)) {
        statements(Key::End);
    }
    expect(Key::End);
    for (int e : ends) patch(e, label());
    freeTemp();
}

void Parser::tryStmt() {
    int tryAt = emit(OP_TRY);
    fn_->tries.push_back({TryCtx::Body, {}});
    size_t idx = fn_->tries.size() - 1;
    statements(Key::Except, Key::Finally);
    if (accept(Key::Finally)) {
        emit(OP_POPTRY);
        int jsr = emit(OP_JSR);
        int jend = emit(OP_JMP);
        patch(tryAt, label());
        int jsr2 = emit(OP_JSR);
        emit(OP_RERAISE);
        int fin = label();
        adjust(+1);  // the return address
        std::vector<int> jsrs = fn_->tries[idx].jsrs;
        fn_->tries[idx].kind = TryCtx::FinallyBlock;
        statements(Key::End);
        expect(Key::End);
        emit(OP_RETSUB);
        adjust(-1);
        patch(jsr, fin);
        patch(jsr2, fin);
        for (int j : jsrs) patch(j, fin);
        patch(jend, label());
        fn_->tries.pop_back();
        return;
    }
    expect(Key::Except);
    // Exits from the body had room left for a finally call; there is none.
    for (int j : fn_->tries[idx].jsrs) prog_->code[size_t(j)].op = OP_NOP;
    fn_->tries[idx].jsrs.clear();
    emit(OP_POPTRY);
    int jend = emit(OP_JMP);
    patch(tryAt, label());
    fn_->tries[idx].kind = TryCtx::Handler;
    std::vector<int> ends;
    if (is(Key::On)) {
        while (accept(Key::On)) {
            SourcePos p = tok_.pos;
            std::string n = ident();
            std::string varName;
            if (accept(Key::Colon)) {
                varName = n;
                p = tok_.pos;
                n = ident();
            }
            Sym* ts = find(n, p);
            if (ts->kind != Sym::TypeSym || ts->type->k != TK::Exc) errorAt(p, "Exception class expected");
            expect(Key::Do);
            emit(OP_EXCIS, ts->type->excClass);
            int jf = emit(OP_JF);
            scopes_.emplace_back();
            int slot = -1;
            if (!varName.empty()) {
                slot = allocTemp();
                emit(OP_GETEXC);
                emit(OP_STOREL, slot);
                Sym* v = declare(varName, Sym::Var, p);
                v->type = ts->type;
                v->slot = slot;
                v->level = fn_->level;
            }
            statement();
            scopes_.pop_back();
            if (slot >= 0) {
                emit(OP_PUSHNIL);
                emit(OP_STOREL, slot);
                freeTemp();
            }
            emit(OP_ENDEXCEPT);
            ends.push_back(emit(OP_JMP));
            patch(jf, label());
            accept(Key::Semicolon);
        }
        if (accept(Key::Else)) {
            statements(Key::End);
            emit(OP_ENDEXCEPT);
        } else {
            emit(OP_RERAISE);
        }
    } else {
        statements(Key::End);
        emit(OP_ENDEXCEPT);
    }
    expect(Key::End);
    for (int e : ends) patch(e, label());
    patch(jend, label());
    fn_->tries.pop_back();
}

void Parser::raiseStmt() {
    if (isAny({Key::Semicolon, Key::End, Key::Else, Key::Until})) {
        emit(OP_RERAISE);
        return;
    }
    SourcePos p = tok_.pos;
    Type* t = expr();
    if (t->k != TK::Exc) errorAt(p, "Exception object expected");
    at_ = p;
    emit(OP_RAISE);
}

// Patches the loop's breaks to here and its continues to `continueTarget`.
void Parser::closeLoop(int continueTarget) {
    int end = label();
    for (int b : fn_->loops.back().breaks) patch(b, end);
    for (int c : fn_->loops.back().continues) patch(c, continueTarget);
    fn_->loops.pop_back();
}

// Leaves the enclosing try blocks down to `tryDepth`, running finally blocks on the way.
void Parser::jumpOut(int tryDepth) {
    for (int i = int(fn_->tries.size()) - 1; i >= tryDepth; --i) {
        TryCtx& t = fn_->tries[size_t(i)];
        if (t.kind == TryCtx::Handler) {
            emit(OP_ENDEXCEPT);
        } else if (t.kind == TryCtx::Body) {
            emit(OP_POPTRY);
            t.jsrs.push_back(emit(OP_JSR));
        } else {
            errorAt(at_, "Cannot leave a finally block with exit, break or continue");
        }
    }
}

} // namespace pascal
