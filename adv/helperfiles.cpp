#include "adv/helperfiles.h"

#include <algorithm>
#include <string>

#include "adv/engine.h"
#include "gamefiles/gamefiles.h"

namespace adv {

namespace {

// Pushes the helper's chunk; a path outside the game's folder is refused as
// a missing script, as LOAD refuses it. Paths are written from the game's
// folder, as these functions always read them, so one path serves every script.
int loadHelper(lua_State* L, const char* name) {
    const std::string path = checkString(L, name, 1);
    if (!insideGameFolder(path)) throw Error("Not exist : " + path);
    auto& helpers = course().helpers;  // an edit of one changes the scene too
    if (std::find(helpers.begin(), helpers.end(), path) == helpers.end()) helpers.push_back(path);
    pushScriptChunk(L, path);
    return 1;
}

int helperLoadfile(lua_State* L) { return loadHelper(L, "loadfile"); }
int helperDofile(lua_State* L) { return loadHelper(L, "dofile"); }

}  // namespace

void registerHelperLoaders(Lua& lua) {
    lua.registerFunction("loadfile", helperLoadfile);
    lua.registerChunkRunner("dofile", helperDofile);
}

}  // namespace adv
