#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "adv/engine.h"
#include "adv/luarunner.h"
#include "adv/runner_parts.h"
#include "config/sysinfo.h"
#include "orba/orba.h"

namespace {

constexpr int shadowGrey = 0x808080;
constexpr int shadowOffset = 2;

// The shadow's place; settings reach up to the largest int, where it stays.
int shadowed(int position) {
    return static_cast<int>(std::min<std::int64_t>(std::int64_t{position} + shadowOffset,
                                                   std::numeric_limits<int>::max()));
}

void drawLine(std::string_view line, int x, int y) {
    const int colour = Orba_getColorHex();
    Orba_setColorHex(shadowGrey);
    Orba_drawText(line, shadowed(x), shadowed(y), 255);
    Orba_setColorHex(colour);
    Orba_drawText(line, x, y, 255);
}

} // namespace

void LuaRunner::renderMessageWindow() {
    Orba_draw("msgwin", System::MSGWIN_X, System::MSGWIN_Y, 0, 0, 0, 0);
    const auto& lines = adv::engine().messages;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;  // an empty line still takes its row
        const auto y = System::MSG_Y + static_cast<std::int64_t>(i) * System::MSG_MARGIN;
        // A line beyond the range of int lies far off the window either way.
        drawLine(lines[i], System::MSG_X,
                 static_cast<int>(std::clamp<std::int64_t>(y, std::numeric_limits<int>::min(),
                                                           std::numeric_limits<int>::max())));
    }
}

namespace adv {

// Each cell of "pf" shows for PF_TIMER frames, left to right, then the row
// repeats. A timer below 1 or a picture with no whole cell shows cell 0.
void drawPageFeed(const LuaRunner& runner) {
    const std::int64_t timer = System::PF_TIMER;
    const std::int64_t period = timer * runner.pageIconFrames;
    const std::int64_t cell = timer > 0 && period > 0 ? engine().messageCounter % period / timer : 0;
    const int size = runner.pageIconSize;
    Orba_drawEx("pf", System::PF_X, System::PF_Y, static_cast<int>(cell * size), 0, size, size);
}

} // namespace adv
