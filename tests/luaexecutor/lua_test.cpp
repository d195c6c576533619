// Scripts loaded from files and run slice by slice, with host functions.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "luaexecutor/luaexecutor.h"
#include "testsupport.h"

namespace {

int boomCalls = 0;
int waitCalls = 0;

int boom(lua_State*) {
    ++boomCalls;
    throw Error("boom: 100% of it");
}

int outOfRange(lua_State*) { throw std::out_of_range("not an Error"); }

int wait(lua_State* L) {
    ++waitCalls;
    return yieldScript(L);
}

int pause(lua_State* L) {
    if (!canYield(L)) return scriptError(L, "pause(): cannot wait inside a coroutine");
    ++waitCalls;
    return yieldScript(L);
}

int add(lua_State* L) {
    pushNumber(L, checkNumber(L, "add", 1) + checkNumber(L, "add", 2));
    return 1;
}

class Script : public ::testing::Test {
protected:
    void SetUp() override {
        boomCalls = 0;
        waitCalls = 0;
    }

    void load(std::string_view script, const char* file = "s.lua") {
        testsupport::writeFile(file, script);
        lua.loadFile(file);
        lua.registerFunction("boom", boom);
        lua.registerFunction("wait", wait);
        lua.registerFunction("add", add);
        lua.registerFunction("pause", pause);
    }

    // A global of the script as text: "nil", "true", a number or a string.
    std::string global(const char* name) {
        lua_State* L = lua.luaState.get();
        lua_getfield(L, LUA_GLOBALSINDEX, name);
        std::string text = lua_isboolean(L, -1) ? (lua_toboolean(L, -1) ? "true" : "false")
                           : lua_isnil(L, -1)   ? "nil"
                                                : lua_tostring(L, -1);
        lua_pop(L, 1);
        return text;
    }

    testsupport::TempDir dir;
    Lua lua;
};

// Runs f and returns what it wrote to standard error.
template <typename F>
std::string stderrOf(F f) {
    ::testing::internal::CaptureStderr();
    f();
    return ::testing::internal::GetCapturedStderr();
}

TEST_F(Script, RegisterWithoutStateDoesNothing) {
    lua.registerFunction("add", add);
    EXPECT_EQ(lua.luaState, nullptr);
    load("");
    lua.close();
    lua.registerFunction("add", add);
    lua.resume();
    EXPECT_EQ(lua.luaState, nullptr);
}

TEST_F(Script, EmptyFileRunsToItsEnd) {
    load("");
    EXPECT_EQ(stderrOf([&] {
                  lua.resume();
                  lua.resume();
              }),
              "");
}

TEST_F(Script, SecondLoadDropsRegisteredFunctions) {
    load("");
    testsupport::writeFile("b.lua", "found = add ~= nil");
    lua.loadFile("b.lua");
    lua.resume();
    EXPECT_EQ(global("found"), "false");
}

TEST_F(Script, LoadCallsTheOverriddenClose) {
    struct CountingLua : Lua {
        void close() override {
            ++closes;
            Lua::close();
        }
        int closes = 0;
    } counting;
    testsupport::writeFile("s.lua", "");
    counting.loadFile("s.lua");
    counting.loadFile("s.lua");
    EXPECT_EQ(counting.closes, 2);
}

TEST_F(Script, FailedLoadsKeepThePathAndTheStateOpen) {
    testsupport::writeFile("bad.lua", "x = 1\nif then\n");
    testsupport::writeFile("compiled.lua", std::string(LUA_SIGNATURE) + "\x51garbage");
    testsupport::writeFile("hashed.lua", "#!/bin/lua\n" + std::string(LUA_SIGNATURE) + "\x51garbage");
    const struct {
        const char* path;
        const char* text;
        const char* report;  // start of the line on standard error
    } cases[] = {
        {"some/dir/missing.lua", "Not exist : some/dir/missing.lua", ""},
        {"bad.lua", "Lua Syntax error : bad.lua", "bad.lua:2:"},
        {"compiled.lua", "Lua Syntax error : compiled.lua",
         "compiled.lua: precompiled scripts are not accepted"},
        {"hashed.lua", "Lua Syntax error : hashed.lua", "hashed.lua: precompiled scripts are not accepted"},
    };
    for (const auto& c : cases) {
        const std::string report = stderrOf([&] {
            try {
                lua.loadFile(c.path);
                ADD_FAILURE() << "loaded " << c.path;
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), c.text);
            }
            EXPECT_NE(lua.luaState, nullptr);
            lua.resume();  // nothing to run
        });
        EXPECT_EQ(report.rfind(c.report, 0), 0u) << report;
        EXPECT_EQ(report.find('\n'), report.empty() ? std::string::npos : report.size() - 1) << report;
    }
}

