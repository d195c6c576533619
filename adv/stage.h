#pragma once
// The stage: the background with its fade and tile transitions, the three
// character slots, and the two screen effects (flash and shake).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace adv {

constexpr int transitionFrames = 15;

// The effect numbers of the background commands; any other number draws or
// erases at once.
namespace effects {
inline constexpr std::int32_t cut = 0;
inline constexpr std::int32_t fade = 1;
inline constexpr std::int32_t tiles = 2;
}  // namespace effects

// The character positions; any other number is the left one, and erasing
// at `all` empties every slot.
namespace positions {
inline constexpr std::int32_t left = 0;
inline constexpr std::int32_t middle = 1;
inline constexpr std::int32_t right = 2;
inline constexpr std::int32_t all = -1;
}  // namespace positions

inline constexpr std::size_t characterSlots = 3;

struct StageState {
    // The names as the script gave them, and the paths they were read from.
    std::string background, nextBackground;
    std::string backgroundPath, nextBackgroundPath;
    std::int32_t backgroundEffect = 0, backgroundFadeTimer = 0;
    std::int32_t eraseEffect = 0, eraseTimer = 0;
    std::array<std::string, characterSlots> characters, characterPaths;  // by position

    std::int32_t flashColour = 0, flashTimer = 0;
    std::int32_t shakeAmplitude = 0, shakeHold = 0;
};

void drawBackground(std::string_view file, std::int32_t effect);
void eraseBackground(std::int32_t effect);
void drawCharacter(std::string_view file, std::int32_t position, std::int32_t effect);
void eraseCharacter(std::int32_t position, std::int32_t effect);
void flash(std::int32_t colour, std::int32_t count);
void shake(std::int32_t amplitude, std::int32_t hold);

// Per frame: the transition timers at the start of update; in draw the
// background, the incoming background, the characters, and after the
// state's pictures the flash overlay and the shake offset, which count their
// frames down as they draw (and, while skipping, count without showing).
void stepBackgroundTimers();
// What `frames` frames leave of the frame clock and of the stage's timers
// (transitions, flash, shake), without drawing them: a WAIT skipped or replayed.
void passFramesUndrawn(std::int64_t frames);
// Runs the transitions to their ends at once, and drops the flash and shake.
void finishEffects();
// The background and characters shown without a transition, read from their paths.
void restoreStage(const std::string& background, const std::string& backgroundPath,
                  const std::array<std::string, characterSlots>& characters,
                  const std::array<std::string, characterSlots>& characterPaths);
void renderStageBackground();
void renderStageNextBackground();
void renderStageCharacters();
void drawFlashOverlay();
void applyShakeOffset();

}  // namespace adv
