#include "pascal/builtins.h"
#include "pascal/engine.h"
#include "pascal/lexer.h"
#include "pascal/types.h"

#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <unordered_map>

namespace pascal {

std::string Message::format() const {
    static const char* const kinds[] = {"Error", "Warning", "Hint"};
    return std::string("[") + kinds[int(kind)] + "] " + file + "(" + std::to_string(line) + ":" +
           std::to_string(col) + "): " + text;
}

// What the script sees before its own declarations.
static const char* const kSystemDeclarations = R"(
type
  TReplaceFlag = (rfReplaceAll, rfIgnoreCase);
  TReplaceFlags = set of TReplaceFlag;
  TDateTime = Double;
)";

namespace {

constexpr int kMaxNesting = 200;
constexpr int kMaxStack = 4096;

struct CVal {
    int64_t i = 0;
    double d = 0;
    std::string s;
    std::bitset<256> set;
};

struct Sym {
    enum Kind { Const, TypeSym, Var, Proc, Builtin, Special, Host, Ext } kind = Var;
    Type* type = nullptr;
    CVal cv;
    bool global = false;
    bool byRef = false;
    bool isConst = false;  // const parameters
    int slot = 0;
    int level = 0;
    int index = 0;          // proc, builtin, import or external index
    Signature sig;
    bool defined = false;
    SourcePos pos;
    std::string name;
};

enum class PK { Value, Local, Global, LocalRef, Ref, StrChar, Prop };

struct Place {
    PK k = PK::Value;
    Type* type = nullptr;
    int slot = 0;
    int setter = -1;
    bool readOnly = false;
};

struct TryCtx {
    // While the body is parsed it is not yet known whether a finally block follows.
    enum Kind { Body, Handler, FinallyBlock } kind;
    std::vector<int> jsrs;  // finally calls on the way out, patched once the block is known
};

struct LoopCtx {
    std::vector<int> breaks;
    std::vector<int> continues;
    size_t tryDepth;
};

struct FuncCtx {
    int proc = 0;
    int level = 0;
    int params = 0;
    int locals = 0;
    int maxLocals = 0;
    int depth = 0;
    int maxDepth = 0;
    Sym* self = nullptr;
    int resultSlot = -1;
    Type* resultType = nullptr;
    std::vector<TryCtx> tries;
    std::vector<LoopCtx> loops;
    std::vector<int> exits;
    std::vector<std::pair<int, int>> inits;  // local records and static arrays: slot, shape
    bool resultSet = false;
    int linkSlot = -1;  // nested routines: the enclosing routine's frame
};

struct Special {
    const char* name;
    int id;
};
enum SpecialId { S_LENGTH, S_SETLENGTH, S_HIGH, S_LOW, S_INC, S_DEC, S_ORD, S_CHR, S_SUCC, S_PRED,
                 S_ABS, S_SQR, S_INCLUDE, S_EXCLUDE, S_DELETE, S_INSERT, S_FORMAT, S_EXIT, S_BREAK,
                 S_CONTINUE, S_RANDOM, S_ASSIGNED, S_ODD, S_HALT };
const Special kSpecials[] = {
    {"length", S_LENGTH}, {"setlength", S_SETLENGTH}, {"high", S_HIGH}, {"low", S_LOW},
    {"inc", S_INC}, {"dec", S_DEC}, {"ord", S_ORD}, {"chr", S_CHR}, {"succ", S_SUCC},
    {"pred", S_PRED}, {"abs", S_ABS}, {"sqr", S_SQR}, {"include", S_INCLUDE},
    {"exclude", S_EXCLUDE}, {"delete", S_DELETE}, {"insert", S_INSERT}, {"format", S_FORMAT},
    {"exit", S_EXIT}, {"break", S_BREAK}, {"continue", S_CONTINUE}, {"random", S_RANDOM},
    {"assigned", S_ASSIGNED}, {"odd", S_ODD}, {"halt", S_HALT}};

static Import::Result resultKind(const Type* t) {
    if (!t) return Import::Result::None;
    if (isScalar(t)) return Import::Result::Number;
    if (t->k == TK::String) return Import::Result::String;
    if (t->k == TK::Class) return Import::Result::Object;
    return Import::Result::Other;
}

class Parser {
public:
    Parser(std::vector<Message>& msgs, const IncludeResolver& resolver, std::set<std::string> defines, bool externals)
        : msgs_(msgs), resolver_(resolver), defines_(std::move(defines)), externalsAllowed_(externals) {}
    bool run(const std::vector<std::string>& decls, const std::string& text, const std::string& file,
             std::shared_ptr<const Program>& prog, std::shared_ptr<const DebugInfo>& dbg);

private:
    // ---- tokens
    void startLexer(const std::string& text, const std::string& file) {
        lex_ = std::make_unique<Lexer>(dbg_->files, msgs_, resolver_, defines_);
        lex_->push(text, file);
        tok_ = lex_->next();
        peekValid_ = false;
    }
    const Token& peek() {
        if (!peekValid_) {
            peek_ = lex_->next();
            peekValid_ = true;
        }
        return peek_;
    }
    void nextTok() {
        prevPos_ = tok_.pos;
        if (peekValid_) {
            tok_ = std::move(peek_);
            peekValid_ = false;
        } else {
            tok_ = lex_->next();
        }
    }
    bool is(const char* s) const { return tok_.is(s); }
    bool accept(const char* s) {
        if (!is(s)) return false;
        nextTok();
        return true;
    }
    void expect(const char* s) {
        if (!accept(s)) errorHere(std::string("'") + s + "' expected but " + describe(tok_) + " found");
    }
    std::string describe(const Token& t) const {
        switch (t.kind) {
        case Tok::Eof: return "end of file";
        case Tok::Ident: return "'" + t.orig + "'";
        case Tok::Str: return "string constant";
        case Tok::Int:
        case Tok::Float: return "number";
        default: return "'" + t.text + "'";
        }
    }
    bool isKeyword(const std::string& s) const {
        static const std::set<std::string> kw = {
            "and", "array", "begin", "case", "class", "const", "div", "do", "downto", "else", "end",
            "except", "finally", "for", "function", "if", "in", "mod", "nil", "not", "of", "or",
            "procedure", "program", "property", "raise", "record", "repeat", "set", "shl", "shr",
            "then", "to", "try", "type", "until", "uses", "var", "while", "with", "xor", "on", "out"};
        return kw.count(s) > 0;
    }
    std::string ident() {
        if (tok_.kind != Tok::Ident || (isKeyword(tok_.text) && tok_.text != "on" && tok_.text != "out"))
            errorHere("Identifier expected but " + describe(tok_) + " found");
        std::string s = tok_.text;
        nextTok();
        return s;
    }
    [[noreturn]] void errorAt(SourcePos p, const std::string& text) {
        Message m;
        m.text = text;
        m.file = dbg_->files[size_t(p.file)];
        m.line = p.line;
        m.col = p.col;
        msgs_.push_back(std::move(m));
        throw CompileAbort{};
    }
    [[noreturn]] void errorHere(const std::string& text) { errorAt(tok_.pos, text); }
    void hint(SourcePos p, Message::Kind kind, const std::string& text) {
        if (inSystem_) return;
        Message m;
        m.kind = kind;
        m.text = text;
        m.file = dbg_->files[size_t(p.file)];
        m.line = p.line;
        m.col = p.col;
        msgs_.push_back(std::move(m));
    }

    // ---- scopes
    Sym* lookup(const std::string& name) {
        for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it) {
            auto f = it->find(name);
            if (f != it->end()) return f->second;
        }
        return nullptr;
    }
    Sym* find(const std::string& name, SourcePos p) {
        Sym* s = lookup(name);
        if (!s) errorAt(p, "Unknown identifier '" + name + "'");
        return s;
    }
    Sym* declare(const std::string& name, Sym::Kind kind, SourcePos p) {
        auto& scope = scopes_.back();
        if (scope.count(name)) {
            Sym* old = scope[name];
            if (!(old->kind == Sym::Proc && !old->defined && kind == Sym::Proc))
                errorAt(p, "Duplicate identifier '" + name + "'");
        }
        syms_.emplace_back();
        Sym* s = &syms_.back();
        s->kind = kind;
        s->pos = p;
        s->name = name;
        scope[name] = s;
        return s;
    }
    Type* newType(TK k, const std::string& name) {
        types_.emplace_back();
        Type* t = &types_.back();
        t->k = k;
        t->name = name;
        return t;
    }
    Type* intType(const std::string& name, int bits, bool sign) {
        Type* t = newType(TK::Int, name);
        t->bits = bits;
        t->isSigned = sign;
        return t;
    }

