#include "adv/choices.h"

#include <SDL.h>

#include <algorithm>
#include <cstddef>

#include "adv/engine.h"
#include "orba/orba.h"

namespace adv {

namespace {

constexpr int maxChoices = 4;
constexpr int firstTop = 80;  // top of the first box and of the first mouse band
constexpr int rowPitch = 60;  // one box and its gap

void drawChoice(int index, int lift) {
    const int top = firstTop + rowPitch * index;
    Orba_fillRect(40, top, 560, 40, 160 + lift, 160 + lift, 160 + lift);
    Orba_fillRect(44, top + 4, 552, 32, 64 + lift, 64 + lift, 64 + lift);
    Orba_drawText(choiceMenu().choices[static_cast<std::size_t>(index)], 60, top + 8, 255);
}

// -1 for a new press of Up, 1 for Down, 0 for neither or both.
int keyStep() { return (Orba_isPushKey(SDLK_DOWN) ? 1 : 0) - (Orba_isPushKey(SDLK_UP) ? 1 : 0); }

}  // namespace

// Grey rises by up to 94 and falls back in highlightPulseFrames frames.
int highlightLift(std::uint32_t frameCounter) {
    const float angle = static_cast<float>((frameCounter % highlightPulseFrames) * 4);
    return static_cast<int>(Orba_sinDeg(angle) * 95.0L);
}

// Up and Down move the pointer to the middle of the neighbouring choice's
// row, so the pointer and the highlight stay one; the pointer is not read in
// that frame, since a real window reports the move only with the next events.
bool pickChoice() {
    ChoiceState& e = choiceMenu();
    const auto last = static_cast<std::int32_t>(e.choices.size()) - 1;
    if (const int step = keyStep(); step != 0) {
        e.choiceCursor = std::clamp(e.choiceCursor + step, 0, std::max(last, 0));
        Orba_warpMouse(Orba_getMouseX(), firstTop + rowPitch * e.choiceCursor + rowPitch / 2);
    } else {
        const int y = Orba_getMouseY();
        if (y >= firstTop && y < firstTop + rowPitch * maxChoices) e.choiceCursor = (y - firstTop) / rowPitch;
    }
    if (e.choiceCursor >= last) e.choiceCursor = last < 0 ? 0 : last;
    if (!Orba_isPushDecide()) return false;
    flagState().choiceResult = e.choiceCursor;
    return true;
}

void drawChoices() {
    const ChoiceState& e = choiceMenu();
    const auto count = static_cast<int>(e.choices.size());
    for (int i = 0; i < count; ++i)
        drawChoice(i, i == e.choiceCursor ? highlightLift(course().frameCounter) : 0);
}

void setChoices(const std::vector<std::string>& items) {
    choiceMenu().choices = items;
    course().state = RunnerState::Choosing;
    choiceMenu().choiceCursor = 0;
}

}  // namespace adv
