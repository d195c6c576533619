#pragma once
// The choices of SELECT: up to four boxes, one highlighted, picked with the
// pointer or with Up, Down and confirm.
#include <cstdint>
#include <string>
#include <vector>

namespace adv {

struct ChoiceState {
    std::vector<std::string> choices;
    std::int32_t choiceCursor = 0;  // the highlighted choice
};

// Shows the choices and suspends the script until one is picked.
void setChoices(const std::vector<std::string>& items);

// One frame of the choosing: moves the highlight with the pointer's row, or
// with Up and Down, which move the pointer too; true when the player
// confirmed, with the choice result already set.
bool pickChoice();
void drawChoices();
// The highlighted box pulses: how much lighter it is in a frame of the frame
// counter; the pulse repeats every highlightPulseFrames frames.
inline constexpr std::uint32_t highlightPulseFrames = 45;
int highlightLift(std::uint32_t frameCounter);

}  // namespace adv
