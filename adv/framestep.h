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

}  // namespace adv
