#include "luaexecutor/sourceonly.h"

namespace luaexecutor {

namespace {

constexpr char refusal[] = "precompiled chunks are not accepted";

bool precompiled(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TSTRING) return false;
    return lua_tostring(L, index)[0] == LUA_SIGNATURE[0];
}

int refuse(lua_State* L) {
    lua_pushnil(L);
    lua_pushstring(L, refusal);
    return 2;
}

// Calls upvalue 1 (the library's function) with this call's arguments.
int callLibrary(lua_State* L) {
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

int sourceLoadstring(lua_State* L) { return precompiled(L, 1) ? refuse(L) : callLibrary(L); }

// The reader given to load, checked on its first piece: only that piece's
// first byte tells the interpreter what the chunk is. Upvalues: the script's
// reader, whether its first piece was seen.
int checkedReader(lua_State* L) {
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_call(L, 0, 1);
    if (lua_toboolean(L, lua_upvalueindex(2))) return 1;
    lua_pushboolean(L, 1);
    lua_replace(L, lua_upvalueindex(2));
    // lua_load is protected: the error ends the load, which gives nil and the message.
    if (precompiled(L, -1)) return luaL_error(L, refusal);
    return 1;
}

int sourceLoad(lua_State* L) {
    if (lua_isfunction(L, 1)) {
        lua_pushvalue(L, 1);
        lua_pushboolean(L, 0);
        lua_pushcclosure(L, checkedReader, 2);
        lua_replace(L, 1);
    }
    return callLibrary(L);
}

void replace(lua_State* L, const char* name, lua_CFunction wrapper) {
    lua_getfield(L, LUA_GLOBALSINDEX, name);
    if (!lua_isfunction(L, -1)) {
        lua_pop(L, 1);
        return;
    }
    lua_pushcclosure(L, wrapper, 1);
    lua_setfield(L, LUA_GLOBALSINDEX, name);
}

}  // namespace

void acceptSourceOnly(lua_State* L) {
    replace(L, "loadstring", sourceLoadstring);
    replace(L, "load", sourceLoad);
}

}  // namespace luaexecutor
