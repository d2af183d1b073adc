#pragma once

// The compiler's inside, shared by its stages: compiler.cpp (tokens, scopes, setup),
// declarations.cpp, statements.cpp, expressions.cpp, codegen.cpp (emitting, constant folding,
// the peephole) and intrinsics.cpp (routines the compiler handles itself).

#include "pascal/builtins.h"
#include "pascal/engine.h"
#include "pascal/lexer.h"
#include "pascal/types.h"

#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <unordered_map>

namespace pascal {

constexpr int kMaxNesting = 200;
constexpr int kMaxStack = 4096;

struct Sym {
    enum Kind { Const, TypeSym, Var, Proc, Builtin, Special, Host, Ext } kind = Var;
    Type* type = nullptr;
    CVal cv;
    bool global = false;
    bool byRef = false;
    bool isConst = false;  // const parameters
    bool joinsText = false;  // the host's Writeln(s: string): any arguments, joined as text
    int slot = 0;
    int level = 0;
    int index = 0;          // proc, builtin, intrinsic, import or external index
    Signature sig;
    bool defined = false;
    SourcePos pos;
    std::string name;
};

// Where a designator leads. Elem: an element of an array variable (slot, lo, global), its index
// on the stack.
enum class PK { Value, Local, Global, LocalRef, Ref, StrChar, Prop, Elem };

struct Place {
    PK k = PK::Value;
    Type* type = nullptr;
    int slot = 0;
    int setter = -1;
    int setterArgs = 2;  // the object, index arguments and the value
    bool readOnly = false;
    bool global = false;  // Elem
    int64_t lo = 0;       // Elem: the array's low bound
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

// Precedence levels of the binary operators, lowest first.
constexpr int kRelational = 0, kAdditive = 1, kMultiplicative = 2;

// Binary operators, the relational ones last in the order of Cmp.
enum class Bin : uint8_t { Add, Sub, Or, Xor, Mul, Slash, Div, Mod, And, Shl, Shr, Eq, Ne, Lt, Le, Gt, Ge, In };
inline bool isRelational(Bin op) { return op >= Bin::Eq; }
inline Cmp cmpOf(Bin op) { return Cmp(int(op) - int(Bin::Eq)); }

Import::Result resultKind(const Type* t);
std::string rangeCheckText(int64_t v, int64_t lo, int64_t hi);

class Parser {
public:
    Parser(std::vector<Message>& msgs, const IncludeResolver& resolver, std::set<std::string> defines, bool externals)
        : msgs_(msgs), resolver_(resolver), defines_(std::move(defines)), externalsAllowed_(externals) {}
    bool run(const std::vector<std::string>& decls, const std::string& text, const std::string& file,
             std::shared_ptr<const Program>& prog, std::shared_ptr<const DebugInfo>& dbg);

private:
    // ---- tokens (compiler.cpp)
    void startLexer(const std::string& text, const std::string& file);
    const Token& peek();
    void nextTok();
    bool is(Key k) const { return tok_.key == k; }
    bool isAny(std::initializer_list<Key> keys) const;
    bool accept(Key k);
    void expect(Key k);
    std::string describe(const Token& t) const;
    std::string ident();
    [[noreturn]] void errorAt(SourcePos p, const std::string& text);
    [[noreturn]] void errorHere(const std::string& text) { errorAt(tok_.pos, text); }
    void hint(SourcePos p, Message::Kind kind, const std::string& text);

    // ---- scopes (compiler.cpp)
    void declareSystem();
    Sym* lookup(const std::string& name);
    Sym* find(const std::string& name, SourcePos p);
    Sym* declare(const std::string& name, Sym::Kind kind, SourcePos p);
    Type* newType(TK k, const std::string& name);
    Type* intType(const std::string& name, int bits, bool sign);

    // ---- declarations
    void program();
    void declarations(bool global);
    void constSection(bool global);
    void typeSection();
    void varSection(bool global);
    std::vector<std::pair<std::string, SourcePos>> identList();
    Type* parseType(const std::string& name = {});
    Type* enumType(const std::string& name);
    Type* setType(const std::string& name);
    Type* arrayType(const std::string& name);
    std::pair<int64_t, int64_t> indexRange();
    Type* subrangeType(const std::string& name, SourcePos p);
    Type* recordType(const std::string& name);
    Type* classType(const std::string& name);
    Member classMember(Type* cls, std::string& key, SourcePos& mp);
    Type* constructorCall(Type* cls, SourcePos p);
    int addImport(const std::string& name, std::vector<ParamKind> kinds, const Type* result);
    int shapeOf(Type* t);
    void procDecl();
    void hostProc(const std::string& name, const Signature& sig, SourcePos p);
    void externalProc(const std::string& name, const Signature& sig, SourcePos p);
    Signature paramList();
    void body(Sym* proc, bool isMain);
    CVal constExpr(Type*& t, int level = kRelational);
    void initValue(Type* t, const std::function<void()>& pushRef);
    void initGlobal(Type* t, int slot);
    void beginInitChunk();
    void endInitChunk();

    // ---- statements
    void statement();
    void statements(Key end1, Key end2 = Key::None);
    void compoundStmt();
    void assignOrCall();
    void assignResult(FuncCtx& f);
    bool appendInPlace(Sym* s);
    void ifStmt();
    void whileStmt();
    void repeatStmt();
    void forStmt();
    void caseStmt();
    void tryStmt();
    void raiseStmt();
    void jumpOut(int loopTarget);
    void closeLoop(int continueTarget);

