// The stage: the background with its fade and tile transitions, the three
// character slots, and the two screen effects (flash and shake).
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "adv/engine.h"
#include "adv/luarunner.h"
#include "config/sysinfo.h"
#include "gamefiles/gamefiles.h"
#include "orba/orba.h"

namespace adv {

namespace {

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;
constexpr int tileSize = 40;
constexpr int tileColumns = screenWidth / tileSize;
constexpr int tileRows = screenHeight / tileSize;
constexpr int noColourKey = -2;

// A picture of the game; one outside the game's folder is refused as missing.
void loadPicture(std::string_view key, const std::string& path, int r, int g, int b) {
    if (!insideGameFolder(path)) throw Error("Orba_loadBMP: Couldn't open " + path);
    Orba_loadBMP(key, path, r, g, b);
}

void loadBackgroundPicture(std::string_view key, const std::string& file) {
    loadPicture(key, engine().scriptDirectory + file, noColourKey, 0, 0);
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

std::string* characterSlot(std::int32_t position) {
    EngineState& e = engine();
    switch (position) {
    case 1: return &e.characterMiddle;
    case 2: return &e.characterRight;
    default: return &e.characterLeft;
    }
}

const char* characterKey(std::int32_t position) {
    switch (position) {
    case 1: return "charaM";
    case 2: return "charaR";
    default: return "charaL";
    }
}

std::int32_t saturatingDouble(std::int32_t value) {
    const std::int64_t doubled = static_cast<std::int64_t>(value) * 2;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        doubled, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

void drawBackground(std::string_view file, std::int32_t effect) {
    EngineState& e = engine();
    if (file == e.background) return;
    e.backgroundEffect = effect;
    if (effect == 1 || effect == 2) {
        e.nextBackground = std::string(file);
        e.nextBackgroundPath = e.scriptDirectory + e.nextBackground;
        loadPicture("bg2", e.nextBackgroundPath, noColourKey, 0, 0);
        e.backgroundFadeTimer = transitionFrames;
    } else {
        e.background = std::string(file);
        loadBackgroundPicture("bg", e.background);
        Orba_setAlpha("bg", 255);
        e.backgroundFadeTimer = 0;
    }
}

void eraseBackground(std::int32_t effect) {
    EngineState& e = engine();
    e.eraseEffect = effect;
    if (effect == 1 || effect == 2)
        e.eraseTimer = transitionFrames;
    else
        e.background.clear();
}

void drawCharacter(std::string_view file, std::int32_t position, std::int32_t /*effect*/) {
    std::string& slot = *characterSlot(position);
    slot = std::string(file);
    loadPicture(characterKey(position), engine().scriptDirectory + slot, 0, 255, 0);
}

void eraseCharacter(std::int32_t position, std::int32_t /*effect*/) {
    EngineState& e = engine();
    if (position == -1) {
        e.characterLeft.clear();
        e.characterMiddle.clear();
        e.characterRight.clear();
    } else {
        characterSlot(position)->clear();
    }
}

void flash(std::int32_t color, std::int32_t count) {
    EngineState& e = engine();
    e.flashColor = color;
    e.flashTimer = saturatingDouble(count);
}

void shake(std::int32_t amplitude, std::int32_t hold) {
    EngineState& e = engine();
    e.shakeAmplitude = amplitude;
    e.shakeHold = hold;
}

void stepBackgroundTimers() {
    EngineState& e = engine();
    if (e.backgroundFadeTimer > 0 && --e.backgroundFadeTimer == 0) {
        // Read again from where it came from, even if DIRECTORY moved on meanwhile.
        e.background = e.nextBackground;
        loadPicture("bg", e.nextBackgroundPath, noColourKey, 0, 0);
    }
    if (e.eraseTimer > 0 && --e.eraseTimer == 0) {
        e.background.clear();
        Orba_freeBMP("bg");
    }
}

void drawFlashOverlay() {
    EngineState& e = engine();
    if (e.flashTimer <= 0) return;
    if (e.flashTimer % 2 == 0) {
        Orba_fillRect(0, 0, screenWidth, screenHeight, (e.flashColor >> 16) & 255,
                      (e.flashColor >> 8) & 255, e.flashColor & 255);
    }
    --e.flashTimer;
}

void applyShakeOffset() {
    EngineState& e = engine();
    Orba_setOffset(0, 0);
    if (e.shakeAmplitude <= 0) return;
    // Beyond the window's width the picture is gone either way; the bound keeps
    // the offset within what the platform's 16-bit rectangles can carry.
    int offset = std::min(e.shakeAmplitude, screenWidth);
    if (e.shakeHold > 0)
        --e.shakeHold;
    else
        --e.shakeAmplitude;
    if (e.frameCounter % 2 == 0) offset = -offset;
    Orba_setOffset(offset, 0);
}

} // namespace adv

void LuaRunner::renderBackground() {
    const adv::EngineState& e = adv::engine();
    if (e.background.empty()) return;
    if (e.eraseTimer == 0) {
        Orba_draw("bg", 0, 0, 0, 0, 0, 0);
        return;
    }
    switch (e.eraseEffect) {
    case 1:
        Orba_setAlpha("bg", e.eraseTimer * 255 / adv::transitionFrames);
        Orba_draw("bg", 0, 0, 0, 0, 0, 0);
        break;
    case 2:
        adv::drawTiles("bg", adv::tileSize * e.eraseTimer / adv::transitionFrames);
        break;
    default:  // effect 0, or an unknown effect meeting a running erase: nothing
        break;
    }
}

void LuaRunner::renderNextBackground() {
    const adv::EngineState& e = adv::engine();
    if (e.backgroundFadeTimer < 1 || e.nextBackground.empty()) return;
    switch (e.backgroundEffect) {
    case 1:
        Orba_setAlpha("bg2", 255 - e.backgroundFadeTimer * 255 / adv::transitionFrames);
        Orba_draw("bg2", 0, 0, 0, 0, 0, 0);
        break;
    case 2:
        adv::drawTiles("bg2", adv::tileSize - adv::tileSize * e.backgroundFadeTimer / adv::transitionFrames);
        break;
    default:
        Orba_draw("bg2", 0, 0, 0, 0, 0, 0);
        break;
    }
}

void LuaRunner::renderCharacters() {
    const adv::EngineState& e = adv::engine();
    if (!e.characterLeft.empty()) Orba_drawEx("charaL", System::POS_CH_L_X, System::POS_CH_L_Y, 0, 0, 0, 0);
    if (!e.characterMiddle.empty()) Orba_drawEx("charaM", System::POS_CH_M_X, System::POS_CH_M_Y, 0, 0, 0, 0);
    if (!e.characterRight.empty()) Orba_drawEx("charaR", System::POS_CH_R_X, System::POS_CH_R_Y, 0, 0, 0, 0);
}
