#pragma once
// One frame of the game as the program runs it, for the entry, the
// benchmarks and the tests alike.
#include <cstdint>
#include <functional>

class LuaRunner;

namespace adv {

// Paces the frame to periodMs after the previous one (0: no wait) and takes
// the input snapshot, then clears the screen, steps the runner, draws it
// (and the overlay, when given, over it) and presents the frame.
void runFrame(LuaRunner& runner, std::uint32_t periodMs, const std::function<void()>& overlay = {});

// As runFrame, but while the game waits for the player, the frames that
// would show what the last one showed are not run: it sleeps until the first
// that will show something new or until the player presses something, and
// steps the frame counters over the frames it passed. Returns the frames
// that passed, this one included. Scripts see the same frames as with
// runFrame, the one taking a press only sooner.
std::uint32_t runFrameSkippingQuiet(LuaRunner& runner, std::uint32_t periodMs);

}  // namespace adv
