#pragma once
// A Lua 5.1 tokenizer and a finder of calls to given global names, for
// checking scripts without running them.
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace advcheck {

enum class TokenKind { Name, Keyword, String, Number, Symbol };

struct Token {
    TokenKind kind = TokenKind::Symbol;
    std::string text;   // the spelling; for a string, its value with escapes applied
    double number = 0;  // the value of a number
    int line = 0;

    bool is(TokenKind k, std::string_view t) const { return kind == k && text == t; }
    bool isSymbol(std::string_view t) const { return is(TokenKind::Symbol, t); }
    bool isKeyword(std::string_view t) const { return is(TokenKind::Keyword, t); }
};

// Tokens of a Lua source; comments are dropped. Meant for sources that
// compile: a malformed one gives tokens up to where it goes wrong.
std::vector<Token> tokenizeLua(std::string_view source);

bool isLuaKeyword(std::string_view name);
bool isLuaName(std::string_view name);  // an identifier that is no keyword

enum class ArgKind { String, Number, Nil, Boolean, Computed };

struct Argument {
    ArgKind kind = ArgKind::Computed;
    std::string text;  // a string's value, a boolean's spelling
    double number = 0;
    int line = 0;
};

struct Call {
    std::string name;
    int line = 0;
    std::vector<Argument> args;
    bool moreMayFollow = false;  // the last argument may expand to several values
};

// Calls of the given global names: NAME(args), NAME "text" and NAME {table},
// in source order. Method and field calls and function definitions do not count.
std::vector<Call> findCalls(const std::vector<Token>& tokens,
                            const std::set<std::string, std::less<>>& names);

}  // namespace advcheck
