#include <gtest/gtest.h>

#include <string>

#include "tools/advcheck/luascan.h"

using namespace advcheck;

namespace {

// Tokens as "line:kind:text" joined by blanks; kinds N name, K keyword,
// S string, # number (its value), P symbol.
std::string tokens(std::string_view source) {
    std::string out;
    for (const Token& t : tokenizeLua(source)) {
        static constexpr const char* kinds[] = {"N", "K", "S", "#", "P"};
        out += std::to_string(t.line) + ":" + kinds[static_cast<int>(t.kind)] + ":";
        if (t.kind == TokenKind::Number) {
            char value[32];
            std::snprintf(value, sizeof value, "%g", t.number);
            out += value;
        } else {
            out += t.text;
        }
        out += " ";
    }
    return out;
}

struct TokenCase {
    const char* source;
    const char* expected;
};

TEST(LuaTokens, FollowTheLexerRules) {
    const TokenCase cases[] = {
        {"say(\"a\")", "1:N:say 1:P:( 1:S:a 1:P:) "},
        {"x = 'it''s'", "1:N:x 1:P:= 1:S:it 1:S:s "},
        {"s = \"a\\65\\n\\\"\\q\"", "1:N:s 1:P:= 1:S:aA\n\"q "},
        {"s = \"one\\\ntwo\" y", "1:N:s 1:P:= 1:S:one\ntwo 2:N:y "},
        {"s = [[\nfirst\nsecond]] y", "1:N:s 1:P:= 1:S:first\nsecond 3:N:y "},
        {"s = [==[a]]b]=]c]==]", "1:N:s 1:P:= 1:S:a]]b]=]c "},
        {"a[b[1]] = 2", "1:N:a 1:P:[ 1:N:b 1:P:[ 1:#:1 1:P:] 1:P:] 1:P:= 1:#:2 "},
        {"-- say(1)\n--[[ say(2)\n]] say --[=[ x ]=] (3)", "3:N:say 3:P:( 3:#:3 3:P:) "},
        {"n = 0x10 + 1e2 + .5 + 3.", "1:N:n 1:P:= 1:#:16 1:P:+ 1:#:100 1:P:+ 1:#:0.5 1:P:+ 1:#:3 "},
        {"a ~= b .. c ... d == e", "1:N:a 1:P:~= 1:N:b 1:P:.. 1:N:c 1:P:... 1:N:d 1:P:== 1:N:e "},
        {"if x then end", "1:K:if 1:N:x 1:K:then 1:K:end "},
        {"a\r\nb\n\rc\rd", "1:N:a 2:N:b 3:N:c 4:N:d "},
        {"#!/usr/bin/lua say(1)\nx", "2:N:x "},
        {"s = \"unfinished\nx", "1:N:s 1:P:= "},
        {"s = [[never closed", "1:N:s 1:P:= "},
    };
    for (const TokenCase& c : cases) EXPECT_EQ(tokens(c.source), c.expected) << c.source;
}

// Calls as "name@line(args)" with S:text, N:value, nil, B:word, ? computed;
// "+" after the arguments when more may follow.
std::string calls(std::string_view source) {
    std::string out;
    for (const Call& call : findCalls(tokenizeLua(source), {"say", "wait"})) {
        out += call.name + "@" + std::to_string(call.line) + "(";
        for (std::size_t i = 0; i < call.args.size(); ++i) {
            const Argument& a = call.args[i];
            if (i > 0) out += ",";
            switch (a.kind) {
            case ArgKind::String: out += "S:" + a.text; break;
            case ArgKind::Number: {
                char value[32];
                std::snprintf(value, sizeof value, "N:%g", a.number);
                out += value;
                break;
            }
            case ArgKind::Nil: out += "nil"; break;
            case ArgKind::Boolean: out += "B:" + a.text; break;
            case ArgKind::Computed: out += "?"; break;
            }
        }
        out += call.moreMayFollow ? "+) " : ") ";
    }
    return out;
}

TEST(LuaCalls, LiteralArgumentsAndCallForms) {
    const TokenCase cases[] = {
        {"say(\"a\", 2, -3, nil, true)", "say@1(S:a,N:2,N:-3,nil,B:true) "},
        {"say()", "say@1() "},
        {"say \"plain\" say [[long]] say {1, 2}", "say@1(S:plain) say@1(S:long) say@1(?) "},
        {"say(x, \"a\" .. b, t.f, c[1], {1, 2}, (y), - z)", "say@1(?,?,?,?,?,?,?) "},
        {"t.say(1) t:say(2) function say(a) end local f = say", ""},
        {"say(f())", "say@1(?+) "},
        {"say(1, g \"x\")", "say@1(N:1,?+) "},
        {"say(1, h{})", "say@1(N:1,?+) "},
        {"say((f()))", "say@1(?) "},
        {"say(...)", "say@1(?+) "},
        {"say(a + f(), 2)", "say@1(?,N:2) "},
        {"say(function(a, b) local x, y = 1, 2 if x then wait(3) end end, 4)", "say@1(?,N:4) wait@1(N:3) "},
        {"say(\"line one\",\n    2)\nwait(1)", "say@1(S:line one,N:2) wait@3(N:1) "},
        {"say(", ""},
    };
    for (const TokenCase& c : cases) EXPECT_EQ(calls(c.source), c.expected) << c.source;
}

TEST(LuaCalls, ArgumentLinesAreTheirOwn) {
    const auto found = findCalls(tokenizeLua("say(\n\"a\",\n\n7)"), {"say"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].args[0].line, 2);
    EXPECT_EQ(found[0].args[1].line, 4);
}

TEST(LuaNames, IdentifiersThatAreNoKeywords) {
    EXPECT_TRUE(isLuaName("say_2"));
    EXPECT_TRUE(isLuaName("_G"));
    EXPECT_FALSE(isLuaName("2say"));
    EXPECT_FALSE(isLuaName("say it"));
    EXPECT_FALSE(isLuaName("say-it"));
    EXPECT_FALSE(isLuaName(""));
    EXPECT_FALSE(isLuaName("function"));
    EXPECT_TRUE(isLuaName("goto"));  // a keyword only from Lua 5.2 on
}

}  // namespace
