#include "luaexecutor/hostboundary.h"

#include <new>
#include <string_view>
#include <utility>

#include "luaexecutor/luaexecutor.h"

namespace luaexecutor {
namespace {

// Instructions that take longer than this between two watch runs count as slow.
constexpr auto slowWatchGap = std::chrono::milliseconds(1);

// Registry keys: the addresses are unique, the values unused.
char scriptStateKey;
char threadsKey;

// The message of the Lua errors that stop a script after a host exception; a
// pcall in the script may see it, nothing else does.
constexpr const char* stopMessage = "script stopped by a host function error";

int raiseStop(lua_State* L) {
    lua_pushstring(L, stopMessage);
    return lua_error(L);
}

void pushRegistryValue(lua_State* L, char* key) {
    lua_pushlightuserdata(L, key);
    lua_rawget(L, LUA_REGISTRYINDEX);
}

void setRegistryValue(lua_State* L, char* key) {  // pops the value
    lua_pushlightuserdata(L, key);
    lua_insert(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
}

// __gc of the bookkeeping userdata. It is unregistered first, so a host
// function run by a finaliser during lua_close finds no state and is refused.
int destroyScriptState(lua_State* L) {
    auto* state = static_cast<ScriptState*>(lua_touserdata(L, 1));
    lua_pushnil(L);
    setRegistryValue(L, &scriptStateKey);
    state->~ScriptState();
    return 0;
}

// Count hook. Once a host function has failed it raises a Lua error before
// every instruction, so no pcall or xpcall lets the script go on.
void onCount(lua_State* L, lua_Debug*) {
    const ScriptState* state = findScriptState(L);
    if (state && state->stopped()) {
        raiseStop(L);
    }
}

// Keeps an exception thrown by the watch like one from a host function.
void runWatch(ScriptState& state) {
    try {
        state.watch();
    } catch (...) {
        state.kept = std::current_exception();
    }
}

int watchInterval(const ScriptState& state) {
    return state.watchEvery > 0 ? state.watchEvery : state.watchInterval;
}

// One instruction can take many milliseconds (copying a string of many
// megabytes). While the watch's interval takes that long, the watch runs after
// every instruction, so it still runs every few milliseconds; once the
// instructions are fast again, the interval doubles back to the one asked for.
void adaptWatchInterval(ScriptState& state) {
    const auto now = std::chrono::steady_clock::now();
    const bool slow = now - state.lastWatch > slowWatchGap;
    state.lastWatch = now;
    const int every = watchInterval(state);
    state.watchEvery = slow ? 1 : (every > state.watchInterval / 2 ? state.watchInterval : every * 2);
}

void onWatch(lua_State* L, lua_Debug*);

// The one place that decides which hook a thread of the script carries.
void setHook(lua_State* thread, const ScriptState& state) {
    if (state.stopped()) {
        lua_sethook(thread, onCount, LUA_MASKCOUNT, 1);
    } else if (state.watch && state.watchInterval > 0) {
        lua_sethook(thread, onWatch, LUA_MASKCOUNT, watchInterval(state));
    } else {
        lua_sethook(thread, nullptr, 0, 0);
    }
}

// Count hook of a running script: the watch runs between instructions, so a
// script that never yields can still be stopped.
void onWatch(lua_State* L, lua_Debug*) {
    ScriptState* state = findScriptState(L);
    if (!state || !state->watch) {
        return;
    }
    if (!state->kept) {
        runWatch(*state);
    }
    if (state->kept) {
        updateHooks(L, *state);
        raiseStop(L);
    }
    adaptWatchInterval(*state);
    lua_sethook(L, onWatch, LUA_MASKCOUNT, watchInterval(*state));
}

// Coroutines the script made are remembered in a weak table, so that the
// hooks reach a coroutine that resumed the one whose host function failed.
void rememberThread(lua_State* L, int index) {
    if (!lua_isthread(L, index)) {
        return;
    }
    lua_pushvalue(L, index);
    pushRegistryValue(L, &threadsKey);
    lua_insert(L, -2);
    lua_pushboolean(L, 1);
    lua_rawset(L, -3);
    lua_pop(L, 1);
}

// Calls upvalue 1 (a library function or the script's handler) with this
// call's arguments; returns the number of results.
int callOriginal(lua_State* L, int results) {
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, results);
    return lua_gettop(L);
}

int trackedCreate(lua_State* L) {
    callOriginal(L, 1);
    rememberThread(L, -1);
    return 1;
}

int trackedWrap(lua_State* L) {
    callOriginal(L, 1);
    if (lua_getupvalue(L, -1, 1)) {  // the coroutine behind the wrapping function
        rememberThread(L, -1);
        lua_pop(L, 1);
    }
    return 1;
}

// The error handler given to xpcall runs Lua code while hooks are off, so
// after a host failure it is skipped and the message passes unchanged.
int guardedHandler(lua_State* L) {
    const ScriptState* state = findScriptState(L);
    if (state && state->stopped()) {
        return 1;
    }
    return callOriginal(L, 1);
}

int guardedXpcall(lua_State* L) {
    if (lua_gettop(L) >= 2) {
        lua_pushvalue(L, 2);
        lua_pushcclosure(L, guardedHandler, 1);
        lua_replace(L, 2);
    }
    return callOriginal(L, LUA_MULTRET);
}

// Replaces table[name] (the table on the stack top) by wrapper, which gets
// the original as upvalue 1.
void wrapLibraryFunction(lua_State* L, const char* name, lua_CFunction wrapper) {
    lua_getfield(L, -1, name);
    lua_pushcclosure(L, wrapper, 1);
    lua_setfield(L, -2, name);
}

// Wraps the base library's functions that could let script code run past a
// host failure: the coroutine makers (to remember coroutines) and xpcall.
void guardBaseLibrary(lua_State* L) {
    lua_newtable(L);
    lua_newtable(L);
    lua_pushstring(L, "k");
    lua_setfield(L, -2, "__mode");
    lua_setmetatable(L, -2);
    setRegistryValue(L, &threadsKey);

    lua_pushvalue(L, LUA_GLOBALSINDEX);
    wrapLibraryFunction(L, "xpcall", guardedXpcall);
    lua_getfield(L, -1, "coroutine");
    if (lua_istable(L, -1)) {
        wrapLibraryFunction(L, "create", trackedCreate);
        wrapLibraryFunction(L, "wrap", trackedWrap);
    }
    lua_pop(L, 2);
}

ScriptState& attachScriptState(lua_State* L) {
    auto* state = new (lua_newuserdata(L, sizeof(ScriptState))) ScriptState{};
    state->mainThread = L;
    lua_newtable(L);
    lua_pushcfunction(L, destroyScriptState);
    lua_setfield(L, -2, "__gc");
    lua_setmetatable(L, -2);
    setRegistryValue(L, &scriptStateKey);
    guardBaseLibrary(L);
    return *state;
}

// Where the failing call was, for the author; without memory for the text
// the place is left out rather than an exception let into Lua's frames.
void keepPlace(lua_State* L, ScriptState& state) noexcept {
    try {
        state.keptPlace = callerPlace(L);
    } catch (...) {
        state.keptPlace.clear();
    }
}

// Runs the host function; an exception it throws is kept, not propagated.
int runGuarded(lua_CFunction function, lua_State* L, ScriptState& state) {
    state.yieldRequested = false;
    ++state.hostCalls;
    int results = 0;
    try {
        results = function(L);
    } catch (...) {
        state.kept = std::current_exception();
    }
    --state.hostCalls;
    if (state.kept) keepPlace(L, state);
    return results;
}

// The one C function Lua calls for every host function; upvalue 1 is a
// userdata holding the host function. Lua errors are raised only here, after
// the host function and its catch block have been left.
int callHost(lua_State* L) {
    ScriptState* state = findScriptState(L);
    if (!state || state->stopped()) {
        return raiseStop(L);
    }
    const lua_CFunction function = *static_cast<lua_CFunction*>(lua_touserdata(L, lua_upvalueindex(1)));
    const int results = runGuarded(function, L, *state);
    if (state->kept) {
        updateHooks(L, *state);
        return raiseStop(L);
    }
    if (!state->failure.empty()) {  // asked for by scriptError
        updateHooks(L, *state);
        lua_pushstring(L, state->failure.c_str());
        return lua_error(L);
    }
    if (std::exchange(state->yieldRequested, false)) {
        return lua_yield(L, 0);  // Lua refuses it here if the call came through pcall
    }
    return results;
}

}  // namespace

ScriptState* findScriptState(lua_State* L) {
    pushRegistryValue(L, &scriptStateKey);
    auto* state = static_cast<ScriptState*>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return state;
}

ScriptState& scriptStateOf(lua_State* L) {
    ScriptState* state = findScriptState(L);
    return state ? *state : attachScriptState(L);
}

void pushHostFunction(lua_State* L, lua_CFunction function) {
    new (lua_newuserdata(L, sizeof(lua_CFunction))) lua_CFunction(function);
    lua_pushcclosure(L, callHost, 1);
}

void updateHooks(lua_State* L, ScriptState& state) {
    lua_checkstack(L, 3);
    setHook(L, state);
    setHook(state.mainThread, state);
    pushRegistryValue(L, &threadsKey);
    if (lua_istable(L, -1)) {
        lua_pushnil(L);
        while (lua_next(L, -2)) {
            lua_pop(L, 1);
            setHook(lua_tothread(L, -1), state);
        }
    }
    lua_pop(L, 1);
}

std::string callerPlace(lua_State* L) {
    lua_Debug caller{};
    for (int level = 1; lua_getstack(L, level, &caller); ++level) {
        if (lua_getinfo(L, "Sl", &caller) && caller.currentline > 0 &&
            std::string_view(caller.source) != runnerChunkName)
            return std::string(caller.short_src) + ":" + std::to_string(caller.currentline);
    }
    return {};
}

std::exception_ptr takeKeptException(lua_State* L, ScriptState& state) {
    std::exception_ptr kept = std::exchange(state.kept, nullptr);
    if (kept) {
        updateHooks(L, state);
    }
    return kept;
}

std::string takeFailure(lua_State* L, ScriptState& state) {
    std::string failure = std::exchange(state.failure, std::string());
    if (!failure.empty()) {
        updateHooks(L, state);
    }
    return failure;
}

}  // namespace luaexecutor

// Behind the wrapper the yield is left to it, after the host function has
// returned: a yield that Lua refuses (a call through pcall) then raises its
// error where no C++ frame is skipped. The result is what lua_yield returns.
int yieldScript(lua_State* L) {
    luaexecutor::ScriptState* state = luaexecutor::findScriptState(L);
    if (state && state->hostCalls > 0) {
        state->yieldRequested = true;
        return -1;
    }
    return lua_yield(L, 0);
}

bool canYield(lua_State* L) {
    const luaexecutor::ScriptState* state = luaexecutor::findScriptState(L);
    return !state || L == state->mainThread;
}

// The text gets the position of the script's call here, where Lua needs to
// allocate nothing; the wrapper raises it once the host function has
// returned.
int scriptError(lua_State* L, std::string text) {
    luaexecutor::ScriptState* state = luaexecutor::findScriptState(L);
    if (!state || state->hostCalls == 0) {
        throw Error(text);  // only behind the wrapper can a Lua error be raised safely
    }
    if (const std::string place = luaexecutor::callerPlace(L); !place.empty()) text = place + ": " + text;
    state->failure = text.empty() ? std::string("script error") : std::move(text);
    return -1;
}
