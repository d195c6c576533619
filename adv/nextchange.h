#pragma once
// When the frames to come will next show something new while the game waits
// for the player, so that the frames in between need not be run at all.
#include <cstdint>
#include <optional>

class LuaRunner;

namespace adv {

// Counted from the last frame run (1: the next one), the first frame that
// may show something the last one did not or move the game on by itself;
// orbaNeverChanges when none will. None while the frames are not quiet: a
// script runs, a WAIT counts, a transition, flash or shake plays, or the
// comforts act by themselves. Only the player's input changes things sooner.
std::optional<std::uint32_t> framesUntilChange(const LuaRunner& runner);

// Whether the changes framesUntilChange tells of only change pictures (the
// page-feed icon's cells, a choice's pulse) and never move the game on, so
// that they may be drawn ahead from the frame counters alone.
bool onlyPicturesChange();

// Steps the engine's frame counters over frames that were not run, as
// running them would have (they only counted, by framesUntilChange).
void passUnseenFrames(std::uint32_t frames);

}  // namespace adv
