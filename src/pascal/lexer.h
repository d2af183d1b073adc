#pragma once

#include "pascal/engine.h"

#include <set>
#include <string>
#include <vector>

namespace pascal {

// Thrown after the first error has been recorded; the compiler stops there.
struct CompileAbort {};

enum class Tok { Eof, Ident, Int, Float, Str, Sym };

struct Token {
    Tok kind = Tok::Eof;
    std::string text;   // identifiers in lower case, symbols as written, strings decoded
    std::string orig;   // identifier as written
    int64_t ival = 0;
    double fval = 0;
    SourcePos pos;
    bool is(const char* s) const { return (kind == Tok::Sym || kind == Tok::Ident) && text == s; }
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
