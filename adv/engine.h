#pragma once
// The engine state of the adventure engine, one set per program, shared by
// LuaRunner and the script commands, and the plain functions that act on it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fmfloader/fmfloader.h"

namespace adv {

enum RunnerState : std::int32_t { Running = 0, WaitPage = 1, Choosing = 2, MapPick = 3 };

constexpr int framesPerSecond = 30;
constexpr int flagCount = 128;
constexpr int transitionFrames = 15;

struct EngineState {
    std::int32_t state = Running;
    std::int32_t waitFrames = 0;
    std::string pendingScript;
    // Frame clocks of the animations; unsigned, so that after 2^32 frames
    // (about 4.5 years) they wrap to 0 instead of overflowing.
    std::uint32_t frameCounter = 0;

    std::vector<std::string> messages;
    std::uint32_t messageCounter = 0;

    std::vector<std::string> choices;
    std::int32_t choiceCursor = 0;
    std::int32_t choiceResult = 0;

    std::array<std::int32_t, flagCount> flags{};
    std::string scriptDirectory;
    std::unique_ptr<FMFLoader> map;

    std::string background, nextBackground;
    std::string nextBackgroundPath;  // where nextBackground was read from
    std::int32_t backgroundEffect = 0, backgroundFadeTimer = 0;
    std::int32_t eraseEffect = 0, eraseTimer = 0;
    std::string characterLeft, characterMiddle, characterRight;

    std::int32_t flashColor = 0, flashTimer = 0;
    std::int32_t shakeAmplitude = 0, shakeHold = 0;
};

// The module-wide engine state.
EngineState& engine();
// Puts every field back to its program-start value (used when a runner is made).
void resetEngineState();

// Runner control, called by the commands.
void requestScript(std::string_view file);
void waitPage();
void waitMapPick();
void setDirectory(std::string_view dir);
void setFlag(std::int32_t index, std::int32_t value);
std::int32_t getFlag(std::int32_t index);
void loadMap(std::string_view file);
// The layer-1 value of the 16 x 16 cell under a pixel; -1 without a map,
// without a second layer or outside it.
std::int32_t mapValueAt(int x, int y);

// Message window.
void addMessage(std::string_view text);
void clearMessages();

// Choices.
void setChoices(const std::vector<std::string>& items);

// Stage and screen effects.
void drawBackground(std::string_view file, std::int32_t effect);
void eraseBackground(std::int32_t effect);
void drawCharacter(std::string_view file, std::int32_t position, std::int32_t effect);
void eraseCharacter(std::int32_t position, std::int32_t effect);
void flash(std::int32_t color, std::int32_t count);
void shake(std::int32_t amplitude, std::int32_t hold);
// Per-frame parts of the stage used by LuaRunner: the transition timers at the
// start of update, the flash overlay and the shake offset in draw.
void stepBackgroundTimers();
void drawFlashOverlay();
void applyShakeOffset();

} // namespace adv
