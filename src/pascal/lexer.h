#pragma once

#include "pascal/engine.h"

#include <set>
#include <string>
#include <vector>

namespace pascal {

// Thrown after the first error has been recorded; the compiler stops there.
struct CompileAbort {};

enum class Tok { Eof, Ident, Int, Float, Str, Sym };

// Reserved words (never identifiers, except `on` and `out` where a name is expected), words
// that mean something in a few places only and are identifiers elsewhere, and the symbols.
#define PASCAL_RESERVED_WORDS(X) \
    X(And, "and") X(Array, "array") X(Begin, "begin") X(Case, "case") X(Class, "class") \
    X(Const, "const") X(Div, "div") X(Do, "do") X(Downto, "downto") X(Else, "else") X(End, "end") \
    X(Except, "except") X(Finally, "finally") X(For, "for") X(Function, "function") X(If, "if") \
    X(In, "in") X(Mod, "mod") X(Nil, "nil") X(Not, "not") X(Of, "of") X(Or, "or") \
    X(Procedure, "procedure") X(Program, "program") X(Property, "property") X(Raise, "raise") \
    X(Record, "record") X(Repeat, "repeat") X(Set, "set") X(Shl, "shl") X(Shr, "shr") X(Then, "then") \
    X(To, "to") X(Try, "try") X(Type, "type") X(Until, "until") X(Uses, "uses") X(Var, "var") \
    X(While, "while") X(With, "with") X(Xor, "xor") X(On, "on") X(Out, "out")
#define PASCAL_CONTEXT_WORDS(X) \
    X(Forward, "forward") X(External, "external") X(Readonly, "readonly") X(Stdcall, "stdcall") \
    X(Cdecl, "cdecl") X(Register, "register") X(Pascal, "pascal") X(Safecall, "safecall")
#define PASCAL_SYMBOLS(X) \
    X(Assign, ":=") X(Le, "<=") X(Ge, ">=") X(Ne, "<>") X(DotDot, "..") X(LParen, "(") \
    X(RParen, ")") X(LBracket, "[") X(RBracket, "]") X(Comma, ",") X(Semicolon, ";") X(Colon, ":") \
    X(Dot, ".") X(Caret, "^") X(At, "@") X(Plus, "+") X(Minus, "-") X(Star, "*") X(Slash, "/") \
    X(Eq, "=") X(Lt, "<") X(Gt, ">")

enum class Key : uint8_t {
    None,
#define PASCAL_KEY_ENUM(name, text) name,
    PASCAL_RESERVED_WORDS(PASCAL_KEY_ENUM)
    PASCAL_CONTEXT_WORDS(PASCAL_KEY_ENUM)
    PASCAL_SYMBOLS(PASCAL_KEY_ENUM)
#undef PASCAL_KEY_ENUM
};

inline bool isReserved(Key k) { return k >= Key::And && k <= Key::Out; }
// The word or symbol as written, in lower case.
const char* spelling(Key k);

struct Token {
    Tok kind = Tok::Eof;
    Key key = Key::None;
    std::string text;   // identifiers in lower case, symbols as written, strings decoded
    std::string orig;   // identifier as written
    int64_t ival = 0;
    double fval = 0;
    SourcePos pos;
    // An identifier or a non-reserved word, which may name something.
    bool isName() const { return kind == Tok::Ident && !isReserved(key); }
};

// Tokenizer that also does the preprocessing: include files, defines and conditionals.
// Every token keeps the file, line and column where it was written.
class Lexer {
public:
    Lexer(std::vector<std::string>& files, std::vector<Message>& messages,
          const IncludeResolver& resolver, std::set<std::string> defines);
    void push(const std::string& text, const std::string& fileName);
    Token next();

private:
    struct Source {
        std::string text;
        size_t pos = 0;
        int file = 0;
        int line = 1;
        int col = 1;
    };
    struct Cond {
        bool active;
        bool parentActive;
        bool seenElse;
        SourcePos pos;
    };
    int peekc(size_t ahead = 0) const;
    void advance();
    bool active() const { return conds_.empty() || conds_.back().active; }
    [[noreturn]] void error(const SourcePos& p, const std::string& text);
    bool skipComment(SourcePos start);
    void directive(const std::string& body, const SourcePos& p);
    Token lexToken();
    SourcePos here() const;

    std::vector<std::string>& files_;
    std::vector<Message>& messages_;
    const IncludeResolver& resolver_;
    std::set<std::string> defines_;
    std::vector<Source> stack_;
    std::vector<Cond> conds_;
};

std::string lower(std::string s);

} // namespace pascal
