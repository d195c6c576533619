#pragma once
// Lua: one interpreter state with one script, run as a coroutine slice by
// slice; host functions registered as globals; argument helpers.
#include <lua.hpp>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "orba/error.h"

// Closes the state, and frees the memory count of a state that Lua::loadFile made.
struct LuaStateDeleter {
    void operator()(lua_State* L) const;
};
using LuaStatePtr = std::unique_ptr<lua_State, LuaStateDeleter>;

class Lua {
public:
    Lua() = default;
    virtual ~Lua();
    Lua(const Lua&) = delete;
    Lua& operator=(const Lua&) = delete;

    virtual void setLibraries(int flags);          // bits: 1 math, 2 string, 4 table, 8 io
    virtual void loadFile(std::string_view path);  // fresh state, chunk loaded, not run
    // Makes a host function a global. An Error it throws ends the script and
    // leaves resume() unchanged; no script code runs after it, pcall or not.
    // Host functions report failures by throwing, never by raising Lua errors.
    virtual void registerFunction(std::string_view name, lua_CFunction function);
    // Makes a global that calls the host function `loader` with its arguments
    // and then the function the loader returns, without arguments, giving its
    // results. The call is made from Lua, so the loaded chunk may suspend the
    // script as the script itself may; the loader's errors are host errors.
    void registerChunkRunner(std::string_view name, lua_CFunction loader);
    virtual void close();
    virtual void resume();  // runs until the next yield or the end
    bool finished() const;  // no script loaded, or it ran to its end or stopped

    // From the next loadFile on, runs check every `instructions` instructions
    // of the script, and after every instruction while they are slow (more
    // than a millisecond between two checks); an exception it throws ends the
    // script and leaves resume() like one from a host function. Lets a script
    // that never yields be stopped.
    void setInstructionWatch(std::function<void()> check, int instructions);

    // From the next loadFile on, the script's interpreter may hold at most
    // this many bytes; beyond that its allocations fail and the script stops
    // with Lua's "not enough memory" like on any runtime error.
    void setMemoryLimit(std::size_t bytes);
    static constexpr std::size_t defaultMemoryLimit = std::size_t{512} << 20;

    // For the author's eyes: the interpreter's message (file and line
    // included) of the last syntax or runtime error, as written to standard
    // error, and the place ("file:line") of the script's call whose host
    // function threw. Both are emptied by close and by the next loadFile.
    const std::string& scriptMessage() const { return scriptMessage_; }
    const std::string& failurePlace() const { return failurePlace_; }

    LuaStatePtr luaState;
    std::int32_t libraries = 0;

private:
    std::function<void()> watch_;
    int watchInterval_ = 0;
    std::size_t memoryLimit_ = defaultMemoryLimit;
    std::string scriptMessage_;
    std::string failurePlace_;
};

// Argument helpers for host functions. funcName is the name the script calls
// the function by; index is the 1-based argument position.
std::int32_t checkNumber(lua_State* L, std::string_view funcName, int index);
std::string checkString(lua_State* L, std::string_view funcName, int index);
// For a host function: pushes the chunk of the script file at path, read as
// loadFile reads it (bounded, source text only), or throws loadFile's errors
// ("Not exist : path", "Lua Syntax error : path" with the compiler's message
// on standard error).
void pushScriptChunk(lua_State* L, const std::string& path);
void pushNumber(lua_State* L, std::int32_t value);
int yieldScript(lua_State* L);  // `return yieldScript(L);` suspends the script
// Whether a host function called from L may suspend the script: not inside a
// coroutine the script made, whose yield would return to the script instead.
bool canYield(lua_State* L);
// `return scriptError(L, text);` ends the host function with a Lua error of
// that text (with the script's file and line). Unlike a runtime error inside
// a coroutine it stops the whole script, so the author sees it on stderr.
int scriptError(lua_State* L, std::string text);
