// Global names read back from compiled chunks, and the nearest-name hints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "luaexecutor/luaexecutor.h"
#include "tools/advcheck/luachunk.h"
#include "tools/advcheck/names.h"

using namespace advcheck;

namespace {

// Reads as "line:name:use" (use C called, I indexed with its field, O other)
// and string indexes as "line:\"field".
std::string globalsOf(const std::string& source) {
    const LuaStatePtr state(luaL_newstate());
    if (luaL_loadstring(state.get(), source.c_str()) != 0) return "does not compile";
    const auto globals = readChunkGlobals(state.get());
    if (!globals) return "unreadable";
    std::string out;
    for (const GlobalRead& read : globals->reads) {
        out += std::to_string(read.line) + ":" + read.name + ":";
        out += read.use == GlobalUse::Called ? "C" : read.use == GlobalUse::Indexed ? "I" + read.field : "O";
        out += " ";
    }
    for (const StringIndex& index : globals->stringIndexes)
        out += std::to_string(index.line) + ":\"" + index.field + " ";
    out += "=";
    for (const std::string& name : globals->assigned) out += " " + name;
    return out;
}

struct ChunkCase {
    const char* source;
    const char* expected;
};

TEST(LuaChunkGlobals, TellCallsFromOtherUsesAndLocalsFromGlobals) {
    const ChunkCase cases[] = {
        {"f(1, 'a')", "1:f:C ="},
        {"f(a and b or c)", "1:f:C 1:a:O 1:b:O 1:c:O ="},  // jumps inside the arguments
        {"h(f(1))\nx = f", "1:h:C 1:f:C 2:f:O = x"},
        {"local t = f t() f.g() f:m()", "1:f:O 1:f:Ig 1:f:Im ="},
        {"string.format('%d', 1) math[k] = 1", "1:string:Iformat 1:math:I 1:k:O ="},
        {"local function a() b() end function c(d) d() a() end", "1:b:C = c"},
        {"g(function() return x end, f)", "1:g:C 1:f:O 1:x:O ="},
        {"local s = 'x' for i = 1, 2 do f(s, i) end", "1:f:C ="},
        {"t = {f(), n = g()}", "1:f:C 1:g:C = t"},
        {"return f()", "1:f:C ="},
        {"x = ('ab'):rep(2) .. ('a' .. y):upper()", "1:y:O 1:\"rep 1:\"upper = x"},
        {"local s = 'ab' x = s:rep(2)", "1:\"rep = x"},
        {"y = (c and 'a' or t):len()", "1:c:O 1:t:Ilen = y"},  // not always a string
    };
    for (const ChunkCase& c : cases) EXPECT_EQ(globalsOf(c.source), c.expected) << c.source;
}

TEST(LuaChunkGlobals, BaseLibraryIsWhatTheEngineOpens) {
    const auto names = baseLibraryGlobals();
    for (const char* name : {"print", "pcall", "coroutine", "tostring", "ipairs", "unpack", "_G"})
        EXPECT_TRUE(names.contains(name)) << name;
    for (const char* name : {"string", "table", "math", "io", "os", "require"})
        EXPECT_FALSE(names.contains(name)) << name;
}

TEST(NearestName, SuggestsOnlyLikelyMisspellings) {
    const std::vector<std::string> commands{"wait", "wait_click", "say", "page"};
    EXPECT_EQ(nearestName("wait_clik", commands), "wait_click");
    EXPECT_EQ(nearestName("wiat", commands), "wait");  // two letters swapped
    EXPECT_EQ(nearestName("Say", commands), "say");
    EXPECT_EQ(nearestName("log", commands), std::nullopt);
    EXPECT_EQ(nearestName("wait", commands), std::nullopt);  // the name itself is no misspelling
    const std::vector<std::string> files{"01.lua", "bg.bmp", "room.lua"};
    EXPECT_EQ(nearestName("rooom.lua", files), "room.lua");
    EXPECT_EQ(nearestName("room.lau", files), "room.lua");
    EXPECT_EQ(nearestName("03.lua", files), std::nullopt);  // the extension does not make names alike
    EXPECT_EQ(nearestName("cd.bmp", files), std::nullopt);
}

}  // namespace
