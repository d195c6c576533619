#pragma once
// The platform layer's one module-wide state. Only files of orba/ include this.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "orba/sdl_handles.h"

namespace orba {

constexpr int keyCount = 323; // SDLK_LAST of SDL 1.2

// Keyed tables compare keys byte for byte and allow lookup by string_view.
template <class V>
using KeyedTable = std::map<std::string, V, std::less<>>;

struct State {
    bool initialised = false;
    int width = 0, height = 0, depth = 0;
    std::uint32_t videoFlags = 0;
    SDL_Surface* screen = nullptr; // owned by SDL
    SurfacePtr backBuffer;
    int offsetX = 0, offsetY = 0;

    bool quitRequested = false;
    // Snapshot of this frame and the frame before; a press released within the
    // frame still counts as held in that frame.
    std::uint8_t mouseButtons = 0, prevMouseButtons = 0;
    std::array<bool, keyCount> keys{}, prevKeys{};
    JoystickPtr joystick;
    bool joystickPresent = false;
    int buttonCount = 0;
    std::vector<bool> buttons, prevButtons;
    std::int16_t axisX = 0, axisY = 0, prevAxisX = 0, prevAxisY = 0;
    std::uint32_t lastFrameTicks = 0;
    std::uint32_t delayCalls = 0;

    KeyedTable<SurfacePtr> pictures;

    bool ttfReady = false;
    KeyedTable<FontPtr> fonts;
    std::string currentFont;
    SDL_Color textColour{0, 0, 0, 0};

    KeyedTable<ChunkPtr> sounds;
    MusicPtr music;
    bool audioOpen = false;
};

State& state();

// Tear-down steps owned by the text and sound files, called by Orba_quit.
void closeFonts();
void closeSound();

} // namespace orba
