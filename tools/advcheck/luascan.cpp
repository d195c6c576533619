// Tokenizer after the rules of the Lua 5.1 lexer (names, keywords, short and
// long strings, numbers, comments, line counting), and a call finder on top.
#include "tools/advcheck/luascan.h"

#include <array>
#include <cctype>
#include <cstdlib>

namespace advcheck {

namespace {

constexpr std::array keywords{"and", "break",    "do",     "else", "elseif", "end",   "false",
                              "for", "function", "if",     "in",   "local",  "nil",   "not",
                              "or",  "repeat",   "return", "then", "true",   "until", "while"};

bool isNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isNewline(char c) { return c == '\n' || c == '\r'; }

double numberValue(const std::string& spelling) {
    const char* start = spelling.c_str();
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end != start && (*end == 'x' || *end == 'X')) {
        return static_cast<double>(std::strtoul(start, nullptr, 16));
    }
    return value;
}

class Lexer {
public:
    explicit Lexer(std::string_view source) : src_(source) {}

    std::vector<Token> run() {
        skipFirstLineComment();
        while (pos_ < src_.size()) {
            if (!step()) break;
        }
        return std::move(tokens_);
    }

private:
    char at(std::size_t offset = 0) const { return pos_ + offset < src_.size() ? src_[pos_ + offset] : '\0'; }
    bool atEnd() const { return pos_ >= src_.size(); }

    // A line break is "\n", "\r", "\n\r" or "\r\n"; it counts once.
    void newline() {
        const char first = at();
        ++pos_;
        if (isNewline(at()) && at() != first) ++pos_;
        ++line_;
    }

    // The loader skips a first line that starts with "#" (a shebang line).
    void skipFirstLineComment() {
        if (at() != '#') return;
        while (!atEnd() && !isNewline(at())) ++pos_;
    }

    void add(TokenKind kind, std::string text, int line, double number = 0) {
        tokens_.push_back(Token{kind, std::move(text), number, line});
    }

    // At "[": the level of a long bracket "[==[" (number of "="), or -1.
    // Leaves the position after the brackets when it is one.
    int longBracketLevel() {
        std::size_t probe = pos_ + 1;
        while (probe < src_.size() && src_[probe] == '=') ++probe;
        if (probe < src_.size() && src_[probe] == '[') {
            const int level = static_cast<int>(probe - pos_ - 1);
            pos_ = probe + 1;
            return level;
        }
        return -1;
    }

    // Reads up to the closing "]==]"; false when the source ends first.
    bool longText(int level, std::string& text) {
        if (isNewline(at())) newline();  // a first line break is not part of the text
        while (!atEnd()) {
            const char c = at();
            if (c == ']') {
                std::size_t probe = pos_ + 1;
                while (probe < src_.size() && src_[probe] == '=') ++probe;
                if (probe < src_.size() && src_[probe] == ']' &&
                    static_cast<int>(probe - pos_ - 1) == level) {
                    pos_ = probe + 1;
                    return true;
                }
                text += c;
                ++pos_;
            } else if (isNewline(c)) {
                newline();
                text += '\n';
            } else {
                text += c;
                ++pos_;
            }
        }
        return false;
    }

    void comment() {
        pos_ += 2;  // "--"
        if (at() == '[') {
            const std::size_t start = pos_;
            const int level = longBracketLevel();
            if (level >= 0) {
                std::string ignored;
                longText(level, ignored);
                return;
            }
            pos_ = start;
        }
        while (!atEnd() && !isNewline(at())) ++pos_;
    }

    void escape(std::string& text) {
        ++pos_;  // backslash
        const char c = at();
        static constexpr std::string_view from = "abfnrtv";
        static constexpr std::string_view to = "\a\b\f\n\r\t\v";
        if (const auto i = from.find(c); c != '\0' && i != std::string_view::npos) {
            text += to[i];
            ++pos_;
        } else if (isNewline(c)) {
            newline();
            text += '\n';
        } else if (isDigit(c)) {
            int value = 0;
            for (int digits = 0; digits < 3 && isDigit(at()); ++digits) {
                value = value * 10 + (at() - '0');
                ++pos_;
            }
            text += static_cast<char>(value & 0xFF);
        } else if (!atEnd()) {
            text += c;
            ++pos_;
        }
    }

