// The viewport's arithmetic in 64 bits: screens times frames stay far from
// its limits.
#include "orba/viewport.h"

#include <cstdint>

namespace orba {

Viewport fitViewport(int frameW, int frameH, int screenW, int screenH) {
    Viewport view{frameW, frameH, 0, 0, screenW, screenH};
    if (frameW <= 0 || frameH <= 0) return view;
    const std::int64_t wide = std::int64_t{screenW} * frameH, tall = std::int64_t{screenH} * frameW;
    if (wide > tall)
        view.w = static_cast<int>(tall / frameH);  // full height, bars left and right
    else if (wide < tall)
        view.h = static_cast<int>(wide / frameW);  // full width, bars above and below
    view.x = (screenW - view.w) / 2;
    view.y = (screenH - view.h) / 2;
    return view;
}

int nearestSource(int at, int frameSize, int viewSize) {
    return static_cast<int>((2 * std::int64_t{at} + 1) * frameSize / (2 * std::int64_t{viewSize}));
}

std::optional<Point> screenToFrame(const Viewport& view, int screenX, int screenY) {
    const int dx = screenX - view.x, dy = screenY - view.y;
    if (dx < 0 || dy < 0 || dx >= view.w || dy >= view.h) return std::nullopt;
    return Point{nearestSource(dx, view.frameW, view.w), nearestSource(dy, view.frameH, view.h)};
}

Point frameToScreen(const Viewport& view, int frameX, int frameY) {
    auto middle = [](int at, int frameSize, int viewSize) {
        return static_cast<int>((2 * std::int64_t{at} + 1) * viewSize / (2 * std::int64_t{frameSize}));
    };
    return Point{view.x + middle(frameX, view.frameW, view.w), view.y + middle(frameY, view.frameH, view.h)};
}

}  // namespace orba
