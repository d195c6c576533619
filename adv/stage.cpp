#include "adv/stage.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "adv/engine.h"
#include "adv/saturating.h"
#include "adv/screen.h"
#include "config/sysinfo.h"
#include "gamefiles/gamefiles.h"
#include "orba/orba.h"

namespace adv {

namespace {

constexpr int tileSize = 40;
constexpr int tileColumns = screenWidth / tileSize;
constexpr int tileRows = screenHeight / tileSize;

// A picture of the game; one outside the game's folder is refused as missing.
void loadPicture(std::string_view key, const std::string& path, int r, int g, int b) {
    if (skippedAsMissing("picture", path)) return;
    if (!insideGameFolder(path)) throw Error("Orba_loadBMP: Couldn't open " + path);
    Orba_loadBMP(key, path, r, g, b);
}

// Every tile of the grid shows, in place, the side x side square of the
// picture around the tile's centre.
void drawTiles(std::string_view key, int side) {
    side = std::max(side, 1);
    for (int row = 0; row < tileRows; ++row) {
        for (int column = 0; column < tileColumns; ++column) {
            const int cx = tileSize / 2 + tileSize * column;
            const int cy = tileSize / 2 + tileSize * row;
            Orba_drawEx(key, cx, cy, cx - side / 2, cy - side / 2, side, side);
        }
    }
}

// The slot a position names; any number but middle and right is the left one.
std::size_t characterSlot(std::int32_t position) {
    switch (position) {
    case positions::middle: return 1;
    case positions::right: return 2;
    default: return 0;
    }
}

constexpr std::array<const char*, characterSlots> characterKeys{"charaL", "charaM", "charaR"};

}  // namespace

void drawBackground(std::string_view file, std::int32_t effect) {
    StageState& e = stage();
    if (file == e.background) return;
    e.backgroundEffect = effect;
    if (effect == effects::fade || effect == effects::tiles) {
        e.nextBackground = std::string(file);
        e.nextBackgroundPath = scriptDirectory() + e.nextBackground;
        loadPicture("bg2", e.nextBackgroundPath, orbaNoKey, 0, 0);
        e.backgroundFadeTimer = transitionFrames;
    } else {
        e.background = std::string(file);
        e.backgroundPath = scriptDirectory() + e.background;
        loadPicture("bg", e.backgroundPath, orbaNoKey, 0, 0);
        Orba_setAlpha("bg", 255);
        e.backgroundFadeTimer = 0;
    }
}

void eraseBackground(std::int32_t effect) {
    StageState& e = stage();
    e.eraseEffect = effect;
    if (effect == effects::fade || effect == effects::tiles)
        e.eraseTimer = transitionFrames;
    else
        e.background.clear();
}

void drawCharacter(std::string_view file, std::int32_t position, std::int32_t /*effect*/) {
    StageState& e = stage();
    const std::size_t slot = characterSlot(position);
    e.characters[slot] = std::string(file);
    e.characterPaths[slot] = scriptDirectory() + e.characters[slot];
    loadPicture(characterKeys[slot], e.characterPaths[slot], 0, 255, 0);
}

void eraseCharacter(std::int32_t position, std::int32_t /*effect*/) {
    StageState& e = stage();
    if (position == positions::all) {
        for (std::string& name : e.characters) name.clear();
    } else {
        e.characters[characterSlot(position)].clear();
    }
}

void flash(std::int32_t colour, std::int32_t count) {
    StageState& e = stage();
    e.flashColour = colour;
    e.flashTimer = saturatingMultiply(count, 2);
}

void shake(std::int32_t amplitude, std::int32_t hold) {
    StageState& e = stage();
    e.shakeAmplitude = amplitude;
    e.shakeHold = hold;
}

void stepBackgroundTimers() {
    StageState& e = stage();
    if (e.backgroundFadeTimer > 0 && --e.backgroundFadeTimer == 0) {
        // Read again from where it came from, even if DIRECTORY moved on meanwhile.
        e.background = e.nextBackground;
        e.backgroundPath = e.nextBackgroundPath;
        loadPicture("bg", e.backgroundPath, orbaNoKey, 0, 0);
    }
    if (e.eraseTimer > 0 && --e.eraseTimer == 0) {
        e.background.clear();
        Orba_freeBMP("bg");
    }
}

void passFramesUndrawn(std::int64_t frames) {
    if (frames <= 0) return;
    course().frameCounter += static_cast<std::uint32_t>(frames);  // wraps as the frame clock does
    StageState& e = stage();
    // Each step ends a transition sooner, so this loop runs at most transitionFrames times.
    for (std::int64_t f = 0; f < frames && (e.backgroundFadeTimer > 0 || e.eraseTimer > 0); ++f)
        stepBackgroundTimers();
    if (e.flashTimer > 0)
        e.flashTimer = static_cast<std::int32_t>(std::max<std::int64_t>(e.flashTimer - frames, 0));
    if (e.shakeAmplitude > 0) {
        // The shake holds its amplitude first, then loses one pixel a frame.
        const std::int64_t held = std::clamp<std::int64_t>(e.shakeHold, 0, frames);
        e.shakeHold -= static_cast<std::int32_t>(held);
        e.shakeAmplitude =
            static_cast<std::int32_t>(std::max<std::int64_t>(e.shakeAmplitude - (frames - held), 0));
    }
}

void finishEffects() {
    StageState& e = stage();
    while (e.backgroundFadeTimer > 0 || e.eraseTimer > 0) stepBackgroundTimers();
    e.flashTimer = 0;
    e.shakeAmplitude = 0;
    e.shakeHold = 0;
}

void restoreStage(const std::string& background, const std::string& backgroundPath,
                  const std::array<std::string, characterSlots>& characters,
                  const std::array<std::string, characterSlots>& characterPaths) {
    StageState& e = stage();
    e = StageState{};
    e.background = background;
    e.backgroundPath = backgroundPath;
    if (!background.empty()) {
        loadPicture("bg", backgroundPath, orbaNoKey, 0, 0);
        Orba_setAlpha("bg", 255);
    }
    e.characters = characters;
    e.characterPaths = characterPaths;
    for (std::size_t slot = 0; slot < characterSlots; ++slot)
        if (!characters[slot].empty()) loadPicture(characterKeys[slot], characterPaths[slot], 0, 255, 0);
}

void drawFlashOverlay() {
    StageState& e = stage();
    if (e.flashTimer <= 0) return;
    // A skip shows no flash, though its frames count as in play.
    if (e.flashTimer % 2 == 0 && !playback().skipping) {
        Orba_fillRect(0, 0, screenWidth, screenHeight, (e.flashColour >> 16) & 255,
                      (e.flashColour >> 8) & 255, e.flashColour & 255);
    }
    --e.flashTimer;
}

void applyShakeOffset() {
    StageState& e = stage();
    Orba_setOffset(0, 0);
    if (e.shakeAmplitude <= 0) return;
    // Beyond the window's width the picture is gone either way; the bound keeps
    // the offset within what the platform's 16-bit rectangles can carry.
    int offset = std::min(e.shakeAmplitude, screenWidth);
    if (e.shakeHold > 0)
        --e.shakeHold;
    else
        --e.shakeAmplitude;
    if (course().frameCounter % 2 == 0) offset = -offset;
    if (!playback().skipping) Orba_setOffset(offset, 0);  // a skip shows no shake either
}

void renderStageBackground() {
    const StageState& e = stage();
    if (e.background.empty()) return;
    if (e.eraseTimer == 0) {
        Orba_draw("bg", 0, 0, 0, 0, 0, 0);
        return;
    }
    switch (e.eraseEffect) {
    case effects::fade:
        Orba_setAlpha("bg", e.eraseTimer * 255 / transitionFrames);
        Orba_draw("bg", 0, 0, 0, 0, 0, 0);
        break;
    case effects::tiles: drawTiles("bg", tileSize * e.eraseTimer / transitionFrames); break;
    default:  // effect 0, or an unknown effect meeting a running erase: nothing
        break;
    }
}

void renderStageNextBackground() {
    const StageState& e = stage();
    if (e.backgroundFadeTimer < 1 || e.nextBackground.empty()) return;
    switch (e.backgroundEffect) {
    case effects::fade:
        Orba_setAlpha("bg2", 255 - e.backgroundFadeTimer * 255 / transitionFrames);
        Orba_draw("bg2", 0, 0, 0, 0, 0, 0);
        break;
    case effects::tiles:
        drawTiles("bg2", tileSize - tileSize * e.backgroundFadeTimer / transitionFrames);
        break;
    default: Orba_draw("bg2", 0, 0, 0, 0, 0, 0); break;
    }
}

void renderStageCharacters() {
    const StageState& e = stage();
    const std::array<std::pair<int, int>, characterSlots> places{{{System::POS_CH_L_X, System::POS_CH_L_Y},
                                                                  {System::POS_CH_M_X, System::POS_CH_M_Y},
                                                                  {System::POS_CH_R_X, System::POS_CH_R_Y}}};
    for (std::size_t slot = 0; slot < characterSlots; ++slot) {
        if (!e.characters[slot].empty())
            Orba_drawEx(characterKeys[slot], places[slot].first, places[slot].second, 0, 0, 0, 0);
    }
}

}  // namespace adv
