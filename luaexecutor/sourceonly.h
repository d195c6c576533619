#pragma once
// The base library's loadstring and load, made to take Lua source text only:
// the interpreter trusts precompiled chunks, and a malformed one, which a
// script can write as a string, makes it read and write out of bounds.
#include <lua.hpp>

namespace luaexecutor {

// Replaces loadstring and load among the globals of L; a precompiled chunk
// gives nil and a message, as any chunk that does not compile does.
void acceptSourceOnly(lua_State* L);

}  // namespace luaexecutor
