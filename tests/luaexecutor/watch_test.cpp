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
    testsupport::writeFile("loop.lua",
                           "n = 0\nwhile true do pcall(function() while true do n = n + 1 end end) end\n");
    Lua lua;
    int checks = 0;
    lua.setInstructionWatch(
        [&checks] {
            if (++checks == 5) throw Error("dOrba system quit.");
        },
        1000);
    lua.loadFile("loop.lua");
    EXPECT_EQ("dOrba system quit.", resumeError(lua));
    EXPECT_EQ(5, checks);
    EXPECT_EQ("", resumeError(lua));  // the script is over
}

// Joining 16 MiB strings takes milliseconds per instruction: the watch then
// runs after each of them, not once per interval.
TEST(InstructionWatch, RunsAfterEverySlowInstruction) {
    testsupport::TempDir dir;
    testsupport::writeFile("slow.lua",
                           "local x = 'x' for i = 1, 24 do x = x .. x end\n"
                           "for i = 1, 30 do local y = x .. 'a' end\n");
    Lua lua;
    int checks = 0;
    lua.setInstructionWatch([&checks] { ++checks; }, 100);
    lua.loadFile("slow.lua");
    lua.resume();
    EXPECT_GE(checks, 30);  // at every 100 instructions it would be 2
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

}  // namespace