    // ---- code
    int emit(Op op, int32_t a = 0, int64_t b = 0) {
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
    void adjust(int effect) {
        FuncCtx& f = *fn_;
        f.depth += effect;
        if (f.depth > f.maxDepth) f.maxDepth = f.depth;
        if (f.depth > kMaxStack) errorAt(at_, "Expression too complex");
    }
    int here() const { return int(prog_->code.size()); }
    // A jump target here: nothing before it may be folded into what follows.
    int label() {
        labelAt_ = here();
        lastConst_ = -1;
        return labelAt_;
    }
    // Two scalar loads in a row become one instruction.
    void loadScalar(bool global, int slot) {
        if (labelAt_ != here() && !prog_->code.empty()) {
            Instr& last = prog_->code.back();
            if (last.op == OP_LOADLN || last.op == OP_LOADGN) {
                bool firstGlobal = last.op == OP_LOADGN;
                int first = last.a;
                dropCode(1);
                Op op = firstGlobal ? (global ? OP_LOAD2GG : OP_LOAD2GL) : (global ? OP_LOAD2LG : OP_LOAD2LL);
                emit(op, first, slot);
                return;
            }
        }
        emit(global ? OP_LOADGN : OP_LOADLN, slot);
    }
    // JF, fused with a preceding integer comparison.
    int emitJumpIfFalse() {
        if (labelAt_ != here() && !prog_->code.empty()) {
            Instr& last = prog_->code.back();
            if (last.op >= OP_EQI && last.op <= OP_GEI) {
                int64_t b = last.b;
                Op fused = Op(OP_JFEQ + (last.op - OP_EQI));
                dropCode(1);
                return emit(fused, 0, b);
            }
            if (last.op >= OP_EQIK && last.op <= OP_GEIK) {
                int64_t b = last.b;
                Op fused = Op(OP_JFEQK + (last.op - OP_EQIK));
                dropCode(1);
                return emit(fused, 0, b);
            }
        }
        return emit(OP_JF);
    }
    void patch(int at, int target) { prog_->code[size_t(at)].a = target; }
    void emitConst(Type* t, const CVal& v) {
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
    int internString(const std::string& s) {
        auto f = stringIds_.find(s);
        if (f != stringIds_.end()) return f->second;
        prog_->strings.push_back(s);
        int id = int(prog_->strings.size()) - 1;
        stringIds_[s] = id;
        return id;
    }
    // The last two instructions are constant pushes that can be folded.
    bool twoConsts(int leftAt) const { return leftAt >= 0 && leftAt == here() - 2 && lastConst_ == here() - 1; }
    void dropCode(int n) {
        for (int i = 0; i < n; ++i) {
            adjust(-opStackEffect[prog_->code.back().op]);
            prog_->code.pop_back();
            dbg_->positions.pop_back();
        }
    }
    CVal constAt(int at) const {
        CVal v;
        const Instr& in = prog_->code[size_t(at)];
        v.i = in.b;
        std::memcpy(&v.d, &in.b, sizeof v.d);
        if (in.op == OP_PUSHS) v.s = prog_->strings[size_t(in.a)];
        if (in.op == OP_PUSHSET) v.set = prog_->sets[size_t(in.a)];
        return v;
    }

    int allocTemp() {
        int s = fn_->locals++;
        if (fn_->locals > fn_->maxLocals) fn_->maxLocals = fn_->locals;
        return fn_->params + s;
    }
    void freeTemp() { --fn_->locals; }

    // ---- declarations
    void program();
    void declarations(bool global);
    void constSection(bool global);
    void typeSection();
    void varSection(bool global);
    Type* parseType(const std::string& name = {});
    Type* recordType(const std::string& name);
    Type* classType(const std::string& name);
    int shapeOf(Type* t);
    void procDecl();
    Signature paramList();
    void body(Sym* proc, bool isMain);
    CVal constExpr(Type*& t);
    void initVar(Type* t, bool global, int slot);
    void beginInitChunk();
    void endInitChunk();

    // ---- statements
    void statement();
    void statements(const char* end1, const char* end2 = nullptr);
    void assignOrCall();
    void ifStmt();
    void whileStmt();
    void repeatStmt();
    void forStmt();
    void caseStmt();
    void tryStmt();
    void raiseStmt();
    void jumpOut(int loopTarget);

    // ---- expressions
    Type* expr();
    Type* simpleExpr();
    Type* term();
    Type* factor();
    Type* exprTo(Type* want, SourcePos p);
    void coerce(Type* from, Type* to, SourcePos p);
    bool assignable(Type* from, Type* to) const;
    Type* binary(const std::string& op, Type* l, Type* r, int leftAt, SourcePos p);
    Type* compare(const std::string& op, Type* l, Type* r, int leftAt, SourcePos p);
    Type* setConstructor(Type* want);
    Place designator(bool lvalue);
    Place selectors(Place pl, bool lvalue);
    void loadPlace(const Place& pl);
    void storePlace(const Place& pl, SourcePos p);
    void addressOf(const Place& pl, SourcePos p);
    Type* callProc(Sym* s, SourcePos p);
    void frameOf(int level);
    void args(const Signature& sig, SourcePos p, bool parens);
    Type* callSpecial(int id, SourcePos p);
    Type* callSimple(int id, SourcePos p);
    Type* hostMember(Type* cls, const std::string& name, SourcePos p, Place& pl, bool lvalue);
    Type* typeCast(Type* target, SourcePos p);
    Type* sigType(char c);
    void narrowTo(Type* from, Type* to);
    Type* findClassMember(Type* cls, const std::string& name, Member*& m);

    std::vector<Message>& msgs_;
    const IncludeResolver& resolver_;
    std::set<std::string> defines_;
    bool externalsAllowed_;
    std::unique_ptr<Lexer> lex_;
    Token tok_, peek_;
    bool peekValid_ = false;
    SourcePos prevPos_, at_;
    std::shared_ptr<Program> prog_;
    std::shared_ptr<DebugInfo> dbg_;
    std::deque<Sym> syms_;
    std::deque<Type> types_;
    std::vector<std::unordered_map<std::string, Sym*>> scopes_;
    std::unordered_map<std::string, int> stringIds_;
    std::unordered_map<std::string, int> importIds_;
    std::vector<std::unique_ptr<FuncCtx>> fnStack_;
    FuncCtx* fn_ = nullptr;
    int lastConst_ = -1;
    int labelAt_ = -1;
    CVal constVal_;
    int nesting_ = 0;
    bool inSystem_ = false;
    std::vector<int> initProcs_;
    std::vector<std::pair<int, int>> globalInits_;  // slot, shape
    Type *tInt_ = nullptr, *tInt64_ = nullptr, *tByte_ = nullptr, *tWord_ = nullptr, *tCard_ = nullptr;
    Type *tBool_ = nullptr, *tChar_ = nullptr, *tFloat_ = nullptr, *tStr_ = nullptr, *tNil_ = nullptr;
    Type *tVoid_ = nullptr, *tExc_ = nullptr, *tFlags_ = nullptr;
    std::vector<Type*> excTypes_;

    struct Nest {
        Parser& p;
        explicit Nest(Parser& pp) : p(pp) {
            if (++p.nesting_ > kMaxNesting) p.errorHere("Nesting too deep");
        }
        ~Nest() { --p.nesting_; }
    };
};

// ============================================================ setup

bool Parser::run(const std::vector<std::string>& decls, const std::string& text, const std::string& file,
                 std::shared_ptr<const Program>& progOut, std::shared_ptr<const DebugInfo>& dbgOut) {
    prog_ = std::make_shared<Program>();
    dbg_ = std::make_shared<DebugInfo>();
    scopes_.emplace_back();
    fnStack_.push_back(std::make_unique<FuncCtx>());
    fn_ = fnStack_.back().get();
    try {
        tInt_ = intType("Integer", 32, true);
        tInt64_ = intType("Int64", 64, true);
        tByte_ = intType("Byte", 8, false);
        tWord_ = intType("Word", 16, false);
        tCard_ = intType("Cardinal", 32, false);
        tBool_ = newType(TK::Bool, "Boolean");
        tBool_->hi = 1;
        tChar_ = newType(TK::Char, "Char");
        tChar_->hi = 255;
        tFloat_ = newType(TK::Float, "Double");
        tStr_ = newType(TK::String, "string");
        tNil_ = newType(TK::Nil, "nil");
        tVoid_ = newType(TK::Void, "untyped");
        std::pair<const char*, Type*> named[] = {
            {"integer", tInt_}, {"longint", tInt_}, {"int64", tInt64_}, {"byte", tByte_},
            {"word", tWord_}, {"cardinal", tCard_}, {"longword", tCard_}, {"dword", tCard_},
            {"shortint", intType("ShortInt", 8, true)}, {"smallint", intType("SmallInt", 16, true)},
            {"boolean", tBool_}, {"char", tChar_}, {"ansichar", tChar_}, {"double", tFloat_},
            {"extended", tFloat_}, {"real", tFloat_}, {"single", tFloat_}, {"string", tStr_},
            {"ansistring", tStr_}};
        for (auto& [n, t] : named) declare(n, Sym::TypeSym, {})->type = t;
        auto boolConst = [&](const char* n, int v) {
            Sym* s = declare(n, Sym::Const, {});
            s->type = tBool_;
            s->cv.i = v;
        };
        boolConst("true", 1);
        boolConst("false", 0);
        std::pair<const char*, double> floats[] = {{"nan", std::numeric_limits<double>::quiet_NaN()},
                                                   {"infinity", HUGE_VAL}, {"neginfinity", -HUGE_VAL},
                                                   {"pi", M_PI}};
        for (auto& [n, v] : floats) {
            Sym* s = declare(n, Sym::Const, {});
            s->type = tFloat_;
            s->cv.d = v;
        }
        Sym* nil = declare("nil", Sym::Const, {});
        nil->type = tNil_;
        for (const Special& sp : kSpecials) declare(sp.name, Sym::Special, {})->index = sp.id;
        for (int i = 0; i < B_COUNT; ++i)
            if (const char* name = builtinSignatures[i].name) declare(name, Sym::Builtin, {})->index = i;
        const char* excNames[EC_COUNT] = {"Exception", "EConvertError", "ERangeError", "EDivByZero",
                                          "EOutOfMemory", "EStackOverflow", "EInvalidOp", "EExternal"};
        for (int i = 0; i < EC_COUNT; ++i) {
            Type* t = newType(TK::Exc, excNames[i]);
            t->excClass = i;
            excTypes_.push_back(t);
            prog_->exceptionClasses.push_back(excNames[i]);
            prog_->exceptionParents.push_back(i == 0 ? -1 : 0);
            declare(lower(excNames[i]), Sym::TypeSym, {})->type = t;
        }
        tExc_ = excTypes_[0];

        // The system declarations are compiled with the prelude's own rules.
        inSystem_ = true;
        startLexer(kSystemDeclarations, "system");
        declarations(true);
        tFlags_ = lookup("treplaceflags")->type;
        for (size_t i = 0; i < decls.size(); ++i) {
            startLexer(decls[i], "declarations" + (i ? std::to_string(i + 1) : std::string()));
            declarations(true);
            if (tok_.kind != Tok::Eof) errorHere("Declaration expected but " + describe(tok_) + " found");
        }
        inSystem_ = false;
        startLexer(text, file);
        program();
    } catch (const CompileAbort&) {
        return false;
    }
    progOut = prog_;
    dbgOut = dbg_;
    return true;
}

// ============================================================ declarations

void Parser::program() {
    if (accept("program")) {
        ident();
        if (accept("(")) {
            do ident();
            while (accept(","));
            expect(")");
        }
        expect(";");
    }
    if (accept("uses")) {
        do {
            SourcePos p = tok_.pos;
            std::string written = tok_.orig;
            if (ident() != "system") errorAt(p, "Unknown identifier '" + written + "'");
        } while (accept(","));
        expect(";");
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
    if (!is("begin")) errorHere("'BEGIN' expected but " + describe(tok_) + " found");
    body(&mainSym, true);
    expect(".");
}

void Parser::declarations(bool global) {
    while (true) {
        if (accept("const")) constSection(global);
        else if (accept("type")) typeSection();
        else if (accept("var")) varSection(global);
        else if (is("procedure") || is("function")) procDecl();
        else break;
    }
}

CVal Parser::constExpr(Type*& t) {
    int start = here();
    int depthBefore = fn_->depth;
    SourcePos p = tok_.pos;
    t = expr();
    if (lastConst_ != start || here() != start + 1) errorAt(p, "Constant expression expected");
    CVal v = constAt(start);
    dropCode(1);
    fn_->depth = depthBefore;
    return v;
}

void Parser::constSection(bool global) {
    while (tok_.kind == Tok::Ident && !isKeyword(tok_.text)) {
        SourcePos p = tok_.pos;
        std::string name = ident();
        if (accept(":")) {
            // A typed constant is an initialised variable.
            Type* t = parseType();
            expect("=");
            Sym* s = declare(name, Sym::Var, p);
            s->type = t;
            s->global = global;
            s->level = fn_->level;
            if (global) {
                s->slot = prog_->globals++;
                if (isValueType(t)) globalInits_.emplace_back(s->slot, shapeOf(t));
                beginInitChunk();
                initVar(t, true, s->slot);
                endInitChunk();
            } else {
                errorAt(p, "Typed constants are only allowed at global level");
            }
            expect(";");
            continue;
        }
        expect("=");
        Type* t;
        CVal v = constExpr(t);
        Sym* s = declare(name, Sym::Const, p);
        s->type = t;
        s->cv = v;
        expect(";");
    }
}

// Emits code that sets a variable from a constant initialiser: a value or (a, b, c).
void Parser::initVar(Type* t, bool global, int slot) {
    if (t->k == TK::SArray && is("(")) {
        nextTok();
        for (int64_t i = t->lo; i <= t->hi; ++i) {
            emit(global ? OP_ADDRG : OP_ADDRL, slot);
            emit(OP_PUSHI, 0, i);
            emit(OP_INDEX, int32_t(t->lo), t->hi);
            int tmp = allocTemp();
            emit(OP_STOREL, tmp);
            at_ = tok_.pos;
            Place pl;
            pl.k = PK::LocalRef;
            pl.slot = tmp;
            pl.type = t->elem;
            if (isValueType(t->elem)) errorHere("Nested constant arrays are not supported");
            exprTo(t->elem, tok_.pos);
            storePlace(pl, tok_.pos);
            freeTemp();
            if (i < t->hi) expect(",");
        }
        expect(")");
        return;
    }
    if (isValueType(t)) errorHere("Constant expected");
    exprTo(t, tok_.pos);
    emit(global ? OP_STOREG : OP_STOREL, slot);
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
    while (tok_.kind == Tok::Ident && !isKeyword(tok_.text)) {
        SourcePos p = tok_.pos;
        std::string orig = tok_.orig;
        std::string name = ident();
        expect("=");
        Type* t = parseType(orig);
        Sym* s = declare(name, Sym::TypeSym, p);
        s->type = t;
        expect(";");
    }
}

void Parser::varSection(bool global) {
    while (tok_.kind == Tok::Ident && !isKeyword(tok_.text)) {
        std::vector<std::pair<std::string, SourcePos>> names;
        do {
            SourcePos p = tok_.pos;
            names.emplace_back(ident(), p);
        } while (accept(","));
        expect(":");
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
        if (is("=")) {
            if (names.size() != 1 || !global) errorHere("Only one global variable can be initialized");
            nextTok();
            Sym* s = lookup(names[0].first);
            beginInitChunk();
            initVar(t, true, s->slot);
            endInitChunk();
        }
        expect(";");
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
    if (accept("(")) {
        Type* t = newType(TK::Enum, name);
        do {
            SourcePos ep = tok_.pos;
            std::string n = ident();
            Sym* s = declare(n, Sym::Const, ep);
            s->type = t;
            s->cv.i = int64_t(t->enumNames.size());
            t->enumNames.push_back(n);
            if (t->enumNames.size() > 256) errorAt(ep, "Too many enumeration values");
        } while (accept(","));
        expect(")");
        t->hi = int64_t(t->enumNames.size()) - 1;
        return t;
    }
    if (accept("record")) return recordType(name);
    if (accept("class")) return classType(name);
    if (accept("set")) {
        expect("of");
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
    if (accept("array")) {
        if (accept("[")) {
            // array[a..b, c..d] of T is array[a..b] of array[c..d] of T.
            std::vector<std::pair<int64_t, int64_t>> ranges;
            SourcePos ip = tok_.pos;
            do {
                ip = tok_.pos;
                Sym* ts = tok_.kind == Tok::Ident ? lookup(tok_.text) : nullptr;
                int64_t l, h;
                if (ts && ts->kind == Sym::TypeSym && (peek().is("]") || peek().is(","))) {
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
                    expect("..");
                    Type* ht;
                    CVal hi = constExpr(ht);
                    if (!isOrdinal(lt) || lt->k != ht->k) errorAt(ip, "Ordinal bounds expected");
                    l = lo.i;
                    h = hi.i;
                }
                if (h < l) errorAt(ip, "Upper bound is less than lower bound");
                if (h - l >= (int64_t(1) << 22)) errorAt(ip, "Array too large");
                ranges.emplace_back(l, h);
                if (ranges.size() > 8) errorAt(ip, "Too many dimensions");
            } while (accept(","));
            expect("]");
            expect("of");
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
        expect("of");
        Type* t = newType(TK::DArray, name);
        t->elem = parseType();
        return t;
    }
    if (tok_.kind == Tok::Ident && !isKeyword(tok_.text)) {
        Sym* s = lookup(tok_.text);
        if (s && s->kind == Sym::TypeSym) {
            nextTok();
            return s->type;
        }
        if (!s) errorHere("Unknown identifier '" + tok_.text + "'");
    }
    // Subrange of constants: lo..hi
    Type* lt;
    CVal lo = constExpr(lt);
    if (!accept("..")) errorAt(p, "Type expected");
    Type* ht;
    CVal hi = constExpr(ht);
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
    while (!is("end")) {
        std::vector<std::pair<std::string, SourcePos>> names;
        do {
            SourcePos p = tok_.pos;
            names.emplace_back(ident(), p);
        } while (accept(","));
        expect(":");
        Type* ft = parseType();
        for (auto& [n, p] : names) {
            for (Field& f : t->fields)
                if (f.name == n) errorAt(p, "Duplicate identifier '" + n + "'");
            t->fields.push_back({n, ft});
        }
        if (!accept(";")) break;
    }
    expect("end");
    return t;
}

// Host classes (methods and properties the host implements) and script exception classes.
Type* Parser::classType(const std::string& name) {
    Type* parent = nullptr;
    SourcePos pp = tok_.pos;
    if (accept("(")) {
        std::string pn = ident();
        Sym* ps = find(pn, pp);
        if (ps->kind != Sym::TypeSym || (ps->type->k != TK::Class && ps->type->k != TK::Exc))
            errorAt(pp, "Class type expected");
        parent = ps->type;
        expect(")");
    }
    if (parent && parent->k == TK::Exc) {
        Type* t = newType(TK::Exc, name);
        t->excClass = int(prog_->exceptionClasses.size());
        prog_->exceptionClasses.push_back(name);
        prog_->exceptionParents.push_back(parent->excClass);
        if (is("end")) nextTok();
        return t;
    }
    if (!inSystem_) errorAt(pp, "Classes can only derive from Exception in scripts");
    Type* t = newType(TK::Class, name);
    t->parent = parent;
    while (!accept("end")) {
        bool isProp = accept("property");
        bool isFunc = false;
        if (!isProp) {
            isFunc = is("function");
            if (!accept("procedure") && !accept("function")) errorHere("Member expected");
        }
        SourcePos mp = tok_.pos;
        std::string mname = tok_.orig;
        std::string key = ident();
        Member m;
        std::string full = name + "." + mname;
        auto importOf = [&](const std::string& n, std::vector<ParamKind> kinds, bool func) {
            Import im;
            im.name = lower(n);
            im.params = std::move(kinds);
            im.isFunction = func;
            prog_->imports.push_back(im);
            return int(prog_->imports.size()) - 1;
        };
        if (isProp) {
            m.isProperty = true;
            expect(":");
            m.type = parseType();
            bool readOnly = accept("readonly");
            if (resultKind(m.type) == Import::Result::Other) errorAt(mp, "Type not supported for host properties");
            m.getter = importOf(full, {ParamKind::Value}, true);
            prog_->imports[size_t(m.getter)].result = resultKind(m.type);
            if (!readOnly) m.setter = importOf(full + ":=", {ParamKind::Value, ParamKind::Value}, false);
        } else {
            m.sig = paramList();
            if (isFunc) {
                expect(":");
                m.sig.result = parseType();
            }
            std::vector<ParamKind> kinds{ParamKind::Value};
            for (Param& pa : m.sig.params) kinds.push_back(pa.isVar ? ParamKind::Var : ParamKind::Value);
            if (resultKind(m.sig.result) == Import::Result::Other) errorAt(mp, "Type not supported for host functions");
            m.getter = importOf(full, kinds, isFunc);
            prog_->imports[size_t(m.getter)].result = resultKind(m.sig.result);
        }
        if (t->members.count(key)) errorAt(mp, "Duplicate identifier '" + key + "'");
        t->members[key] = m;
        expect(";");
    }
    return t;
}

Signature Parser::paramList() {
    Signature sig;
    if (!accept("(")) return sig;
    if (accept(")")) return sig;
    do {
        bool isVar = accept("var") || accept("out");
        bool isConst = !isVar && accept("const");
        std::vector<std::string> names;
        do names.push_back(ident());
        while (accept(","));
        expect(":");
        SourcePos tp = tok_.pos;
        Type* t;
        if (accept("array")) {
            errorAt(tp, "Open array parameters are not supported; declare a named array type");
        }
        t = parseType();
        for (auto& n : names) sig.params.push_back({n, t, isVar, isConst});
        if (sig.params.size() > 64) errorAt(tp, "Too many parameters");
    } while (accept(";"));
    expect(")");
    return sig;
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
    bool isFunc = is("function");
    nextTok();
    SourcePos p = tok_.pos;
    std::string orig = tok_.orig;
    std::string name = ident();
    Signature sig = paramList();
    if (isFunc) {
        expect(":");
        sig.result = parseType();
    }
    expect(";");
    // Calling conventions mean nothing here.
    while (is("stdcall") || is("cdecl") || is("register") || is("pascal") || is("safecall")) {
        nextTok();
        expect(";");
    }
    Sym* old = scopes_.back().count(name) ? scopes_.back()[name] : nullptr;
    if (old && old->kind == Sym::Proc && !old->defined) {
        if (!sameSig(old->sig, sig)) errorAt(p, "Declaration of '" + orig + "' differs from previous declaration");
    } else if (inSystem_ && !is("external")) {
        // A host function: its body lives in the host.
        if (resultKind(sig.result) == Import::Result::Other) errorAt(p, "Type not supported for host functions");
        Sym* s = declare(name, Sym::Host, p);
        s->sig = sig;
        Import im;
        im.name = name;
        for (Param& pa : sig.params) im.params.push_back(pa.isVar ? ParamKind::Var : ParamKind::Value);
        im.isFunction = isFunc;
        im.result = resultKind(sig.result);
        prog_->imports.push_back(im);
        s->index = int(prog_->imports.size()) - 1;
        if (!importIds_.emplace(name, s->index).second) errorAt(p, "Duplicate identifier '" + name + "'");
        return;
    } else {
        old = nullptr;
    }
    if (is("external")) {
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
        for (Param& pa : sig.params) {
            CType ct = ctypeOf(pa.type);
            if (ct == CType::Void) errorAt(ep, "Parameter type not supported for external functions");
            if (pa.isVar && ct == CType::PChar) errorAt(ep, "var string parameters are not supported for external functions");
            ex.params.push_back(ct);
            ex.kinds.push_back(pa.isVar ? ParamKind::Var : ParamKind::Value);
        }
        if (sig.result) {
            ex.result = ctypeOf(sig.result);
            if (ex.result == CType::Void) errorAt(ep, "Result type not supported for external functions");
        }
        while (tok_.kind == Tok::Ident && (is("stdcall") || is("cdecl") || is("register") || is("pascal")))
            nextTok();
        expect(";");
        prog_->externals.push_back(ex);
        Sym* s = declare(name, Sym::Ext, p);
        s->sig = sig;
        s->index = int(prog_->externals.size()) - 1;
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
    if (accept("forward")) {
        expect(";");
        return;
    }
    if (inSystem_) errorAt(p, "Procedure bodies are not allowed in host declarations");
    s->defined = true;
    body(s, false);
    expect(";");
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
    expect("begin");
    statements("end");
    at_ = tok_.pos;
    expect("end");
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

// ============================================================ statements

void Parser::statements(const char* end1, const char* end2) {
    while (true) {
        if (is(end1) || (end2 && is(end2))) return;
        statement();
        if (is(end1) || (end2 && is(end2))) return;
        SourcePos semicolon = tok_.pos;
        if (!accept(";")) errorHere("';' expected but " + describe(tok_) + " found");
        if (is("else")) errorAt(semicolon, "';' not allowed before 'ELSE'");
    }
}

void Parser::statement() {
    Nest nest(*this);
    at_ = tok_.pos;
    if (is(";") || is("end") || is("until") || is("except") || is("finally") || is("else")) return;
    int depth = fn_->depth;
    emit(OP_LINE, tok_.pos.line);
    if (accept("begin")) {
        statements("end");
        expect("end");
    } else if (accept("if")) ifStmt();
    else if (accept("while")) whileStmt();
    else if (accept("repeat")) repeatStmt();
    else if (accept("for")) forStmt();
    else if (accept("case")) caseStmt();
    else if (accept("try")) tryStmt();
    else if (accept("raise")) raiseStmt();
    else if (is("with")) errorHere("'with' statements are not supported");
    else if (tok_.kind == Tok::Ident && !isKeyword(tok_.text)) assignOrCall();
    else errorHere("Statement expected but " + describe(tok_) + " found");
    if (fn_->depth != depth) errorAt(at_, "Internal error: unbalanced stack");
}

void Parser::assignOrCall() {
    SourcePos p = tok_.pos;
    // Assignment to the function's own name sets its result.
    if (fn_->self && tok_.text == fn_->self->name && peek().is(":=")) {
        nextTok();
        nextTok();
        exprTo(fn_->resultType, tok_.pos);
        Place pl;
        pl.k = PK::Local;
        pl.slot = fn_->resultSlot;
        pl.type = fn_->resultType;
        storePlace(pl, prevPos_);
        return;
    }
    Sym* s = lookup(tok_.text);
    if (s && s->kind == Sym::Var && !s->byRef && !s->isConst && s->type->k == TK::String && peek().is(":=") &&
        (s->global || s->level == fn_->level)) {
        // s := s + a + b appends in place.
        nextTok();
        nextTok();
        if (tok_.kind == Tok::Ident && tok_.text == s->name && peek().is("+")) {
            nextTok();
            if (!s->global && s->slot == fn_->resultSlot) fn_->resultSet = true;
            while (accept("+")) {
                SourcePos tp = tok_.pos;
                Type* t = term();
                if (!isStringLike(t)) errorAt(tp, "Incompatible types: 'string' and '" + t->display() + "'");
                if (t->k == TK::Char) emit(OP_C2S);
                at_ = tp;
                emit(s->global ? OP_APPENDG : OP_APPENDL, s->slot);
            }
            if (!is(";") && !is("end") && !is("else") && !is("until") && !is("except") && !is("finally") &&
                tok_.kind != Tok::Eof)
                errorHere("Incompatible types: 'string' and 'Boolean'");
            return;
        }
        Place pl;
        pl.k = s->global ? PK::Global : PK::Local;
        pl.slot = s->slot;
        pl.type = s->type;
        exprTo(s->type, tok_.pos);
        storePlace(pl, p);
        return;
    }
    Place pl = designator(true);
    if (accept(":=")) {
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

void Parser::ifStmt() {
    SourcePos p = tok_.pos;
    exprTo(tBool_, p);
    expect("then");
    int jf = emitJumpIfFalse();
    statement();
    if (accept("else")) {
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
    expect("do");
    int jf = emitJumpIfFalse();
    fn_->loops.push_back({{}, {}, fn_->tries.size()});
    statement();
    emit(OP_JMPB, top);
    patch(jf, label());
    for (int b : fn_->loops.back().breaks) patch(b, label());
    for (int c : fn_->loops.back().continues) patch(c, top);
    fn_->loops.pop_back();
}

void Parser::repeatStmt() {
    int top = label();
    fn_->loops.push_back({{}, {}, fn_->tries.size()});
    statements("until");
    expect("until");
    int cond = label();
    at_ = tok_.pos;
    exprTo(tBool_, tok_.pos);
    int jt = emit(OP_JT);
    emit(OP_JMPB, top);
    patch(jt, label());
    for (int b : fn_->loops.back().breaks) patch(b, label());
    for (int c : fn_->loops.back().continues) patch(c, cond);
    fn_->loops.pop_back();
}

void Parser::forStmt() {
    SourcePos p = tok_.pos;
    std::string name = ident();
    Sym* s = find(name, p);
    if (s->kind != Sym::Var || s->byRef || s->isConst || !isOrdinal(s->type)) errorAt(p, "Ordinal variable expected");
    if (!s->global && s->level != fn_->level) errorAt(p, "Access to local variables of an enclosing routine is not supported");
    Place pl;
    pl.k = s->global ? PK::Global : PK::Local;
    pl.slot = s->slot;
    pl.type = s->type;
    expect(":=");
    exprTo(s->type, tok_.pos);
    storePlace(pl, p);
    bool down = false;
    if (accept("downto")) down = true;
    else expect("to");
    int limit = allocTemp();
    exprTo(s->type, tok_.pos);
    emit(OP_STOREL, limit);
    expect("do");
    at_ = p;
    loadPlace(pl);
    emit(OP_LOADL, limit);
    emit(down ? OP_LTI : OP_GTI);
    int skip = emit(OP_JT);
    int top = label();
    fn_->loops.push_back({{}, {}, fn_->tries.size()});
    statement();
    int step = label();
    at_ = p;
    Op op = s->global ? (down ? OP_FORDNG : OP_FORUPG) : (down ? OP_FORDNL : OP_FORUPL);
    emit(op, s->slot, (int64_t(limit) << 32) | uint32_t(top));
    patch(skip, label());
    for (int b : fn_->loops.back().breaks) patch(b, label());
    for (int c : fn_->loops.back().continues) patch(c, step);
    fn_->loops.pop_back();
    freeTemp();
}

void Parser::caseStmt() {
    SourcePos p = tok_.pos;
    Type* t = expr();
    if (!isOrdinal(t) && t->k != TK::String) errorAt(p, "Ordinal or string expression expected");
    int sel = allocTemp();
    emit(OP_STOREL, sel);
    expect("of");
    std::vector<int> ends;
    bool isStr = t->k == TK::String;
    while (!is("else") && !is("end")) {
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
            if (accept("..")) {
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
        } while (accept(","));
        expect(":");
        int skip = emit(OP_JMP);
        for (int h : hits) patch(h, label());
        statement();
        ends.push_back(emit(OP_JMP));
        patch(skip, label());
        if (!accept(";")) break;
    }
    if (accept("else")) {
        statements("end");
    }
    expect("end");
    for (int e : ends) patch(e, label());
    freeTemp();
}

void Parser::tryStmt() {
    int tryAt = emit(OP_TRY);
    fn_->tries.push_back({TryCtx::Body, {}});
    size_t idx = fn_->tries.size() - 1;
    statements("except", "finally");
    if (accept("finally")) {
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
        statements("end");
        expect("end");
        emit(OP_RETSUB);
        adjust(-1);
        patch(jsr, fin);
        patch(jsr2, fin);
        for (int j : jsrs) patch(j, fin);
        patch(jend, label());
        fn_->tries.pop_back();
        return;
    }
    expect("except");
    // Exits from the body had room left for a finally call; there is none.
    for (int j : fn_->tries[idx].jsrs) prog_->code[size_t(j)].op = OP_NOP;
    fn_->tries[idx].jsrs.clear();
    emit(OP_POPTRY);
    int jend = emit(OP_JMP);
    patch(tryAt, label());
    fn_->tries[idx].kind = TryCtx::Handler;
    std::vector<int> ends;
    if (is("on")) {
        while (accept("on")) {
            SourcePos p = tok_.pos;
            std::string n = ident();
            std::string varName;
            if (accept(":")) {
                varName = n;
                p = tok_.pos;
                n = ident();
            }
            Sym* ts = find(n, p);
            if (ts->kind != Sym::TypeSym || ts->type->k != TK::Exc) errorAt(p, "Exception class expected");
            expect("do");
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
            accept(";");
        }
        if (accept("else")) {
            statements("end");
            emit(OP_ENDEXCEPT);
        } else {
            emit(OP_RERAISE);
        }
    } else {
        statements("end");
        emit(OP_ENDEXCEPT);
    }
    expect("end");
    for (int e : ends) patch(e, label());
    patch(jend, label());
    fn_->tries.pop_back();
}

void Parser::raiseStmt() {
    if (is(";") || is("end") || is("else") || is("until")) {
        emit(OP_RERAISE);
        return;
    }
    SourcePos p = tok_.pos;
    Type* t = expr();
    if (t->k != TK::Exc) errorAt(p, "Exception object expected");
    at_ = p;
    emit(OP_RAISE);
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

// ============================================================ expressions

Type* Parser::exprTo(Type* want, SourcePos p) {
    Type* t = expr();
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
    case TK::DArray: return from->k == TK::Nil || (from->k == TK::DArray && from->elem == to->elem);
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

void Parser::narrowTo(Type* from, Type* to) {
    if (to->k != TK::Int || from->k != TK::Int) return;
    bool fits = from->bits < to->bits ? (to->isSigned || !from->isSigned)
                                      : (from->bits == to->bits && from->isSigned == to->isSigned);
    if (to->bits == 64) fits = true;
    if (fits) return;
    int kind = to->bits == 8 ? (to->isSigned ? 1 : 2) : to->bits == 16 ? (to->isSigned ? 3 : 4) : (to->isSigned ? 5 : 6);
    if (lastConst_ == here() - 1 && lastConst_ >= 0) {
        // Fold constants right away.
        Instr& in = prog_->code.back();
        int64_t v = in.b;
        switch (kind) {
        case 1: v = int8_t(v); break;
        case 2: v = uint8_t(v); break;
        case 3: v = int16_t(v); break;
        case 4: v = uint16_t(v); break;
        case 5: v = int32_t(v); break;
        default: v = uint32_t(v); break;
        }
        in.b = v;
        constVal_.i = v;
        return;
    }
    emit(OP_NARROW, kind);
}

void Parser::coerce(Type* from, Type* to, SourcePos p) {
    if (!assignable(from, to))
        errorAt(p, "Incompatible types: '" + to->display() + "' and '" + from->display() + "'");
    bool wasConst = lastConst_ == here() - 1 && lastConst_ >= 0;
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
        narrowTo(from, to);
    }
}

Type* Parser::expr() {
    Nest nest(*this);
    int leftAt = here();
    Type* l = simpleExpr();
    if (lastConst_ != here() - 1) leftAt = -1;
    else leftAt = here() - 1;
    static const char* const rel[] = {"=", "<>", "<", "<=", ">", ">=", "in"};
    for (const char* op : rel) {
        if (is(op)) {
            SourcePos p = tok_.pos;
            nextTok();
            Type* r = simpleExpr();
            return compare(op, l, r, leftAt, p);
        }
    }
    return l;
}

Type* Parser::simpleExpr() {
    int leftAt = -1;
    Type* l = term();
    if (lastConst_ == here() - 1) leftAt = here() - 1;
    while (is("+") || is("-") || is("or") || is("xor")) {
        std::string op = tok_.text;
        SourcePos p = tok_.pos;
        nextTok();
        if (op == "or" && l->k == TK::Bool) {
            int j = emit(OP_JTK);
            Type* r = term();
            if (r->k != TK::Bool) errorAt(p, "Incompatible types: 'Boolean' and '" + r->display() + "'");
            patch(j, label());
            leftAt = -1;
            continue;
        }
        Type* r = term();
        l = binary(op, l, r, leftAt, p);
        leftAt = lastConst_ == here() - 1 ? here() - 1 : -1;
    }
    return l;
}

Type* Parser::term() {
    int leftAt = -1;
    Type* l = factor();
    if (lastConst_ == here() - 1) leftAt = here() - 1;
    while (is("*") || is("/") || is("div") || is("mod") || is("and") || is("shl") || is("shr")) {
        std::string op = tok_.text;
        SourcePos p = tok_.pos;
        nextTok();
        if (op == "and" && l->k == TK::Bool) {
            int j = emit(OP_JFK);
            Type* r = factor();
            if (r->k != TK::Bool) errorAt(p, "Incompatible types: 'Boolean' and '" + r->display() + "'");
            patch(j, label());
            leftAt = -1;
            continue;
        }
        Type* r = factor();
        l = binary(op, l, r, leftAt, p);
        leftAt = lastConst_ == here() - 1 ? here() - 1 : -1;
    }
    return l;
}

// Emits a binary operator, folding two constants.
Type* Parser::binary(const std::string& op, Type* l, Type* r, int leftAt, SourcePos p) {
    at_ = p;
    bool fold = twoConsts(leftAt);
    auto mismatch = [&]() -> Type* {
        if (l->k == r->k) errorAt(p, "Operator not applicable to this operand type");
        errorAt(p, "Incompatible types: '" + l->display() + "' and '" + r->display() + "'");
    };
    if (l->k == TK::Set || r->k == TK::Set) {
        if (l->k != TK::Set || r->k != TK::Set || !(op == "+" || op == "-" || op == "*")) mismatch();
        if (fold) {
            CVal a = constAt(leftAt), b = constAt(here() - 1);
            dropCode(2);
            a.set = op == "+" ? (a.set | b.set) : op == "-" ? (a.set & ~b.set) : (a.set & b.set);
            emitConst(l->elem ? l : r, a);
            return l->elem ? l : r;
        }
        emit(op == "+" ? OP_SETUNION : op == "-" ? OP_SETDIFF : OP_SETINTER);
        return l->elem ? l : r;
    }
    if (op == "+" && isStringLike(l) && isStringLike(r)) {
        if (fold) {
            CVal a = constAt(leftAt), b = constAt(here() - 1);
            std::string s = (l->k == TK::Char ? std::string(1, char(a.i)) : a.s) +
                            (r->k == TK::Char ? std::string(1, char(b.i)) : b.s);
            dropCode(2);
            CVal v;
            v.s = s;
            emitConst(tStr_, v);
            return tStr_;
        }
        if (l->k == TK::Char) emit(OP_C2S2);
        if (r->k == TK::Char) emit(OP_C2S);
        emit(OP_CONCAT);
        return tStr_;
    }
    if (op == "and" || op == "or" || op == "xor" || op == "shl" || op == "shr") {
        bool boolOp = l->k == TK::Bool && r->k == TK::Bool && op == "xor";
        if (!boolOp && (l->k != TK::Int || r->k != TK::Int)) mismatch();
        Type* rt = boolOp ? tBool_ : (isWide(l) || isWide(r) ? tInt64_ : tInt_);
        if (op == "shl" || op == "shr") rt = isWide(l) ? tInt64_ : tInt_;
        if (fold) {
            CVal a = constAt(leftAt), b = constAt(here() - 1);
            dropCode(2);
            int64_t v = op == "and" ? (a.i & b.i) : op == "or" ? (a.i | b.i) : op == "xor" ? (a.i ^ b.i)
                      : (b.i < 0 || b.i > 63) ? 0
                      : op == "shl" ? int64_t(uint64_t(a.i) << b.i)
                      : int64_t((rt == tInt_ ? uint64_t(uint32_t(a.i)) : uint64_t(a.i)) >> b.i);
            if (rt == tInt_) v = int32_t(v);
            CVal c;
            c.i = v;
            emitConst(rt, c);
            return rt;
        }
        Op o = op == "and" ? OP_AND : op == "or" ? OP_OR : op == "xor" ? OP_XOR : op == "shl" ? OP_SHL : OP_SHR;
        emit(o, rt == tInt_ ? 32 : 64);
        return rt;
    }
    if (!isNumeric(l) || !isNumeric(r)) mismatch();
    if (op == "div" || op == "mod") {
        if (l->k != TK::Int || r->k != TK::Int) mismatch();
        Type* rt = isWide(l) || isWide(r) ? tInt64_ : tInt_;
        if (fold) {
            CVal a = constAt(leftAt), b = constAt(here() - 1);
            if (b.i == 0) errorAt(p, "Division by zero");
            dropCode(2);
            CVal c;
            c.i = (b.i == -1) ? (op == "div" ? int64_t(0 - uint64_t(a.i)) : 0) : op == "div" ? a.i / b.i : a.i % b.i;
            emitConst(rt, c);
            return rt;
        }
        if (lastConst_ == here() - 1 && lastConst_ >= 0 && prog_->code.back().b != 0 && prog_->code.back().b != -1) {
            int64_t k = prog_->code.back().b;
            dropCode(1);
            emit(op == "div" ? OP_DIVLK : OP_MODLK, 0, k);
            return rt;
        }
        emit(op == "div" ? OP_DIVL : OP_MODL);
        return rt;
    }
    if (l->k == TK::Float || r->k == TK::Float || op == "/") {
        if (fold) {
            CVal a = constAt(leftAt), b = constAt(here() - 1);
            double x = l->k == TK::Float ? a.d : double(a.i);
            double y = r->k == TK::Float ? b.d : double(b.i);
            if (op == "/" && y == 0) errorAt(p, "Division by zero");
            dropCode(2);
            CVal c;
            c.d = op == "+" ? x + y : op == "-" ? x - y : op == "*" ? x * y : x / y;
            emitConst(tFloat_, c);
            return tFloat_;
        }
        if (l->k == TK::Int) emit(OP_I2F2);
        if (r->k == TK::Int) emit(OP_I2F);
        emit(op == "+" ? OP_ADDF : op == "-" ? OP_SUBF : op == "*" ? OP_MULF : OP_DIVF);
        return tFloat_;
    }
    bool wide = isWide(l) || isWide(r);
    Type* rt = wide ? tInt64_ : tInt_;
    if (fold) {
        CVal a = constAt(leftAt), b = constAt(here() - 1);
        dropCode(2);
        uint64_t x = uint64_t(a.i), y = uint64_t(b.i);
        uint64_t v = op == "+" ? x + y : op == "-" ? x - y : x * y;
        CVal c;
        c.i = wide ? int64_t(v) : int64_t(int32_t(uint32_t(v)));
        emitConst(rt, c);
        return rt;
    }
    if (!wide && (op == "+" || op == "-" || op == "*") && lastConst_ == here() - 1 && lastConst_ >= 0) {
        int64_t k = prog_->code.back().b;
        if (k > INT32_MIN && k <= INT32_MAX) {
            dropCode(1);
            if (op == "*") emit(OP_MULIK, 0, k);
            else emit(OP_ADDIK, 0, op == "+" ? k : -k);
            return rt;
        }
    }
    if (wide) emit(op == "+" ? OP_ADDL : op == "-" ? OP_SUBL : OP_MULL);
    else emit(op == "+" ? OP_ADDI : op == "-" ? OP_SUBI : OP_MULI);
    return rt;
}

Type* Parser::compare(const std::string& op, Type* l, Type* r, int leftAt, SourcePos p) {
    at_ = p;
    auto mismatch = [&]() -> Type* {
        errorAt(p, "Incompatible types: '" + l->display() + "' and '" + r->display() + "'");
    };
    int rightAt = lastConst_ == here() - 1 ? here() - 1 : -1;
    bool fold = twoConsts(leftAt) && rightAt >= 0;
    if (op == "in") {
        if (r->k != TK::Set || !isOrdinal(l)) mismatch();
        if (fold) {
            CVal a = constAt(leftAt), b = constAt(rightAt);
            dropCode(2);
            CVal c;
            c.i = a.i >= 0 && a.i < 256 && b.set.test(size_t(a.i));
            emitConst(tBool_, c);
            return tBool_;
        }
        emit(OP_IN);
        return tBool_;
    }
    static const char* const ops[] = {"=", "<>", "<", "<=", ">", ">="};
    int idx = 0;
    while (op != ops[idx]) ++idx;
    if (l->k == TK::Set || r->k == TK::Set) {
        if (l->k != TK::Set || r->k != TK::Set || idx == 2 || idx == 4) mismatch();
        Op o = idx == 0 ? OP_SETEQ : idx == 1 ? OP_SETNE : idx == 3 ? OP_SETLE : OP_SETGE;
        emit(o);
        return tBool_;
    }
    if ((l->k == TK::String && isStringLike(r)) || (r->k == TK::String && isStringLike(l))) {
        if (fold) {
            CVal a = constAt(leftAt), b = constAt(rightAt);
            std::string x = l->k == TK::Char ? std::string(1, char(a.i)) : a.s;
            std::string y = r->k == TK::Char ? std::string(1, char(b.i)) : b.s;
            dropCode(2);
            int c = x.compare(y);
            CVal v;
            v.i = idx == 0 ? c == 0 : idx == 1 ? c != 0 : idx == 2 ? c < 0 : idx == 3 ? c <= 0 : idx == 4 ? c > 0 : c >= 0;
            emitConst(tBool_, v);
            return tBool_;
        }
        if (l->k == TK::Char) emit(OP_C2S2);
        if (r->k == TK::Char) emit(OP_C2S);
        emit(Op(OP_EQS + idx));
        return tBool_;
    }
    if (isNumeric(l) && isNumeric(r) && (l->k == TK::Float || r->k == TK::Float)) {
        if (fold) {
            CVal a = constAt(leftAt), b = constAt(rightAt);
            double x = l->k == TK::Float ? a.d : double(a.i);
            double y = r->k == TK::Float ? b.d : double(b.i);
            dropCode(2);
            CVal v;
            v.i = idx == 0 ? x == y : idx == 1 ? x != y : idx == 2 ? x < y : idx == 3 ? x <= y : idx == 4 ? x > y : x >= y;
            emitConst(tBool_, v);
            return tBool_;
        }
        if (l->k == TK::Int) emit(OP_I2F2);
        if (r->k == TK::Int) emit(OP_I2F);
        emit(Op(OP_EQF + idx));
        return tBool_;
    }
    bool ok = (l->k == TK::Int && r->k == TK::Int) || (isOrdinal(l) && l->k == r->k && l->k != TK::Int &&
                                                      (l->k != TK::Enum || l->enumNames == r->enumNames)) ||
              ((l->k == TK::Class || l->k == TK::Nil || l->k == TK::Exc || l->k == TK::DArray) &&
               (r->k == TK::Nil || r == l) && idx < 2);
    if (!ok) mismatch();
    if (fold) {
        CVal a = constAt(leftAt), b = constAt(rightAt);
        dropCode(2);
        int64_t x = a.i, y = b.i;
        CVal v;
        v.i = idx == 0 ? x == y : idx == 1 ? x != y : idx == 2 ? x < y : idx == 3 ? x <= y : idx == 4 ? x > y : x >= y;
        emitConst(tBool_, v);
        return tBool_;
    }
    if (l->k == TK::Class || l->k == TK::Nil || l->k == TK::Exc || l->k == TK::DArray) {
        emit(OP_EQR);
        if (idx == 1) emit(OP_NOTB);
        return tBool_;
    }
    if (rightAt >= 0 && prog_->code.back().op == OP_PUSHI && idx <= 5) {
        int64_t k = prog_->code.back().b;
        dropCode(1);
        emit(Op(OP_EQIK + idx), 0, k);
        return tBool_;
    }
    emit(Op(OP_EQI + idx));
    return tBool_;
}

Type* Parser::setConstructor(Type* want) {
    // '[' already consumed.
    Type* elemType = want && want->k == TK::Set ? want->elem : nullptr;
    CVal acc;
    int start = here();
    std::vector<std::pair<CVal, CVal>> consts;
    emitConst(newType(TK::Set, ""), acc);
    Type* et = elemType;
    while (!is("]")) {
        SourcePos p = tok_.pos;
        Type* t = expr();
        bool c1 = lastConst_ == here() - 1;
        if (!isOrdinal(t)) errorAt(p, "Ordinal type required");
        if (!et) et = t;
        if (et->k != t->k) errorAt(p, "Incompatible types: '" + et->display() + "' and '" + t->display() + "'");
        if (accept("..")) {
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
        if (!accept(",")) break;
    }
    expect("]");
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
    if (accept("(")) {
        Type* t = expr();
        expect(")");
        return t;
    }
    if (accept("[")) return setConstructor(nullptr);
    if (accept("not")) {
        Type* t = factor();
        bool c = lastConst_ == here() - 1 && lastConst_ >= 0;
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
    if (accept("-")) {
        Type* t = factor();
        bool c = lastConst_ == here() - 1 && lastConst_ >= 0;
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
    if (accept("+")) return factor();
    if (accept("@")) errorAt(p, "Pointers are not supported");
    if (tok_.kind == Tok::Ident && !isKeyword(tok_.text)) {
        Place pl = designator(false);
        if (pl.k != PK::Value) loadPlace(pl);
        if (!pl.type || pl.type == tVoid_) errorAt(p, "Expression expected, but procedure call found");
        return pl.type;
    }
    if (accept("nil")) {
        emitConst(tNil_, CVal());
        return tNil_;
    }
    errorHere("Expression expected but " + describe(tok_) + " found");
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
    case PK::Value: break;
    }
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
    case PK::Prop:
        if (pl.setter < 0) errorAt(p, "Property is read-only");
        emit(OP_CALLH, pl.setter, 2);
        adjust(-2);
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
    default: errorAt(p, "Variable required");
    }
}

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
        return is("[") ? selectors(pl, false) : pl;
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
        pl.type = callProc(s, p);
        return selectors(pl, lvalue);
    case Sym::Builtin:
        pl.type = callSimple(s->index, p);
        return pl;
    case Sym::Special:
        pl.type = callSpecial(s->index, p);
        return pl;
    case Sym::TypeSym:
        if (s->type->k == TK::Exc && accept(".")) {
            SourcePos mp = tok_.pos;
            std::string m = ident();
            if (m != "create") errorAt(mp, "Unknown identifier '" + m + "'");
            expect("(");
            exprTo(tStr_, tok_.pos);
            expect(")");
            at_ = p;
            emit(OP_CALLB, B_EXCNEW, s->type->excClass);
            pl.type = s->type;
            return pl;
        }
        if (!is("(")) errorAt(p, "Expression expected");
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
        if (is("[")) {
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
                    bool byRef = lvalue && pl.k != PK::Value;
                    if (byRef) addressOf(pl, p);
                    else if (pl.k != PK::Value) loadPlace(pl);
                    SourcePos ip = tok_.pos;
                    Type* it = expr();
                    if (!isOrdinal(it)) errorAt(ip, "Ordinal type required");
                    at_ = p;
                    int64_t lo = t->k == TK::SArray ? t->lo : 0;
                    int64_t hi = t->k == TK::SArray ? t->hi : -1;
                    emit(byRef ? OP_INDEX : OP_INDEXV, int32_t(lo), hi);
                    pl.k = byRef ? PK::Ref : PK::Value;
                    pl.type = t->elem;
                } else {
                    errorAt(p, "Array type required");
                }
                if (!accept(",")) break;
            }
            expect("]");
            continue;
        }
        if (is(".") && (t->k == TK::Record || t->k == TK::Class || t->k == TK::Exc)) {
            nextTok();
            SourcePos fp = tok_.pos;
            std::string f = ident();
            if (t->k == TK::Exc) {
                if (pl.k != PK::Value) loadPlace(pl);
                at_ = fp;
                if (f == "message") emit(OP_CALLB, B_EXCMSG);
                else if (f == "classname") emit(OP_CALLB, B_EXCCLASSNAME);
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
    if (m->isProperty) {
        if (lvalue && is(":=")) {
            pl.k = PK::Prop;
            pl.setter = m->setter;
            pl.readOnly = m->setter < 0;
            return m->type;
        }
        emit(OP_CALLH, m->getter, 1);
        return m->type;
    }
    args(m->sig, p, true);
    at_ = p;
    int n = int(m->sig.params.size()) + 1;
    emit(OP_CALLH, m->getter, n);
    adjust((m->sig.result ? 1 : 0) - n);
    return m->sig.result ? m->sig.result : tVoid_;
}

static bool sameVarType(const Type* a, const Type* b) {
    if (a == b) return true;
    if (a->k != b->k) return false;
    if (a->k == TK::Int) return a->bits == b->bits && a->isSigned == b->isSigned;
    if (a->k == TK::Enum) return a->enumNames == b->enumNames;
    return a->k == TK::String || a->k == TK::Float || a->k == TK::Char || a->k == TK::Bool;
}

void Parser::args(const Signature& sig, SourcePos p, bool parens) {
    size_t n = sig.params.size();
    bool open = parens && accept("(");
    if (!open) {
        if (n) errorAt(p, "Not enough actual parameters");
        return;
    }
    if (n == 0 && !is(")")) errorHere("Too many actual parameters");
    for (size_t i = 0; i < n; ++i) {
        if (is(")")) errorHere("Not enough actual parameters");
        const Param& pa = sig.params[i];
        SourcePos ap = tok_.pos;
        if (pa.isVar) {
            if (tok_.kind != Tok::Ident || isKeyword(tok_.text)) errorAt(ap, "Variable required");
            Place pl = designator(true);
            if (pl.k == PK::Value || pl.k == PK::StrChar || pl.k == PK::Prop || pl.readOnly)
                errorAt(ap, "Variable required");
            if (!sameVarType(pl.type, pa.type))
                errorAt(ap, "Types of actual and formal var parameters must be identical");
            addressOf(pl, ap);
        } else {
            exprTo(pa.type, ap);
            if (isValueType(pa.type) && !pa.isConst) emit(OP_CLONE);
        }
        if (i + 1 < n) {
            if (is(")")) errorHere("Not enough actual parameters");
            expect(",");
        }
    }
    if (is(",")) errorHere("Too many actual parameters");
    expect(")");
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

Type* Parser::callSimple(int id, SourcePos p) {
    std::string sig = builtinSignatures[id].sig;
    size_t colon = sig.find(':');
    Signature s;
    for (size_t i = 0; i < colon; ++i) s.params.push_back({"", sigType(sig[i]), false, true});
    Type* rt = sigType(sig[colon + 1]);
    args(s, p, true);
    at_ = p;
    emit(OP_CALLB, id);
    int n = int(colon);
    adjust((rt != tVoid_ ? 1 : 0) - n);
    return rt;
}

Type* Parser::typeCast(Type* target, SourcePos p) {
    expect("(");
    SourcePos ep = tok_.pos;
    Type* t = expr();
    expect(")");
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

Type* Parser::callSpecial(int id, SourcePos p) {
    auto open = [&]() { expect("("); };
    auto close = [&]() { expect(")"); };
    auto varArg = [&]() -> Place {
        SourcePos ap = tok_.pos;
        if (tok_.kind != Tok::Ident) errorAt(ap, "Variable required");
        Place pl = designator(true);
        if (pl.k == PK::Value || pl.k == PK::StrChar || pl.k == PK::Prop || pl.readOnly) errorAt(ap, "Variable required");
        return pl;
    };
    // Delete and Insert take a string variable by address.
    auto stringVarArg = [&]() {
        SourcePos ap = tok_.pos;
        Place pl = varArg();
        if (pl.type->k != TK::String) errorAt(ap, "Incompatible types: 'string' and '" + pl.type->display() + "'");
        addressOf(pl, ap);
    };
    switch (id) {
    case S_LENGTH: {
        open();
        SourcePos ap = tok_.pos;
        Type* t = expr();
        close();
        at_ = p;
        if (t->k == TK::String) emit(OP_CALLB, B_LENSTR);
        else if (t->k == TK::DArray) emit(OP_CALLB, B_LENARR);
        else if (t->k == TK::Char || t->k == TK::SArray) {
            emit(OP_POP);
            emit(OP_PUSHI, 0, t->k == TK::Char ? 1 : t->hi - t->lo + 1);
        } else errorAt(ap, "Incompatible types: 'string' and '" + t->display() + "'");
        return tInt_;
    }
    case S_SETLENGTH: {
        open();
        SourcePos ap = tok_.pos;
        Place pl = varArg();
        addressOf(pl, ap);
        expect(",");
        exprTo(tInt64_, tok_.pos);
        close();
        at_ = p;
        if (pl.type->k == TK::String) emit(OP_CALLB, B_SETLENSTR);
        else if (pl.type->k == TK::DArray)
            emit(OP_CALLB, B_SETLENARR, isValueType(pl.type->elem) ? shapeOf(pl.type->elem) : -1);
        else errorAt(ap, "Incompatible types");
        adjust(-2);
        return tVoid_;
    }
    case S_HIGH:
    case S_LOW: {
        open();
        SourcePos ap = tok_.pos;
        Type* t;
        Sym* ts = tok_.kind == Tok::Ident ? lookup(tok_.text) : nullptr;
        bool isTypeName = ts && ts->kind == Sym::TypeSym && peek().is(")");
        if (isTypeName) {
            nextTok();
            t = ts->type;
        } else {
            t = expr();
        }
        close();
        at_ = p;
        auto result = [&](int64_t v, Type* rt) {
            if (!isTypeName) emit(OP_POP);
            CVal c;
            c.i = v;
            emitConst(rt, c);
            return rt;
        };
        if (t->k == TK::SArray) return result(id == S_HIGH ? t->hi : t->lo, tInt_);
        if (t->k == TK::DArray || t->k == TK::String) {
            if (isTypeName) errorAt(ap, "Variable required");
            if (id == S_LOW) return result(t->k == TK::String ? 1 : 0, tInt_);
            emit(OP_CALLB, t->k == TK::String ? B_LENSTR : B_LENARR);
            if (t->k == TK::DArray) emit(OP_ADDIK, 0, -1);
            return tInt_;
        }
        if (t->k == TK::Int) {
            int64_t hi = t->bits == 64 ? INT64_MAX : t->isSigned ? (int64_t(1) << (t->bits - 1)) - 1 : (int64_t(1) << t->bits) - 1;
            int64_t lo = t->bits == 64 ? INT64_MIN : t->isSigned ? -(int64_t(1) << (t->bits - 1)) : 0;
            if (!t->enumNames.empty() || t->hi != 0 || t->lo != 0) {
                // Subrange.
                if (t->hi != 0 || t->lo != 0) { hi = t->hi; lo = t->lo; }
            }
            return result(id == S_HIGH ? hi : lo, t->bits == 64 || (!t->isSigned && t->bits == 32) ? tInt64_ : t);
        }
        if (isOrdinal(t)) return result(id == S_HIGH ? t->hi : t->lo, t);
        errorAt(ap, "Ordinal or array type required");
    }
    case S_INC:
    case S_DEC: {
        open();
        SourcePos ap = tok_.pos;
        bool simpleLocal = false;
        Place pl = varArg();
        if (!isOrdinal(pl.type)) errorAt(ap, "Ordinal type required");
        int64_t amount = 1;
        bool constAmount = true;
        bool isInt32 = pl.type->k == TK::Int && pl.type->bits == 32 && pl.type->isSigned;
        simpleLocal = isInt32 && (pl.k == PK::Local || pl.k == PK::Global);
        if (!simpleLocal) {
            addressOf(pl, ap);
            emit(OP_DUP);
            emit(OP_LOADR);
        }
        if (accept(",")) {
            SourcePos np = tok_.pos;
            Type* nt = expr();
            if (nt->k != TK::Int) errorAt(np, "Incompatible types: 'Integer' and '" + nt->display() + "'");
            if (lastConst_ == here() - 1 && lastConst_ >= 0) {
                amount = prog_->code.back().b;
                dropCode(1);
            } else {
                constAmount = false;
                if (simpleLocal) {
                    // Fall back to the general form: reorder as [ref, value, amount].
                    emit(pl.k == PK::Local ? OP_LOADL : OP_LOADG, pl.slot);
                    emit(OP_SWAP);
                    if (id == S_DEC) emit(OP_NEGL);
                    emit(OP_ADDI);
                    storePlace(pl, p);
                    close();
                    return tVoid_;
                }
                if (id == S_DEC) emit(OP_NEGL);
            }
        }
        close();
        at_ = p;
        if (id == S_DEC) amount = int64_t(0 - uint64_t(amount));
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
        Type* t = pl.type;
        if (t->k == TK::Int) narrowTo(tInt64_, t);
        else if (t->k == TK::Char) narrowTo(tInt64_, tByte_);
        else {
            // Booleans and enumerations must stay within their values.
            emit(OP_CALLB, B_CHKORD, t->hi);
        }
        emit(OP_STORER);
        return tVoid_;
    }
    case S_ORD:
    case S_CHR: {
        open();
        SourcePos ap = tok_.pos;
        Type* t = expr();
        close();
        if (!isOrdinal(t)) errorAt(ap, "Ordinal type required");
        if (id == S_CHR) {
            if (t->k != TK::Int) errorAt(ap, "Incompatible types: 'Integer' and '" + t->display() + "'");
            narrowTo(tInt64_, tByte_);
            return tChar_;
        }
        return t->k == TK::Int && isWide(t) ? tInt64_ : tInt_;
    }
    case S_SUCC:
    case S_PRED: {
        open();
        SourcePos ap = tok_.pos;
        Type* t = expr();
        close();
        if (!isOrdinal(t)) errorAt(ap, "Ordinal type required");
        at_ = p;
        emit(OP_PUSHI, 0, id == S_SUCC ? 1 : -1);
        emit(OP_ADDL);
        if (t->k == TK::Int) narrowTo(tInt64_, t);
        else if (t->k == TK::Char) narrowTo(tInt64_, tByte_);
        else emit(OP_CALLB, B_CHKORD, t->hi);
        return t;
    }
    case S_ABS:
    case S_SQR: {
        open();
        SourcePos ap = tok_.pos;
        Type* t = expr();
        close();
        at_ = p;
        if (!isNumeric(t)) errorAt(ap, "Incompatible types: 'Integer' and '" + t->display() + "'");
        if (id == S_ABS) {
            emit(OP_CALLB, t->k == TK::Float ? B_ABSF : B_ABSI);
            return t->k == TK::Float ? tFloat_ : (isWide(t) ? tInt64_ : tInt_);
        }
        emit(OP_DUP);
        if (t->k == TK::Float) emit(OP_MULF);
        else emit(isWide(t) ? OP_MULL : OP_MULI);
        return t->k == TK::Float ? tFloat_ : (isWide(t) ? tInt64_ : tInt_);
    }
    case S_INCLUDE:
    case S_EXCLUDE: {
        open();
        SourcePos ap = tok_.pos;
        Place pl = varArg();
        if (pl.type->k != TK::Set) errorAt(ap, "Set type required");
        addressOf(pl, ap);
        expect(",");
        exprTo(pl.type->elem, tok_.pos);
        close();
        at_ = p;
        emit(OP_CALLB, id == S_INCLUDE ? B_INCLUDE : B_EXCLUDE);
        adjust(-2);
        return tVoid_;
    }
    case S_DELETE: {
        open();
        stringVarArg();
        expect(",");
        exprTo(tInt64_, tok_.pos);
        expect(",");
        exprTo(tInt64_, tok_.pos);
        close();
        at_ = p;
        emit(OP_CALLB, B_DELETE);
        adjust(-3);
        return tVoid_;
    }
    case S_INSERT: {
        open();
        exprTo(tStr_, tok_.pos);
        expect(",");
        stringVarArg();
        expect(",");
        exprTo(tInt64_, tok_.pos);
        close();
        at_ = p;
        emit(OP_CALLB, B_INSERT);
        adjust(-3);
        return tVoid_;
    }
    case S_FORMAT: {
        open();
        exprTo(tStr_, tok_.pos);
        expect(",");
        expect("[");
        int n = 0;
        while (!is("]")) {
            SourcePos ap = tok_.pos;
            Type* t = expr();
            int tag = t->k == TK::Int ? FT_INT : t->k == TK::Float ? FT_FLOAT : t->k == TK::String ? FT_STRING
                    : t->k == TK::Char ? FT_CHAR : t->k == TK::Bool ? FT_BOOL : -1;
            if (tag < 0) errorAt(ap, "Format argument must be a number, string, character or Boolean");
            emit(OP_PUSHI, 0, tag);
            ++n;
            if (n > 64) errorAt(ap, "Too many arguments");
            if (!accept(",")) break;
        }
        expect("]");
        close();
        at_ = p;
        emit(OP_CALLB, B_FORMAT, n);
        adjust(-2 * n);
        return tStr_;
    }
    case S_EXIT: {
        if (accept("(")) {
            if (!fn_->resultType) errorAt(p, "Procedures cannot return a value");
            exprTo(fn_->resultType, tok_.pos);
            expect(")");
            emit(OP_STOREL, fn_->resultSlot);
            fn_->resultSet = true;
        }
        at_ = p;
        jumpOut(0);
        fn_->exits.push_back(emit(OP_JMP));
        return tVoid_;
    }
    case S_HALT: {
        // Ends the whole run at once; an exit code is accepted and ignored.
        if (accept("(")) {
            exprTo(tInt_, tok_.pos);
            expect(")");
            emit(OP_POP);
        }
        at_ = p;
        emit(OP_HALT);
        return tVoid_;
    }
    case S_BREAK:
    case S_CONTINUE: {
        if (fn_->loops.empty()) errorAt(p, std::string(id == S_BREAK ? "BREAK" : "CONTINUE") + " outside a loop");
        LoopCtx& l = fn_->loops.back();
        jumpOut(int(l.tryDepth));
        int j = emit(OP_JMP);
        (id == S_BREAK ? l.breaks : l.continues).push_back(j);
        return tVoid_;
    }
    case S_RANDOM: {
        if (accept("(")) {
            exprTo(tInt_, tok_.pos);
            close();
            at_ = p;
            emit(OP_CALLB, B_RANDOMI);
            return tInt_;
        }
        emit(OP_CALLB, B_RANDOMF);
        adjust(1);
        return tFloat_;
    }
    case S_ASSIGNED: {
        open();
        SourcePos ap = tok_.pos;
        Type* t = expr();
        close();
        if (t->k != TK::Class && t->k != TK::DArray && t->k != TK::Exc) errorAt(ap, "Incompatible types");
        emit(OP_PUSHNIL);
        emit(OP_EQR);
        emit(OP_NOTB);
        return tBool_;
    }
    case S_ODD: {
        open();
        SourcePos ap = tok_.pos;
        Type* t = expr();
        close();
        if (t->k != TK::Int) errorAt(ap, "Incompatible types: 'Integer' and '" + t->display() + "'");
        emit(OP_PUSHI, 0, 1);
        emit(OP_AND, 64);
        emit(OP_EQIK, 0, 1);
        return tBool_;
    }
    default: break;
    }
    errorAt(p, "Internal error: unknown routine");
}

} // namespace

Compiler::Compiler() = default;
Compiler::~Compiler() = default;

void Compiler::setIncludeResolver(IncludeResolver resolver) { resolver_ = std::move(resolver); }
void Compiler::define(const std::string& symbol) { defines_.push_back(lower(symbol)); }
void Compiler::addDeclarations(const std::string& pascalText) { declarations_.push_back(pascalText); }

bool Compiler::compile(const std::string& text, const std::string& fileName) {
    messages_.clear();
    program_.reset();
    debug_.reset();
    Parser p(messages_, resolver_, std::set<std::string>(defines_.begin(), defines_.end()), externalsAllowed_);
    return p.run(declarations_, text, fileName, program_, debug_);
}

const char* const standardHostClasses = R"(
type
  TObject = class
    property ClassName: string readonly;
  end;
  TStrings = class(TObject)
    procedure Add(const S: string);
    procedure Clear;
    property Text: string;
    property Count: Integer readonly;
  end;
  TControl = class(TObject)
    property Caption: string;
  end;
  TMemo = class(TControl)
    property Lines: TStrings readonly;
    property Text: string;
    procedure Clear;
  end;
  TForm = class(TControl)
  end;
  TApplication = class(TObject)
    procedure ProcessMessages;
    property Title: string;
  end;
)";

} // namespace pascal