    // ---- expressions
    Type* expr();
    Type* operand(int level);
    void shortCircuit(Bin op, int level, SourcePos p);
    Type* factor();
    Type* unaryNot(SourcePos p);
    Type* unaryMinus(SourcePos p);
    Type* exprTo(Type* want, SourcePos p);
    void coerce(Type* from, Type* to, SourcePos p);
    bool assignable(Type* from, Type* to) const;
    Type* setConstructor(Type* want);
    Place designator(bool lvalue);
    Place selectors(Place pl, bool lvalue);
    Type* callProc(Sym* s, SourcePos p);
    void args(const Signature& sig, SourcePos p, bool parens);
    void argument(const Param& pa);
    void openArrayArgument(const Param& pa, SourcePos ap);
    Param defaultValue(Param pa, SourcePos p);
    Type* hostMember(Type* cls, const std::string& name, SourcePos p, Place& pl, bool lvalue);
    void indexArgs(const Signature& sig);
    Type* typeCast(Type* target, SourcePos p);
    Type* findClassMember(Type* cls, const std::string& name, Member*& m);

    // ---- code generation
    int emit(Op op, int32_t a = 0, int64_t b = 0);
    void emitBuiltin(Builtin id, int64_t b = 0);
    void adjust(int effect);
    int here() const { return int(prog_->code.size()); }
    int label();
    const Instr* fusable() const;
    void loadScalar(bool global, int slot);
    int emitJumpIfFalse();
    void patch(int at, int target) { prog_->code[size_t(at)].a = target; }
    void emitConst(Type* t, const CVal& v);
    int internString(const std::string& s);
    bool lastIsConst() const { return lastConst_ >= 0 && lastConst_ == here() - 1; }
    int constLeft() const { return lastIsConst() ? here() - 1 : -1; }
    bool twoConsts(int leftAt) const { return leftAt >= 0 && leftAt == here() - 2 && lastIsConst(); }
    void dropCode(int n);
    CVal constAt(int at) const;
    std::pair<CVal, CVal> takeConsts(int leftAt);
    int allocTemp();
    void freeTemp() { --fn_->locals; }
    void narrowTo(Type* from, Type* to);
    void checkConstRange(int64_t lo, int64_t hi, int64_t v, SourcePos p);
    void checkConstOperand(const Type* t, SourcePos p);
    Type* exprInRange(Type* want, SourcePos p);
    void checkNotForVar(SourcePos p);
    void loadPlace(const Place& pl);
    void storePlace(const Place& pl, SourcePos p);
    void addressOf(const Place& pl, SourcePos p);
    void frameOf(int level);
    void elementOp(Op localForm, const Place& pl);

    // ---- operators (codegen.cpp)
    enum class Compared { Membership, Sets, Strings, Floats, Ordinals, References };
    [[noreturn]] void operandMismatch(Type* l, Type* r, SourcePos p);
    [[noreturn]] void incompatible(Type* l, Type* r, SourcePos p);
    Type* binary(Bin op, Type* l, Type* r, int leftAt, SourcePos p);
    Type* setOp(Bin op, Type* rt, bool fold, int leftAt);
    Type* concat(Type* l, Type* r, bool fold, int leftAt);
    Type* bitOp(Bin op, Type* l, Type* r, bool fold, int leftAt);
    Type* divMod(Bin op, Type* rt, bool fold, int leftAt, SourcePos p);
    Type* floatOp(Bin op, Type* l, Type* r, bool fold, int leftAt, SourcePos p);
    Type* intOp(Bin op, bool wide, bool fold, int leftAt);
    Compared compared(Bin op, Type* l, Type* r, SourcePos p);
    Type* compare(Bin op, Type* l, Type* r, int leftAt, SourcePos p);
    Type* foldCompare(Bin op, Compared what, Type* l, Type* r, int leftAt);

    // ---- intrinsics: routines the compiler handles itself, by Pascal name
    struct Intrinsic {
        const char* name;
        Type* (Parser::*handler)(int variant, SourcePos p);
        int variant;
    };
    static const Intrinsic kIntrinsics[];
    void declareIntrinsics();
    Type* callIntrinsic(int index, SourcePos p);
    Type* callBuiltin(int id, SourcePos p);
    Type* sigType(char c);
    Type* parenExpr(SourcePos& ap);
    Place varArg();
    void stringVarArg();
    void backInRange(Type* t);
    Type* length(int, SourcePos p);
    Type* setLength(int, SourcePos p);
    Type* highLow(int high, SourcePos p);
    Type* incDec(int step, SourcePos p);
    Type* ordChr(int chr, SourcePos p);
    Type* succPred(int step, SourcePos p);
    Type* absSqr(int sqr, SourcePos p);
    Type* includeExclude(int include, SourcePos p);
    Type* stringEdit(int id, SourcePos p);
    Type* format(int, SourcePos p);
    Type* writeCall(Sym* s, SourcePos p);
    void writeArg();
    Type* str(int, SourcePos p);
    Type* val(int, SourcePos p);
    Type* exitProc(int, SourcePos p);
    Type* halt(int, SourcePos p);
    Type* breakContinue(int isBreak, SourcePos p);
    Type* random(int, SourcePos p);
    Type* assigned(int, SourcePos p);
    Type* odd(int, SourcePos p);

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
    std::vector<const Sym*> forVars_;  // control variables of the for loops being compiled
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

} // namespace pascal
