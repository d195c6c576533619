#pragma once
// The boundary between the interpreter and the host functions. Every host
// function runs behind one wrapper that keeps C++ exceptions out of Lua's C
// frames: the exception is kept here, the script is stopped with Lua errors,
// and the caller of lua_resume throws it again.
#include <lua.hpp>

#include <chrono>
#include <exception>
#include <functional>
#include <string>

namespace luaexecutor {

// Bookkeeping of one interpreter state, held in a userdata in its registry.
struct ScriptState {
    lua_State* mainThread = nullptr;
    std::exception_ptr kept;      // thrown by a host function, not yet rethrown
    std::string keptPlace;        // "file:line" of the script's call that threw it
    std::string failure;          // Lua error a host function raised to stop the script, not yet reported
    bool ended = false;           // main chunk returned or failed: never resume again
    int hostCalls = 0;            // host functions running now
    bool yieldRequested = false;  // the running host function asked to suspend
    std::function<void()> watch;  // run every watchInterval instructions, if set
    int watchInterval = 0;
    int watchEvery = 0;  // the interval in force: shorter while instructions are slow
    std::chrono::steady_clock::time_point lastWatch{};

    bool stopped() const { return kept || !failure.empty(); }  // no more script code may run
};

// The chunk name of Lua code the engine adds (Lua::registerChunkRunner): it
// is no script code, so no failure is placed in it.
inline constexpr char runnerChunkName[] = "=(engine)";

// Finds the bookkeeping of the state L belongs to (any of its threads), or null.
ScriptState* findScriptState(lua_State* L);
// The bookkeeping of the main state L, made on first use.
ScriptState& scriptStateOf(lua_State* L);

// Pushes a closure that runs function behind the wrapper.
void pushHostFunction(lua_State* L, lua_CFunction function);

// Sets the hooks of every thread of the script to what its state needs now.
void updateHooks(lua_State* L, ScriptState& state);

// Takes the kept exception (null if none) and removes the hooks that stopped the script.
std::exception_ptr takeKeptException(lua_State* L, ScriptState& state);
// "file:line" of the nearest script code on the way to the running host
// function (pcall and the engine's own Lua code are no script code); empty
// when there is none.
std::string callerPlace(lua_State* L);

// Takes the failure text (empty if none) and removes the hooks that stopped the script.
std::string takeFailure(lua_State* L, ScriptState& state);

}  // namespace luaexecutor
