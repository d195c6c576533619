#pragma once
// Where the game's frame shows on a screen larger than the frame, and the
// mapping of positions between the two. Pure arithmetic, no SDL.
#include <optional>

namespace orba {

// The frame of frameW x frameH pixels shown at (x, y) of the screen, w x h
// pixels large.
struct Viewport {
    int frameW = 0, frameH = 0;
    int x = 0, y = 0, w = 0, h = 0;

    // Each frame pixel becomes a whole square of screen pixels.
    bool wholeScale() const { return w % frameW == 0 && h % frameH == 0 && w / frameW == h / frameH; }
    bool identity() const { return x == 0 && y == 0 && w == frameW && h == frameH; }
};

// The largest frame of the same proportions that fits the screen, centred:
// the screen's leftover rows or columns are the bars.
Viewport fitViewport(int frameW, int frameH, int screenW, int screenH);

// The frame pixel whose centre is nearest to the centre of view pixel `at`
// of a row or column, for a frame of `frameSize` shown `viewSize` wide.
int nearestSource(int at, int frameSize, int viewSize);

struct Point {
    int x = 0, y = 0;
};

// The frame pixel shown at a screen position; none on the bars or beyond.
std::optional<Point> screenToFrame(const Viewport& view, int screenX, int screenY);
// The screen position at the middle of a frame pixel's square.
Point frameToScreen(const Viewport& view, int frameX, int frameY);

}  // namespace orba