    bool shortString() {
        const char quote = at();
        const int line = line_;
        ++pos_;
        std::string text;
        while (!atEnd() && at() != quote) {
            if (isNewline(at())) return false;  // unfinished string
            if (at() == '\\') {
                escape(text);
            } else {
                text += at();
                ++pos_;
            }
        }
        if (atEnd()) return false;
        ++pos_;
        add(TokenKind::String, std::move(text), line);
        return true;
    }

    void number() {
        const std::size_t start = pos_;
        while (isDigit(at()) || at() == '.') ++pos_;
        if (at() == 'e' || at() == 'E') {
            ++pos_;
            if (at() == '+' || at() == '-') ++pos_;
        }
        while (isNameChar(at())) ++pos_;
        std::string spelling(src_.substr(start, pos_ - start));
        const double value = numberValue(spelling);
        add(TokenKind::Number, std::move(spelling), line_, value);
    }

    void name() {
        const std::size_t start = pos_;
        while (isNameChar(at())) ++pos_;
        std::string word(src_.substr(start, pos_ - start));
        const TokenKind kind = isLuaKeyword(word) ? TokenKind::Keyword : TokenKind::Name;
        add(kind, std::move(word), line_);
    }

    void symbol() {
        static constexpr std::array<std::string_view, 6> longSymbols{"...", "..", "==", "~=", "<=", ">="};
        for (std::string_view s : longSymbols) {
            if (src_.substr(pos_, s.size()) == s) {
                add(TokenKind::Symbol, std::string(s), line_);
                pos_ += s.size();
                return;
            }
        }
        add(TokenKind::Symbol, std::string(1, at()), line_);
        ++pos_;
    }

    // One token or one piece of blank or comment; false to stop.
    bool step() {
        const char c = at();
        if (isNewline(c)) {
            newline();
        } else if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
            ++pos_;
        } else if (c == '-' && at(1) == '-') {
            comment();
        } else if (c == '[') {
            const int line = line_;
            const int level = longBracketLevel();
            if (level < 0) {
                symbol();
                return true;
            }
            std::string text;
            if (!longText(level, text)) return false;
            add(TokenKind::String, std::move(text), line);
        } else if (c == '"' || c == '\'') {
            return shortString();
        } else if (isDigit(c) || (c == '.' && isDigit(at(1)))) {
            number();
        } else if (isNameStart(c)) {
            name();
        } else {
            symbol();
        }
        return true;
    }

    std::string_view src_;
    std::size_t pos_ = 0;
    int line_ = 1;
    std::vector<Token> tokens_;
};

// --- calls -------------------------------------------------------------

bool opens(const Token& t) { return t.isSymbol("(") || t.isSymbol("[") || t.isSymbol("{"); }
bool closes(const Token& t) { return t.isSymbol(")") || t.isSymbol("]") || t.isSymbol("}"); }

// Block keywords nest like brackets: function, if and do end with "end",
// repeat with "until" (while and for open their block with "do").
int blockChange(const Token& t) {
    if (t.kind != TokenKind::Keyword) return 0;
    if (t.text == "function" || t.text == "if" || t.text == "do" || t.text == "repeat") return 1;
    if (t.text == "end" || t.text == "until") return -1;
    return 0;
}

Argument literal(const std::vector<Token>& tokens, std::size_t first, std::size_t end) {
    Argument arg;
    arg.line = tokens[first].line;
    const Token& t = tokens[first];
    if (end - first == 2 && t.isSymbol("-") && tokens[first + 1].kind == TokenKind::Number) {
        arg.kind = ArgKind::Number;
        arg.number = -tokens[first + 1].number;
        return arg;
    }
    if (end - first != 1) return arg;
    if (t.kind == TokenKind::String) {
        arg.kind = ArgKind::String;
        arg.text = t.text;
    } else if (t.kind == TokenKind::Number) {
        arg.kind = ArgKind::Number;
        arg.number = t.number;
    } else if (t.isKeyword("nil")) {
        arg.kind = ArgKind::Nil;
    } else if (t.isKeyword("true") || t.isKeyword("false")) {
        arg.kind = ArgKind::Boolean;
        arg.text = t.text;
    }
    return arg;
}

