#pragma once
// The small marks in the window's top right corner while auto mode or skipping
// is on. They are drawn over the game's frame, so a thumbnail of that frame
// is to be taken before they are drawn.

namespace adv {

enum class SkipMark { Off, ReadPages, AllPages };

// "SKIP" (or "SKIP ALL") and "AUTO", right to left, in the message colour.
void drawComfortMarks(bool autoMode, SkipMark skip);

}  // namespace adv
