#pragma once
// Checks resource/level/game.ini with the engine's own parser and key list,
// and finds the Lua names under which the scripts reach the commands.
#include <map>
#include <set>
#include <string>

#include "adv/commands.h"
#include "gamefiles/gamepaths.h"
#include "tools/advcheck/report.h"

namespace advcheck {

inline const std::string settingsFile{gamepaths::settingsFile};

struct GameSettings {
    bool loaded = false;  // the file could be read
    // Each callable Lua name and the command that answers to it.
    std::map<std::string, const adv::Command*, std::less<>> commands;
    bool everyCommandNamed = false;  // each command key holds a name a script can call

    std::set<std::string, std::less<>> names() const;
};

// Reads the settings file in the working directory and reports its faults.
GameSettings checkSettings(Report& report);

}  // namespace advcheck