// Whether the token before position i ends a prefix expression, so that a
// bracket or string at i makes a call.
bool endsPrefix(const std::vector<Token>& tokens, std::size_t i, std::size_t first) {
    if (i == first) return false;
    const Token& t = tokens[i - 1];
    return t.kind == TokenKind::Name || t.kind == TokenKind::String || t.isSymbol(")") || t.isSymbol("]") ||
           t.isSymbol("}");
}

// Position of the bracket that the closing bracket at `close` matches, within [first, close].
std::size_t matchingOpen(const std::vector<Token>& tokens, std::size_t first, std::size_t close) {
    int depth = 0;
    for (std::size_t i = close + 1; i-- > first;) {
        if (closes(tokens[i])) ++depth;
        if (opens(tokens[i]) && --depth == 0) return i;
    }
    return first;
}

// An argument expression whose value list may hold more than one value: a
// call as the last argument, or "...".
bool mayExpand(const std::vector<Token>& tokens, std::size_t first, std::size_t end) {
    const Token& last = tokens[end - 1];
    if (end - first == 1) return last.isSymbol("...");
    if (last.kind == TokenKind::String) return endsPrefix(tokens, end - 1, first);
    if (last.isSymbol(")") || last.isSymbol("}")) {
        return endsPrefix(tokens, matchingOpen(tokens, first, end - 1), first);
    }
    return false;
}

// Reads the argument list starting after "(" at `open`; false when unclosed.
bool readArguments(const std::vector<Token>& tokens, std::size_t open, Call& call) {
    int depth = 0;
    std::size_t argStart = open + 1;
    for (std::size_t i = open + 1; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        const bool endOfList = depth == 0 && t.isSymbol(")");
        if (endOfList || (depth == 0 && t.isSymbol(","))) {
            if (i > argStart) {
                call.args.push_back(literal(tokens, argStart, i));
                call.moreMayFollow = endOfList && mayExpand(tokens, argStart, i);
            }
            if (endOfList) return true;
            argStart = i + 1;
            continue;
        }
        depth += (opens(t) ? 1 : 0) - (closes(t) ? 1 : 0) + blockChange(t);
    }
    return false;
}

bool isGlobalUse(const std::vector<Token>& tokens, std::size_t i) {
    if (i == 0) return true;
    const Token& before = tokens[i - 1];
    return !before.isSymbol(".") && !before.isSymbol(":") && !before.isKeyword("function");
}

}  // namespace

std::vector<Token> tokenizeLua(std::string_view source) { return Lexer(source).run(); }

bool isLuaKeyword(std::string_view name) {
    for (std::string_view k : keywords)
        if (k == name) return true;
    return false;
}

bool isLuaName(std::string_view name) {
    if (name.empty() || !isNameStart(name[0]) || isLuaKeyword(name)) return false;
    for (char c : name)
        if (!isNameChar(c)) return false;
    return true;
}

std::vector<Call> findCalls(const std::vector<Token>& tokens,
                            const std::set<std::string, std::less<>>& names) {
    std::vector<Call> calls;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind != TokenKind::Name || !names.contains(t.text) || !isGlobalUse(tokens, i)) continue;
        const Token& next = tokens[i + 1];
        Call call{t.text, t.line, {}, false};
        if (next.isSymbol("(")) {
            if (!readArguments(tokens, i + 1, call)) continue;
        } else if (next.kind == TokenKind::String) {
            call.args.push_back(literal(tokens, i + 1, i + 2));
        } else if (next.isSymbol("{")) {
            call.args.push_back(Argument{ArgKind::Computed, {}, 0, next.line});
        } else {
            continue;  // the function used as a value, not called
        }
        calls.push_back(std::move(call));
    }
    return calls;
}

}  // namespace advcheck