TEST_F(Script, LibrariesFollowTheBits) {
    const struct {
        int flags;
        const char* table;
        const char* type;
    } cases[] = {
        {0, "math", "nil"},     {0, "string", "nil"},  {0, "coroutine", "table"}, {1, "math", "table"},
        {2, "string", "table"}, {4, "table", "table"}, {8, "io", "table"},        {8, "os", "table"},
        {7, "io", "nil"},       {8, "math", "nil"},
    };
    for (const auto& c : cases) {
        lua.setLibraries(c.flags);
        load(std::string("kind = type(") + c.table + ")");
        lua.resume();
        EXPECT_EQ(global("kind"), c.type) << c.flags << " " << c.table;
    }
}

// A chunk that starts like a precompiled one is refused; source text loads.
TEST_F(Script, LoadstringAndLoadTakeSourceOnly) {
    load(
        "local function once(text) local given return function() if not given then given = true return text "
        "end end end\n"
        "f1, m1 = loadstring('\\27LuaQ\\0 crafted')\n"
        "f2, m2 = load(once('\\27LuaQ\\0 crafted'))\n"
        "sum = loadstring('return 6')() + load(once('return 1'))()");
    lua.resume();
    for (const char* name : {"f1", "f2"}) EXPECT_EQ(global(name), "nil") << name;
    for (const char* name : {"m1", "m2"})
        EXPECT_EQ(global(name), "precompiled chunks are not accepted") << name;
    EXPECT_EQ(global("sum"), "7");
}

TEST_F(Script, HostFunctionsReturnResultsAndReplaceGlobals) {
    load("sum = add(7.99, -0.5)\nreplaced = print(2, 3)");
    lua.registerFunction("print", add);
    lua.resume();
    EXPECT_EQ(global("sum"), "7");
    EXPECT_EQ(global("replaced"), "5");
}

TEST_F(Script, XpcallAndCoroutinesWorkAsUsual) {
    load(
        "ok, handled = xpcall(function() error('x') end, function(m) return 'got ' .. m end)\n"
        "local co = coroutine.create(function(a) local b = coroutine.yield(a + 1) return b * 2 end)\n"
        "local _, first = coroutine.resume(co, 1)\n"
        "local _, second = coroutine.resume(co, 5)\n"
        "local gen = coroutine.wrap(function() coroutine.yield(3) end)\n"
        "values = first .. ' ' .. second .. ' ' .. gen()");
    lua.resume();
    EXPECT_EQ(global("ok"), "false");
    EXPECT_EQ(global("handled"), "got s.lua:1: x");
    EXPECT_EQ(global("values"), "2 10 3");
}

TEST_F(Script, YieldingHostFunctionResumesAfterItsCallWithNoValues) {
    load("stage = 1\ncount = select('#', wait())\nstage = 2");
    lua.resume();
    EXPECT_EQ(global("stage"), "1");
    lua.resume();
    EXPECT_EQ(global("stage"), "2");
    EXPECT_EQ(global("count"), "0");
    lua.resume();
    EXPECT_EQ(waitCalls, 1);
}

TEST_F(Script, YieldThroughPcallIsRefusedAndTheScriptGoesOn) {
    load("ok, message = pcall(wait)\ndone = true");
    lua.resume();
    EXPECT_EQ(waitCalls, 1);
    EXPECT_EQ(global("ok"), "false");
    EXPECT_NE(global("message").find("attempt to yield across metamethod/C-call boundary"),
              std::string::npos);
    EXPECT_EQ(global("done"), "true");
}

TEST_F(Script, FinishedScriptIsNotResumedAgain) {
    load("calls = (calls or 0) + 1\nreturn function() calls = calls + 100 end");
    lua.resume();
    lua.resume();
    lua.resume();
    EXPECT_EQ(global("calls"), "1");
}

TEST_F(Script, RuntimeErrorStopsTheScriptAndIsReportedOnce) {
    load("x = 1\nlocal y = nil + 1\nz = 2", "rt.lua");
    const std::string report = stderrOf([&] {
        lua.resume();
        lua.resume();
    });
    EXPECT_EQ(report, "rt.lua:2: attempt to perform arithmetic on a nil value\n");
    EXPECT_EQ(global("x"), "1");
    EXPECT_EQ(global("z"), "nil");
}

