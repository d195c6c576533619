#include <cstddef>

#include "adv/engine.h"
#include "adv/runner_parts.h"
#include "orba/orba.h"

namespace adv {

namespace {

constexpr int maxChoices = 4;
constexpr int firstTop = 80;  // top of the first box and of the first mouse band
constexpr int rowPitch = 60;  // one box and its gap

// The highlighted box pulses: grey rises by up to 94 and falls back in 45 frames.
int pulse(std::uint32_t frameCounter) {
    const float angle = static_cast<float>((frameCounter % 45) * 4);
    return static_cast<int>(Orba_sinDeg(angle) * 95.0L);
}

void drawChoice(int index, int lift) {
    const int top = firstTop + rowPitch * index;
    Orba_fillRect(40, top, 560, 40, 160 + lift, 160 + lift, 160 + lift);
    Orba_fillRect(44, top + 4, 552, 32, 64 + lift, 64 + lift, 64 + lift);
    Orba_drawText(engine().choices[static_cast<std::size_t>(index)], 60, top + 8, 255);
}

} // namespace

bool pickChoice() {
    EngineState& e = engine();
    const int y = Orba_getMouseY();
    if (y >= firstTop && y < firstTop + rowPitch * maxChoices) e.choiceCursor = (y - firstTop) / rowPitch;
    const auto last = static_cast<std::int32_t>(e.choices.size()) - 1;
    if (e.choiceCursor >= last) e.choiceCursor = last < 0 ? 0 : last;
    if (!Orba_isPushDecide()) return false;
    e.choiceResult = e.choiceCursor;
    return true;
}

void drawChoices() {
    const EngineState& e = engine();
    const auto count = static_cast<int>(e.choices.size());
    for (int i = 0; i < count; ++i) drawChoice(i, i == e.choiceCursor ? pulse(e.frameCounter) : 0);
}

} // namespace adv
