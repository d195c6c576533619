#pragma once
// Checks resource/level/game.ini with the engine's own parser and key list,
// and finds the Lua names under which the scripts reach the commands.
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "adv/commands.h"
#include "gamefiles/gamepaths.h"
#include "tools/advcheck/report.h"

namespace advcheck {

inline const std::string settingsFile{gamepaths::settingsFile};

// The settings that place the message lines and wrap them.
struct MessageLayout {
    std::int32_t width = 0;  // MSG_WIDTH; 0: lines never wrap
    int widthLine = 0;       // the line of MSG_WIDTH in the file
    std::string font;
    std::int32_t fontSize = 0;
    std::int32_t y = 0;        // MSG_Y
    std::int32_t margin = 0;   // MSG_MARGIN
    std::int32_t windowY = 0;  // MSGWIN_Y
};

struct GameSettings {
    bool loaded = false;  // the file could be read
    // Each callable Lua name and the command that answers to it.
    std::map<std::string, const adv::Command*, std::less<>> commands;
    bool everyCommandNamed = false;  // each command key holds a name a script can call
    MessageLayout messages;

    std::set<std::string, std::less<>> names() const;
};

// Reads the settings file in the working directory and reports its faults.
GameSettings checkSettings(Report& report);

}  // namespace advcheck
