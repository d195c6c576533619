#pragma once
// The player's comforts around the game's own frames: the save and load
// screens (F2, F3) with the autosave, the preferences (F1), the text history with its jump back
// (Page Up, the wheel), skipping (Ctrl held, Tab for all pages), auto mode
// (A) and the game menu that leads to the screens (the right button). A
// player who presses none of their keys sees the game exactly as written;
// game.ini's SAVE, SKIP, AUTO and HISTORY set to 0 turn them off.
#include <cstdint>
#include <optional>
#include <string>

class LuaRunner;

namespace adv {

struct SceneStart;

// Called by LuaRunner at the start of a frame's update: true when the frame
// belongs to one of the screens, and the game's step is to be left out.
// While a screen is open, Escape closes it instead of quitting.
bool updateComforts(LuaRunner& runner);
// Called by LuaRunner::draw: true when a screen was drawn instead of the game.
bool drawComfortScreen();
// The marks of auto mode and skipping, over the game's frame.
void drawModeMarks();

// The course's events, from LuaRunner: a script loaded (a change when LOAD or
// a map pick asked for it, not the first script), and a wait reached.
void sceneStarted(const std::string& scriptPath, bool scriptChange);
void waitReached();
// The player picked a choice (the choice result holds it), for the history.
void choicePicked();
// Whether a waiting page goes on by itself in this frame (skip or auto).
bool pageGoesOnByItself();

// For the frame pacing. Whether a screen is open: the game's frames stand
// still meanwhile, and the screens change only with the player's input.
bool comfortScreenOpen();
// Whether the next frame may act without the player's input: a screen
// about to open, an autosave due, or skipping.
bool comfortsActing();
// The frames a page waits before auto mode turns it; none while it is off.
std::optional<std::int64_t> autoPageFrames();

// Writes the autosave of the last wait reached, and the preferences changed
// on a screen still open; the entry calls it when the player quits. A failed
// write changes nothing.
void autosaveAtQuit();

// The start of the scene running now (null before the first script), and,
// after developer mode replayed it with a changed script, the record taken
// up again: the script's new hash and the moment the replay reached.
const SceneStart* currentSceneStart();
void currentSceneReplayed();

// Back to a program start: no record, no screen, no mode (for a new runner).
// The player's preferences stay.
void resetComforts();

// The player's preferences: save/preferences.txt over game.ini's defaults.
// The entry reads them before the window opens (its scale and full screen)
// and applies them once it is open: volumes, text speed, the display. When
// the file is there but cannot be used, the first apply says so in run.log.
// Reading them is the run's first use of save/: a killed run's leftover
// temporary files there are cleared away first.
struct Preferences;
const Preferences& loadPreferences();
void applyPreferences();
// After game.ini was read again (developer mode): the window takes the scale
// a new start would, the author's new WINDOW_SCALE unless the preferences
// file holds one; a scale the player changed in this play holds.
void authorDefaultsChanged();

}  // namespace adv
