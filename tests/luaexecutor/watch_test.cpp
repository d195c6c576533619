// The instruction watch stops scripts that never yield.
#include <gtest/gtest.h>

#include <string>

#include "luaexecutor/luaexecutor.h"
#include "testsupport.h"

namespace {

int yieldNow(lua_State* L) { return yieldScript(L); }

std::string resumeError(Lua& lua) {
    try {
        lua.resume();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

TEST(InstructionWatch, StopsALoopThatNeverYieldsWithTheWatchError) {
    testsupport::TempDir dir;
    testsupport::writeFile("loop.lua", "n = 0\nwhile true do pcall(function() while true do n = n + 1 end end) end\n");
    Lua lua;
    int checks = 0;
    lua.setInstructionWatch([&checks] { if (++checks == 5) throw Error("dOrba system quit."); }, 1000);
    lua.loadFile("loop.lua");
    EXPECT_EQ("dOrba system quit.", resumeError(lua));
    EXPECT_EQ(5, checks);
    EXPECT_EQ("", resumeError(lua));  // the script is over
}

TEST(InstructionWatch, LeavesYieldingScriptsAsTheyWere) {
    testsupport::TempDir dir;
    testsupport::writeFile("steps.lua", "step = 1\nyieldNow()\nstep = 2\nyieldNow()\nstep = 3\n");
    Lua lua;
    int checks = 0;
    lua.setInstructionWatch([&checks] { ++checks; }, 1);
    lua.loadFile("steps.lua");
    lua.registerFunction("yieldNow", yieldNow);
    for (int expected = 1; expected <= 3; ++expected) {
        lua.resume();
        lua_getglobal(lua.luaState.get(), "step");
        EXPECT_EQ(expected, lua_tonumber(lua.luaState.get(), -1));
        lua_pop(lua.luaState.get(), 1);
    }
    EXPECT_GT(checks, 0);
}

} // namespace
