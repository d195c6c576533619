#include "luaexecutor/luaexecutor.h"

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <optional>
#include <utility>

#include "gamefiles/gamefiles.h"
#include "luaexecutor/hostboundary.h"
#include "luaexecutor/sourceonly.h"

using luaexecutor::ScriptState;

namespace {

// Runs a library opener as Lua requires: as a called C function.
void openLibrary(lua_State* L, lua_CFunction opener) {
    lua_pushcfunction(L, opener);
    lua_call(L, 0, 0);
}

struct OptionalLibrary {
    std::int32_t bit;
    lua_CFunction opener;
};
constexpr OptionalLibrary optionalLibraries[] = {
    {1, luaopen_math}, {2, luaopen_string}, {4, luaopen_table}, {8, luaopen_io}, {8, luaopen_os},
};

void openLibraries(lua_State* L, std::int32_t libraries) {
    openLibrary(L, luaopen_base);
    luaexecutor::acceptSourceOnly(L);
    for (const OptionalLibrary& library : optionalLibraries) {
        if (libraries & library.bit) {
            openLibrary(L, library.opener);
        }
    }
}

// The interpreter's memory, counted against a ceiling. Only growth can fail;
// Lua turns a failed allocation into its "not enough memory" error.
struct MemoryBudget {
    std::size_t limit;
    std::size_t used = 0;
};

void* budgetedAlloc(void* budgetPointer, void* block, std::size_t oldSize, std::size_t newSize) {
    auto& budget = *static_cast<MemoryBudget*>(budgetPointer);
    if (newSize == 0) {
        std::free(block);
        budget.used -= oldSize;
        return nullptr;
    }
    if (newSize > oldSize && newSize - oldSize > budget.limit - budget.used) {
        return nullptr;
    }
    void* moved = std::realloc(block, newSize);
    if (moved) {
        budget.used = budget.used - oldSize + newSize;
    }
    return moved;
}

enum class SourceFault { None, Unreadable, Precompiled };

// The text of a script file as the compiler gets it, as luaL_loadfile reads
// it but through the bounded reader: a first line starting with "#" is
// skipped (its line break kept, so the line numbers stay). Unlike
// luaL_loadfile, a precompiled chunk is refused.
SourceFault readScriptSource(const std::string& path, std::string& source) {
    std::optional<std::string> read = readWholeFile(path);
    if (!read) return SourceFault::Unreadable;
    source = std::move(*read);
    if (source.starts_with('#')) {
        source.erase(0, source.find('\n'));
    }
    // The interpreter trusts precompiled chunks, and a malformed one can make it
    // read and write out of bounds: scripts are taken as source text only.
    const bool precompiled = source.find(LUA_SIGNATURE) == (source.starts_with('\n') ? 1 : 0);
    return precompiled ? SourceFault::Precompiled : SourceFault::None;
}

// Loads the script's chunk, named "@" + path as Lua names files.
int loadScript(lua_State* L, const std::string& path) {
    std::string source;
    switch (readScriptSource(path, source)) {
    case SourceFault::Unreadable: lua_pushfstring(L, "cannot open %s", path.c_str()); return LUA_ERRFILE;
    case SourceFault::Precompiled:
        lua_pushfstring(L, "%s: precompiled scripts are not accepted", path.c_str());
        return LUA_ERRSYNTAX;
    case SourceFault::None: break;
    }
    return luaL_loadbuffer(L, source.data(), source.size(), ("@" + path).c_str());
}

// Writes the interpreter's message on the stack top (file and line included)
// to standard error as one line, for the game's author, and returns it.
std::string reportLuaMessage(lua_State* L) {
    const char* text = lua_tostring(L, -1);
    std::string message = text ? text : std::string("(error object is a ") + luaL_typename(L, -1) + " value)";
    for (char& c : message) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    std::cerr << message << std::endl;
    return message;
}

std::int32_t saturatingTruncate(lua_Number value) {
    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<lua_Number>(highest) + 1.0) {
        return highest;
    }
    if (value <= static_cast<lua_Number>(lowest) - 1.0) {
        return lowest;
    }
    return static_cast<std::int32_t>(value);  // truncates toward zero
}

bool hasArgumentOfType(lua_State* L, int index, int type) {
    return index >= 1 && index <= lua_gettop(L) && lua_type(L, index) == type;
}

Error invalidParameter(std::string_view funcName, int index, const char* typeName) {
    return Error(std::string(funcName) + "(): Invalid parameter type. expected " + std::to_string(index) +
                 " to " + typeName + " type");
}

}  // namespace

void LuaStateDeleter::operator()(lua_State* L) const {
    void* budget = nullptr;
    const bool counted = lua_getallocf(L, &budget) == budgetedAlloc;
    lua_close(L);
    if (counted) {
        delete static_cast<MemoryBudget*>(budget);
    }
}

Lua::~Lua() { close(); }

void Lua::setLibraries(int flags) { libraries = flags; }

