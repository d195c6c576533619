#pragma once
// Scripts share helper files through Lua's dofile and loadfile, confined to
// the game's folder: a helper is named from the game's folder, read as a
// script is read and refused as LOAD refuses one.
#include "luaexecutor/luaexecutor.h"

namespace adv {

// Replaces the base library's dofile and loadfile in the loaded script.
void registerHelperLoaders(Lua& lua);

}  // namespace adv
