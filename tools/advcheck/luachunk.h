#pragma once
// What a compiled script does with global names, read from the interpreter's
// own bytecode, so that locals, parameters and upvalues are told apart from
// globals exactly as the interpreter tells them apart.
#include <lua.hpp>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace advcheck {

enum class GlobalUse {
    Called,   // name(...)
    Indexed,  // name.field or name[...]
    Other,    // read for anything else
};

struct GlobalRead {
    std::string name;
    int line = 0;
    GlobalUse use = GlobalUse::Other;
    std::string field;  // the key of an Indexed use when it is a constant string
};

// A method or field taken from a string value: ("x"):rep(3), ("a" .. b).len.
struct StringIndex {
    std::string field;
    int line = 0;
};

struct ChunkGlobals {
    std::vector<GlobalRead> reads;
    std::set<std::string, std::less<>> assigned;  // name = ..., function name() ... end
    std::vector<StringIndex> stringIndexes;
};

// The globals of the function on top of the stack (a chunk just loaded with
// luaL_loadfile) and of every function inside it; nothing when its bytecode
// is not in the form this reader knows.
std::optional<ChunkGlobals> readChunkGlobals(lua_State* L);

// The global names a script's interpreter starts with: those of the base
// library, the only one the engine opens.
std::set<std::string, std::less<>> baseLibraryGlobals();

}  // namespace advcheck
