#pragma once
// The game's flags and the last choice made, both read and set by scripts.
#include <array>
#include <cstdint>

namespace adv {

constexpr int flagCount = 128;

struct FlagState {
    std::array<std::int32_t, flagCount> flags{};
    std::int32_t choiceResult = 0;
};

// Outside 0 .. flagCount - 1 a flag reads 0 and setting it does nothing.
void setFlag(std::int32_t index, std::int32_t value);
std::int32_t getFlag(std::int32_t index);

}  // namespace adv
