#include "pascal/parser.h"

#include <cmath>
#include <limits>

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
  TStringList = class
    constructor Create;
    procedure Free;
    function Add(const S: string): Integer;
    procedure Clear;
    procedure Delete(Index: Integer);
    function IndexOf(const S: string): Integer;
    procedure LoadFromFile(const FileName: string);
    procedure SaveToFile(const FileName: string);
    property Count: Integer readonly;
    property Text: string;
    property Sorted: Boolean;
    property Strings[Index: Integer]: string; default;
  end;

procedure ShowMessage(const Msg: string);
)";

Import::Result resultKind(const Type* t) {
    if (!t) return Import::Result::None;
    if (isScalar(t)) return Import::Result::Number;
    if (t->k == TK::String) return Import::Result::String;
    if (t->k == TK::Class) return Import::Result::Object;
    return Import::Result::Other;
}

// ---- tokens

void Parser::startLexer(const std::string& text, const std::string& file) {
    lex_ = std::make_unique<Lexer>(dbg_->files, msgs_, resolver_, defines_);
    lex_->push(text, file);
    tok_ = lex_->next();
    peekValid_ = false;
}

const Token& Parser::peek() {
    if (!peekValid_) {
        peek_ = lex_->next();
        peekValid_ = true;
    }
    return peek_;
}

void Parser::nextTok() {
    prevPos_ = tok_.pos;
    if (peekValid_) {
        tok_ = std::move(peek_);
        peekValid_ = false;
    } else {
        tok_ = lex_->next();
    }
}

bool Parser::isAny(std::initializer_list<Key> keys) const {
    for (Key k : keys)
        if (is(k)) return true;
    return false;
}

bool Parser::accept(Key k) {
    if (!is(k)) return false;
    nextTok();
    return true;
}

void Parser::expect(Key k) {
    if (!accept(k)) errorHere(std::string("'") + spelling(k) + "' expected but " + describe(tok_) + " found");
}

std::string Parser::describe(const Token& t) const {
    switch (t.kind) {
    case Tok::Eof: return "end of file";
    case Tok::Ident: return "'" + t.orig + "'";
    case Tok::Str: return "string constant";
    case Tok::Int:
    case Tok::Float: return "number";
    default: return "'" + t.text + "'";
    }
}

std::string Parser::ident() {
    if (!tok_.isName() && !is(Key::On) && !is(Key::Out))
        errorHere("Identifier expected but " + describe(tok_) + " found");
    std::string s = tok_.text;
    nextTok();
    return s;
}

void Parser::errorAt(SourcePos p, const std::string& text) {
    Message m;
    m.text = text;
    m.file = dbg_->files[size_t(p.file)];
    m.line = p.line;
    m.col = p.col;
    msgs_.push_back(std::move(m));
    throw CompileAbort{};
}

void Parser::hint(SourcePos p, Message::Kind kind, const std::string& text) {
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

Sym* Parser::lookup(const std::string& name) {
    for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it) {
        auto f = it->find(name);
        if (f != it->end()) return f->second;
    }
    return nullptr;
}

Sym* Parser::find(const std::string& name, SourcePos p) {
    Sym* s = lookup(name);
    if (!s) errorAt(p, "Unknown identifier '" + name + "'");
    return s;
}

Sym* Parser::declare(const std::string& name, Sym::Kind kind, SourcePos p) {
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

Type* Parser::newType(TK k, const std::string& name) {
    types_.emplace_back();
    Type* t = &types_.back();
    t->k = k;
    t->name = name;
    return t;
}

Type* Parser::intType(const std::string& name, int bits, bool sign) {
    Type* t = newType(TK::Int, name);
    t->bits = bits;
    t->isSigned = sign;
    return t;
}

// The predeclared types, constants, routines and exception classes.
void Parser::declareSystem() {
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
    for (const char* n : {"maxint", "maxlongint"}) {
        Sym* s = declare(n, Sym::Const, {});
        s->type = tInt_;
        s->cv.i = INT32_MAX;
    }
    Sym* nil = declare("nil", Sym::Const, {});
    nil->type = tNil_;
    declareIntrinsics();
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
}

bool Parser::run(const std::vector<std::string>& decls, const std::string& text, const std::string& file,
                 std::shared_ptr<const Program>& progOut, std::shared_ptr<const DebugInfo>& dbgOut) {
    prog_ = std::make_shared<Program>();
    dbg_ = std::make_shared<DebugInfo>();
    scopes_.emplace_back();
    fnStack_.push_back(std::make_unique<FuncCtx>());
    fn_ = fnStack_.back().get();
    try {
        declareSystem();

        // The system declarations are compiled with the prelude's own rules.
        inSystem_ = true;
        startLexer(kSystemDeclarations, "system");
        declarations(true);
        tFlags_ = lookup("treplaceflags")->type;
        // The host's names shadow the library's, the script's shadow both.
        scopes_.emplace_back();
        for (size_t i = 0; i < decls.size(); ++i) {
            startLexer(decls[i], "declarations" + (i ? std::to_string(i + 1) : std::string()));
            declarations(true);
            if (tok_.kind != Tok::Eof) errorHere("Declaration expected but " + describe(tok_) + " found");
        }
        inSystem_ = false;
        scopes_.emplace_back();
        startLexer(text, file);
        program();
    } catch (const CompileAbort&) {
        return false;
    }
    progOut = prog_;
    dbgOut = dbg_;
    return true;
}

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
    property Strings[Index: Integer]: string; default;
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