#pragma once
// Checks the game's scripts: that each compiles, that its command calls with
// literal arguments would pass the engine's checks, that the files they name
// exist and load, and which scripts no path from start.lua reaches.
#include "tools/advcheck/assets.h"
#include "tools/advcheck/report.h"
#include "tools/advcheck/settings.h"

namespace advcheck {

void checkScripts(Report& report, Assets& assets, const GameSettings& settings);

// The interpreter's compile message split into its line and its text; line 0
// when the message names no line of this file.
struct LuaMessage {
    int line = 0;
    std::string text;
};
LuaMessage splitLuaMessage(const std::string& message, const std::string& file);

}  // namespace advcheck
