#pragma once
// The frames to come while the game waits for the player, drawn ahead and
// handed to the window system to show at their times, so that the engine
// sleeps until the player acts instead of waking for each change.
#include <cstdint>

class LuaRunner;

namespace adv {

// From a quiet frame whose next change is firstChange frames away (as
// framesUntilChange tells), draws the changes to come as far as they only
// change pictures and the window system takes them, and hands them over.
// Returns the first frame left for the engine to run itself: firstChange
// when none was handed over. The engine's state is left as it was.
std::uint32_t showChangesAhead(LuaRunner& runner, std::uint32_t firstChange, std::uint32_t periodMs);

}  // namespace adv
