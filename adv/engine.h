#pragma once
// The engine state of the adventure engine, one set per program, shared by
// LuaRunner and the script commands, grouped by concern. Each concern's file
// (course, flags, message, choices, mappick, stage) holds the functions that
// act on its part, its per-frame step and its drawing.
#include <string>

#include "adv/choices.h"
#include "adv/course.h"
#include "adv/flags.h"
#include "adv/mappick.h"
#include "adv/message.h"
#include "adv/stage.h"
#include "gamefiles/gamepaths.h"

namespace adv {

// What lives on across a script change; a saved game holds this part as it
// stood when its script started. The stage's flash is the one exception: a
// script load clears its timer (see LuaRunner::reset).
struct LastingState {
    FlagState flags;
    std::string scriptDirectory{gamepaths::levelFolder};
    StageState stage;
    MapPickState mapPick;  // the map serves until the next MAP, across loads
    std::string music;     // the path BGM last started, empty after BGMOFF
};

// The running script's own state, put back by each script load; the choices
// are left as they are, since they show only while choosing.
struct ScriptState {
    CourseState course;
    MessageState message;
    ChoiceState choice;
};

struct EngineState {
    LastingState lasting;
    ScriptState script;
};

// The module-wide engine state.
EngineState& engine();
// Puts every field back to its program-start value (used when a runner is made).
void resetEngineState();
// What a script load puts back: the course, the page's lines and the flash.
void resetScriptState();

inline CourseState& course() { return engine().script.course; }
inline std::string& scriptDirectory() { return engine().lasting.scriptDirectory; }
inline FlagState& flagState() { return engine().lasting.flags; }
inline MessageState& messageWindow() { return engine().script.message; }
inline ChoiceState& choiceMenu() { return engine().script.choice; }
inline MapPickState& mapPick() { return engine().lasting.mapPick; }
inline StageState& stage() { return engine().lasting.stage; }
inline std::string& music() { return engine().lasting.music; }

}  // namespace adv