TEST_F(Script, HostErrorEndsTheRunWhateverCatchesItInLua) {
    const struct {
        const char* name;
        const char* script;
        const char* text = "boom: 100% of it";
    } cases[] = {
        {"plain call", "boom()"},
        {"pcall", "pcall(boom)"},
        {"nested pcall", "pcall(function() pcall(function() pcall(boom) after = 1 end) after = 2 end)"},
        {"pcall in a loop", "for i = 1, 3 do pcall(boom) after = i end"},
        {"xpcall handler", "xpcall(boom, function(m) after = 1 add(1, 2) return m end)"},
        {"coroutine.wrap", "pcall(coroutine.wrap(function() boom() end))"},
        {"resuming coroutine",
         "local inner = coroutine.create(function() boom() end)\n"
         "coroutine.resume(coroutine.create(function() coroutine.resume(inner) after = 1 end))"},
        {"argument check", "pcall(add, 'x', 1) pcall(boom)",
         "add(): Invalid parameter type. expected 1 to NUMBER type"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boomCalls = 0;
        load(std::string(c.script) + "\nafter = 'end'");
        const std::string report = stderrOf([&] {
            try {
                lua.resume();
                ADD_FAILURE() << "no error";
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), c.text);
            }
            lua.resume();  // failed: nothing runs, nothing is thrown
        });
        EXPECT_EQ(report, "");
        EXPECT_EQ(global("after"), "nil");
        EXPECT_LE(boomCalls, 1);
    }
}

TEST_F(Script, ArgumentErrorsAndOtherExceptionsPassUnchanged) {
    load("add(1, '2')");
    try {
        lua.resume();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "add(): Invalid parameter type. expected 2 to NUMBER type");
    }
    load("other()");
    lua.registerFunction("other", outOfRange);
    EXPECT_THROW(lua.resume(), std::out_of_range);
}

}  // namespace

// A yield inside a coroutine the script made would only return to the
// script: the host function refuses it, and the whole script stops with the
// message on stderr, whatever catches the error in Lua.
TEST_F(Script, WaitingInsideAScriptsCoroutineStopsTheScript) {
    for (const char* call :
         {"coroutine.resume(coroutine.create(function() pause() end))",
          "coroutine.wrap(function() pause() end)()", "pcall(coroutine.wrap(function() pcall(pause) end))"}) {
        SCOPED_TRACE(call);
        load(std::string("before = true\n") + call + "\nafter = true");
        const std::string report = stderrOf([&] {
            lua.resume();
            lua.resume();
        });
        EXPECT_EQ(report, "s.lua:2: pause(): cannot wait inside a coroutine\n");
        EXPECT_EQ(global("before"), "true");
        EXPECT_EQ(global("after"), "nil");
        EXPECT_EQ(waitCalls, 0);
    }
    load("pause()\nafter = true");  // the script itself still waits
    lua.resume();
    EXPECT_EQ(waitCalls, 1);
    EXPECT_EQ(global("after"), "nil");
    lua.resume();
    EXPECT_EQ(global("after"), "true");
}

// A runaway script meets the memory ceiling as a runtime error; the next
// script starts with a fresh allowance.
TEST_F(Script, MemoryBeyondTheLimitStopsTheScript) {
    lua.setMemoryLimit(std::size_t{16} << 20);
    load("t = {}\nwhile true do t[#t + 1] = 'x' .. #t end");
    EXPECT_EQ(stderrOf([&] { lua.resume(); }), "not enough memory\n");
    load("t = {}\nfor i = 1, 1000 do t[i] = 'x' .. i end\ndone = true");
    lua.resume();
    EXPECT_EQ(global("done"), "true");
}

// Scripts are read like luaL_loadfile reads them, but only from regular files.
TEST_F(Script, ScriptFilesAreReadOnlyFromRegularFiles) {
    load("#!/usr/bin/env lua\nlocal y = nil + 1", "shebang.lua");
    EXPECT_EQ(stderrOf([&] { lua.resume(); }),
              "shebang.lua:2: attempt to perform arithmetic on a nil value\n");
    const std::vector<std::string> special = testsupport::makeSpecialFiles(".lua");
    if (special.empty()) GTEST_SKIP() << testsupport::noSpecialFiles;
    for (const std::string& name : special)
        EXPECT_EQ(testsupport::errorText([&] { lua.loadFile(name); }), "Not exist : " + name);
}
