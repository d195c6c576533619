#pragma once
// Lua: one interpreter state with one script, run as a coroutine slice by
// slice; host functions registered as globals; argument helpers.
#include <lua.hpp>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "orba/error.h"

struct LuaStateDeleter {
    void operator()(lua_State* L) const { lua_close(L); }
};
using LuaStatePtr = std::unique_ptr<lua_State, LuaStateDeleter>;

class Lua {
public:
    Lua() = default;
    virtual ~Lua();
    Lua(const Lua&) = delete;
    Lua& operator=(const Lua&) = delete;

    virtual void setLibraries(int flags);  // bits: 1 math, 2 string, 4 table, 8 io
    virtual void loadFile(std::string_view path);  // fresh state, chunk loaded, not run
    // Makes a host function a global. An Error it throws ends the script and
    // leaves resume() unchanged; no script code runs after it, pcall or not.
    // Host functions report failures by throwing, never by raising Lua errors.
    virtual void registerFunction(std::string_view name, lua_CFunction function);
    virtual void close();
    virtual void resume();  // runs until the next yield or the end

    // From the next loadFile on, runs check every `instructions` instructions
    // of the script, and after every instruction while they are slow (more
    // than a millisecond between two checks); an exception it throws ends the
    // script and leaves resume() like one from a host function. Lets a script
    // that never yields be stopped.
    void setInstructionWatch(std::function<void()> check, int instructions);

    LuaStatePtr luaState;
    std::int32_t libraries = 0;

private:
    std::function<void()> watch_;
    int watchInterval_ = 0;
};

// Argument helpers for host functions. funcName is the name the script calls
// the function by; index is the 1-based argument position.
std::int32_t checkNumber(lua_State* L, std::string_view funcName, int index);
std::string checkString(lua_State* L, std::string_view funcName, int index);
void pushNumber(lua_State* L, std::int32_t value);
int yieldScript(lua_State* L);  // `return yieldScript(L);` suspends the script
