#include "pascal/lexer.h"

#include <cctype>
#include <cmath>
#include <cerrno>
#include <cstdlib>
#include <unordered_map>

namespace pascal {

namespace {
constexpr size_t kMaxIncludeDepth = 16;
constexpr size_t kMaxConditionalDepth = 64;

bool isIdentStart(int c) { return std::isalpha(c) || c == '_'; }
bool isIdentChar(int c) { return std::isalnum(c) || c == '_'; }

constexpr const char* kSpellings[] = {
    "",
#define PASCAL_KEY_TEXT(name, text) text,
    PASCAL_RESERVED_WORDS(PASCAL_KEY_TEXT)
    PASCAL_CONTEXT_WORDS(PASCAL_KEY_TEXT)
    PASCAL_SYMBOLS(PASCAL_KEY_TEXT)
#undef PASCAL_KEY_TEXT
};

Key keyOf(const std::string& text) {
    static const std::unordered_map<std::string, Key> keys = [] {
        std::unordered_map<std::string, Key> m;
        for (size_t i = 1; i < std::size(kSpellings); ++i) m.emplace(kSpellings[i], Key(i));
        return m;
    }();
    auto f = keys.find(text);
    return f == keys.end() ? Key::None : f->second;
}
} // namespace

const char* spelling(Key k) { return kSpellings[size_t(k)]; }

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

Lexer::Lexer(std::vector<std::string>& files, std::vector<Message>& messages,
             const IncludeResolver& resolver, std::set<std::string> defines)
    : files_(files), messages_(messages), resolver_(resolver), defines_(std::move(defines)) {}

void Lexer::push(const std::string& text, const std::string& fileName) {
    files_.push_back(fileName);
    Source s;
    s.text = text;
    s.file = int(files_.size()) - 1;
    stack_.push_back(std::move(s));
}

int Lexer::peekc(size_t ahead) const {
    const Source& s = stack_.back();
    return s.pos + ahead < s.text.size() ? static_cast<unsigned char>(s.text[s.pos + ahead]) : -1;
}

void Lexer::advance() {
    Source& s = stack_.back();
    char c = s.text[s.pos++];
    if (c == '\n' || (c == '\r' && (s.pos >= s.text.size() || s.text[s.pos] != '\n'))) {
        ++s.line;
        s.col = 1;
    } else if (c != '\r') {
        ++s.col;
    }
}

SourcePos Lexer::here() const {
    const Source& s = stack_.back();
    return {s.file, s.line, s.col};
}

void Lexer::error(const SourcePos& p, const std::string& text) {
    Message m;
    m.kind = Message::Kind::Error;
    m.text = text;
    m.file = files_[size_t(p.file)];
    m.line = p.line;
    m.col = p.col;
    messages_.push_back(std::move(m));
    throw CompileAbort{};
}

// Skips a comment starting at the current position; directives inside braces are handled.
bool Lexer::skipComment(SourcePos start) {
    int c = peekc();
    if (c == '/' && peekc(1) == '/') {
        while (peekc() != -1 && peekc() != '\n' && peekc() != '\r') advance();
        return true;
    }
    bool brace = c == '{';
    if (!brace && !(c == '(' && peekc(1) == '*')) return false;
    advance();
    if (!brace) advance();
    std::string body;
    while (true) {
        int d = peekc();
        if (d == -1) error(start, "Unterminated comment");
        if (brace && d == '}') { advance(); break; }
        if (!brace && d == '*' && peekc(1) == ')') { advance(); advance(); break; }
        body += char(d);
        advance();
    }
    if (brace && !body.empty() && body[0] == '$') directive(body.substr(1), start);
    return true;
}

void Lexer::directive(const std::string& body, const SourcePos& p) {
    size_t i = 0;
    while (i < body.size() && isIdentChar(static_cast<unsigned char>(body[i]))) ++i;
    std::string name = lower(body.substr(0, i));
    std::string arg = body.substr(i);
    auto trim = [](std::string v) {
        size_t a = v.find_first_not_of(" \t\r\n");
        size_t b = v.find_last_not_of(" \t\r\n");
        return a == std::string::npos ? std::string() : v.substr(a, b - a + 1);
    };
    arg = trim(arg);
    std::string sym = lower(arg.substr(0, arg.find_first_of(" \t")));

    if (name == "ifdef" || name == "ifndef") {
        if (conds_.size() >= kMaxConditionalDepth) {
            error(p, "Conditionals nested too deeply");
            return;
        }
        bool parent = active();
        bool defined = defines_.count(sym) > 0;
        conds_.push_back({parent && (name == "ifdef" ? defined : !defined), parent, false, p});
    } else if (name == "else") {
        if (conds_.empty() || conds_.back().seenElse) {
            error(p, "$ELSE without $IFDEF");
            return;
        }
        Cond& c = conds_.back();
        c.seenElse = true;
        c.active = c.parentActive && !c.active;
    } else if (name == "endif") {
        if (conds_.empty()) {
            error(p, "$ENDIF without $IFDEF");
            return;
        }
        conds_.pop_back();
    } else if (!active()) {
        return;
    } else if (name == "define") {
        defines_.insert(sym);
    } else if (name == "undef") {
        defines_.erase(sym);
    } else if (name == "i" || name == "include") {
        if (arg.size() >= 2 && arg.front() == '\'' && arg.back() == '\'') arg = arg.substr(1, arg.size() - 2);
        if (arg.empty()) {
            error(p, "Missing include file name");
            return;
        }
        if (stack_.size() >= kMaxIncludeDepth) {
            error(p, "Includes nested too deeply: " + arg);
            return;
        }
        std::optional<IncludedFile> f;
        if (resolver_) f = resolver_(arg, files_[size_t(stack_.back().file)]);
        if (!f) {
            error(p, "Cannot open include file: " + arg);
            return;
        }
        push(f->text, f->name);
    }
    // Other directives (compiler switches) mean nothing here.
}

Token Lexer::next() {
    while (true) {
        Token t = lexToken();
        if (t.kind == Tok::Eof) {
            if (stack_.size() > 1) {
                stack_.pop_back();
                continue;
            }
            if (!conds_.empty()) {
                error(conds_.back().pos, "Missing $ENDIF");
                conds_.clear();
            }
            return t;
        }
        if (active()) return t;
    }
}

Token Lexer::lexToken() {
    while (true) {
        int c = peekc();
        if (c == -1) {
            Token t;
            t.pos = here();
            return t;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == 0x1a) {
            advance();
            continue;
        }
        SourcePos start = here();
        size_t depthBefore = stack_.size();
        if (skipComment(start)) {
            if (stack_.size() != depthBefore) return lexToken();
            continue;
        }
        break;
    }
    Token t;
    t.pos = here();
    int c = peekc();
    if (isIdentStart(c)) {
        while (isIdentChar(peekc())) {
            t.orig += char(peekc());
            advance();
        }
        t.kind = Tok::Ident;
        t.text = lower(t.orig);
        t.key = keyOf(t.text);
        return t;
    }
    if (std::isdigit(c) || (c == '$' && std::isxdigit(peekc(1)))) {
        std::string num;
        bool hex = c == '$';
        if (hex) advance();
        while (hex ? std::isxdigit(peekc()) : std::isdigit(peekc())) {
            num += char(peekc());
            advance();
        }
        bool isFloat = false;
        if (!hex && peekc() == '.' && std::isdigit(peekc(1))) {
            isFloat = true;
            num += '.';
            advance();
            while (std::isdigit(peekc())) { num += char(peekc()); advance(); }
        }
        if (!hex && (peekc() == 'e' || peekc() == 'E') &&
            (std::isdigit(peekc(1)) || ((peekc(1) == '+' || peekc(1) == '-') && std::isdigit(peekc(2))))) {
            isFloat = true;
            num += 'e';
            advance();
            if (peekc() == '+' || peekc() == '-') { num += char(peekc()); advance(); }
            while (std::isdigit(peekc())) { num += char(peekc()); advance(); }
        }
        t.text = num;
        if (isFloat) {
            t.kind = Tok::Float;
            t.fval = std::strtod(num.c_str(), nullptr);
            return t;
        }
        t.kind = Tok::Int;
        errno = 0;
        unsigned long long v = std::strtoull(num.c_str(), nullptr, hex ? 16 : 10);
        if (errno == ERANGE || v > uint64_t(INT64_MAX)) {
            if ((!hex || errno == ERANGE) && active()) error(t.pos, "Integer constant too large");
            t.ival = int64_t(v);
        } else {
            t.ival = int64_t(v);
        }
        return t;
    }
    if (c == '\'' || c == '#') {
        t.kind = Tok::Str;
        while (peekc() == '\'' || peekc() == '#') {
            if (peekc() == '#') {
                advance();
                bool hex = peekc() == '$';
                if (hex) advance();
                std::string digits;
                while (hex ? std::isxdigit(peekc()) : std::isdigit(peekc())) {
                    digits += char(peekc());
                    advance();
                }
                long v = digits.empty() || digits.size() > 6 ? -1 : std::strtol(digits.c_str(), nullptr, hex ? 16 : 10);
                if ((v < 0 || v > 255) && active()) error(t.pos, "Invalid character code");
                t.text += char(v);
                continue;
            }
            advance();
            while (true) {
                int d = peekc();
                if (d == -1 || d == '\n' || d == '\r') {
                    // Text skipped by a conditional need not be valid.
                    if (active()) error(t.pos, "Unterminated string");
                    return t;
                }
                advance();
                if (d == '\'') {
                    if (peekc() == '\'') {
                        t.text += '\'';
                        advance();
                        continue;
                    }
                    break;
                }
                t.text += char(d);
            }
        }
        return t;
    }
    static const char* const two[] = {":=", "<=", ">=", "<>", "..", "(.", ".)"};
    t.kind = Tok::Sym;
    for (const char* p : two) {
        if (c == p[0] && peekc(1) == p[1]) {
            advance();
            advance();
            t.text = p;
            if (t.text == "(.") t.text = "[";
            if (t.text == ".)") t.text = "]";
            t.key = keyOf(t.text);
            return t;
        }
    }
    advance();
    if (std::string("+-*/=<>()[],;:.^@").find(char(c)) == std::string::npos) {
        if (active()) error(t.pos, std::string("Illegal character"));
    }
    t.text = std::string(1, char(c));
    t.key = keyOf(t.text);
    return t;
}

} // namespace pascal