void Lua::loadFile(std::string_view path) {
    close();
    auto budget = std::make_unique<MemoryBudget>(MemoryBudget{memoryLimit_});
    luaState.reset(lua_newstate(budgetedAlloc, budget.get()));
    if (!luaState) {
        throw Error("Lua.loadFile(): cannot create an interpreter state");
    }
    budget.release();  // the state's deleter frees it
    lua_State* L = luaState.get();
    openLibraries(L, libraries);
    ScriptState& state = luaexecutor::scriptStateOf(L);
    state.watch = watch_;
    state.watchInterval = watchInterval_;
    luaexecutor::updateHooks(L, state);

    const std::string file(path);
    const int status = loadScript(L, file);
    state.ended = status != 0;  // the stack holds a message, not a chunk
    if (status == LUA_ERRFILE) {
        throw Error("Not exist : " + file);
    }
    if (status == LUA_ERRSYNTAX) {
        scriptMessage_ = reportLuaMessage(L);
        throw Error("Lua Syntax error : " + file);
    }
}

void Lua::registerChunkRunner(std::string_view name, lua_CFunction loader) {
    if (!luaState) {
        return;
    }
    lua_State* L = luaState.get();
    // The chunk is called from Lua, not from C, so it may yield like the script.
    static constexpr char runner[] = "local load = ... return function(...) return load(...)() end";
    if (luaL_loadbuffer(L, runner, sizeof runner - 1, luaexecutor::runnerChunkName) != 0) {
        lua_pop(L, 1);
        throw Error("Lua.registerChunkRunner(): cannot make " + std::string(name));
    }
    luaexecutor::pushHostFunction(L, loader);
    lua_call(L, 1, 1);
    lua_setfield(L, LUA_GLOBALSINDEX, std::string(name).c_str());
}

void Lua::setInstructionWatch(std::function<void()> check, int instructions) {
    watch_ = std::move(check);
    watchInterval_ = instructions;
}

void Lua::setMemoryLimit(std::size_t bytes) { memoryLimit_ = bytes; }

void Lua::registerFunction(std::string_view name, lua_CFunction function) {
    if (!luaState) {
        return;
    }
    if (!function) {
        throw Error("Lua.registerFunction(): no function given for " + std::string(name));
    }
    lua_State* L = luaState.get();
    luaexecutor::scriptStateOf(L);
    lua_pushlstring(L, name.data(), name.size());
    luaexecutor::pushHostFunction(L, function);
    lua_settable(L, LUA_GLOBALSINDEX);
}

void Lua::close() {
    luaState.reset();
    scriptMessage_.clear();
    failurePlace_.clear();
}

bool Lua::finished() const { return !luaState || luaexecutor::scriptStateOf(luaState.get()).ended; }

void Lua::resume() {
    if (!luaState) {
        return;
    }
    lua_State* L = luaState.get();
    ScriptState& state = luaexecutor::scriptStateOf(L);
    if (state.ended) {
        return;
    }
    state.hostCalls = 0;  // no host function runs between slices
    const int status = lua_resume(L, 0);
    state.ended = status != LUA_YIELD || state.stopped();
    if (std::exception_ptr kept = luaexecutor::takeKeptException(L, state)) {
        failurePlace_ = std::exchange(state.keptPlace, std::string());
        std::rethrow_exception(kept);
    }
    if (const std::string failure = luaexecutor::takeFailure(L, state); !failure.empty()) {
        lua_pushstring(L, failure.c_str());  // the error a host function raised, not the stop that followed
        scriptMessage_ = reportLuaMessage(L);
    } else if (status != 0 && status != LUA_YIELD) {
        scriptMessage_ = reportLuaMessage(L);
    }
}

std::int32_t checkNumber(lua_State* L, std::string_view funcName, int index) {
    if (!hasArgumentOfType(L, index, LUA_TNUMBER)) {
        throw invalidParameter(funcName, index, "NUMBER");
    }
    return saturatingTruncate(lua_tonumber(L, index));
}

std::string checkString(lua_State* L, std::string_view funcName, int index) {
    if (!hasArgumentOfType(L, index, LUA_TSTRING)) {
        throw invalidParameter(funcName, index, "STRING");
    }
    return std::string(lua_tostring(L, index));  // up to the first NUL byte
}

void pushScriptChunk(lua_State* L, const std::string& path) {
    std::string source;
    const SourceFault fault = readScriptSource(path, source);
    if (fault == SourceFault::Unreadable) {
        throw Error("Not exist : " + path);
    }
    if (fault == SourceFault::Precompiled) {
        std::cerr << path << ": precompiled scripts are not accepted" << std::endl;
        throw Error("Lua Syntax error : " + path);
    }
    // lua_load is protected: a compile error or a lack of memory comes back as a status.
    if (luaL_loadbuffer(L, source.data(), source.size(), ("@" + path).c_str()) != 0) {
        reportLuaMessage(L);
        lua_pop(L, 1);
        throw Error("Lua Syntax error : " + path);
    }
}

void pushNumber(lua_State* L, std::int32_t value) { lua_pushnumber(L, value); }
