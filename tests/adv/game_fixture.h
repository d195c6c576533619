#pragma once
// A small game folder in a scratch directory with a real window (dummy
// driver), the message font and a LuaRunner that also offers the scripts a
// note() function, which records what the script reached. Frames run as the
// program runs them (adv::runFrame), without the pacing.
#include <SDL.h>
#include <gtest/gtest.h>
#include <lua.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "adv/comforts/comforts.h"
#include "adv/comforts/preferences.h"
#include "adv/engine.h"
#include "adv/framestep.h"
#include "adv/luarunner.h"
#include "config/sysinfo.h"
#include "orba/orba.h"
#include "testsupport.h"

namespace advtest {

constexpr std::uint32_t black = 0x000000;
constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t grey = 0x808080;
constexpr std::uint32_t msgwinColour = 0x0000FF;
constexpr std::uint32_t cursorNormal = 0xFF00FF;
constexpr std::uint32_t cursorHot = 0x00FFFF;
constexpr std::uint32_t pfCells[3] = {0xFF0000, 0x0000FF, 0xFFFF00};
constexpr const char* fontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

inline std::vector<std::string>& notes() {
    static std::vector<std::string> recorded;
    return recorded;
}

// note(value): records the value as text (numbers as Lua prints them).
inline int note(lua_State* L) {
    const char* text = lua_tostring(L, 1);
    notes().push_back(text ? text : "nil");
    return 0;
}

// Also runs afterUpdate, when set, between the update and the drawing of a
// frame, where a script command would have run.
class NotingRunner : public LuaRunner {
public:
    void loadFile(std::string_view file) override {
        LuaRunner::loadFile(file);
        registerFunction("note", &note);
    }
    void update() override {
        LuaRunner::update();
        if (afterUpdate) afterUpdate();
    }

    std::function<void()> afterUpdate;
};

// Every command answers to its key without the CMD_ prefix (MSG, PF, ...).
inline void setDefaultSettings() {
    System::CAPTION = "test";
    System::FONT = fontPath;
    System::FONT_SIZE = 24;
    for (const SettingsKey& key : settingsKeys()) {
        if (auto* text = std::get_if<std::string*>(&key.field); text && key.name.starts_with("CMD_"))
            **text = std::string(key.name.substr(4));
    }
    for (const SettingsKey& key : optionalSettingsKeys()) *std::get<std::int32_t*>(key.field) = key.absent;
    System::PF_TIMER = 5;
    System::PF_X = 600;
    System::PF_Y = 440;
    System::MSGWIN_X = 0;
    System::MSGWIN_Y = 300;
    System::MSGWIN_ALPHA = 255;
    System::MSG_X = 20;
    System::MSG_Y = 310;
    System::MSG_MARGIN = 40;
    System::POS_CH_L_X = 100;
    System::POS_CH_L_Y = 200;
    System::POS_CH_M_X = 320;
    System::POS_CH_M_Y = 200;
    System::POS_CH_R_X = 540;
    System::POS_CH_R_Y = 200;
}

// pf.bmp: three 32 x 32 cells; cursor.bmp: two 8 x 8 cells; msgwin.bmp: 640 x 120.
inline void writeInterfacePictures(int pfWidth = 96, int pfHeight = 32) {
    testsupport::writeBMP("resource/level/pf.bmp", pfWidth, pfHeight,
                          [](int x, int) { return pfCells[(x / 32) % 3]; });
    testsupport::writeBMP("resource/level/cursor.bmp", 16, 8,
                          [](int x, int) { return x < 8 ? cursorNormal : cursorHot; });
    testsupport::writeSolidBMP("resource/level/msgwin.bmp", 640, 120, msgwinColour);
}

// An FMF file with two 8-bit layers of the given size; layer 1 holds cells.
inline void writeMap(const std::string& file, int width, int height, const std::vector<std::uint8_t>& layer1,
                     int layerCount = 2) {
    std::string bytes = "FMF_";
    auto put32 = [&bytes](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    const auto cells = static_cast<std::uint32_t>(width * height);
    put32(cells * static_cast<std::uint32_t>(layerCount));
    put32(static_cast<std::uint32_t>(width));
    put32(static_cast<std::uint32_t>(height));
    bytes += static_cast<char>(32);
    bytes += static_cast<char>(32);
    bytes += static_cast<char>(layerCount);
    bytes += static_cast<char>(8);
    bytes += std::string(cells, '\0');  // layer 0
    if (layerCount > 1) bytes += std::string(layer1.begin(), layer1.end());
    testsupport::writeFile("resource/level/" + file, bytes);
}

class GameTest : public ::testing::Test {
protected:
    void SetUp() override {
        notes().clear();
        setDefaultSettings();
        prepareFolder();
        testsupport::initWindow();
        adv::loadPreferences();  // those of this game folder, not of a test before
        adv::applyPreferences();
        Orba_openFont("MSGOTHIC24", System::FONT_SIZE, System::FONT);
        testsupport::moveMouse(630, 10);
    }
    void TearDown() override {
        runner.reset();
        Orba_quit();
    }

    // The interface pictures (and any settings of a test's own) before the window opens.
    virtual void prepareFolder() { writeInterfacePictures(); }

    void makeRunner() { runner = std::make_unique<NotingRunner>(); }

    // Writes start.lua (and makes the runner if there is none yet) and loads it.
    void start(std::string_view script) {
        writeScript("start.lua", script);
        if (!runner) makeRunner();
        runner->loadFile("start.lua");
    }
    static void writeScript(const std::string& name, std::string_view text) {
        testsupport::writeFile("resource/level/" + name, text);
    }

    // Frames as the program runs them: input snapshot, clear, update, draw, flip.
    void step(int frames = 1) {
        for (int i = 0; i < frames; ++i) adv::runFrame(*runner, 0);
    }
    // One frame; `during` runs after the update, where a script command would have run.
    void frame(const std::function<void()>& during = {}) {
        runner->afterUpdate = during;
        step();
        runner->afterUpdate = nullptr;
    }
    void clickAt(int x, int y) {
        testsupport::moveMouse(x, y);
        testsupport::click();
        step();
    }

    testsupport::TempDir dir;
    std::unique_ptr<NotingRunner> runner;
};

// The stage's own layout, with interface pictures all in the transparent
// colour, so that they never show in the pixels the tests read.
class StageLayoutTest : public GameTest {
protected:
    static constexpr std::uint32_t keyGreen = 0x00FF00;

    void SetUp() override {
        GameTest::SetUp();
        makeRunner();
    }
    void prepareFolder() override {
        System::MSG_X = 40;
        System::MSG_Y = 360;
        System::MSG_MARGIN = 28;
        System::MSGWIN_Y = 340;
        System::POS_CH_L_X = 200;
        System::POS_CH_L_Y = 240;
        System::POS_CH_M_Y = 240;
        System::POS_CH_R_X = 440;
        System::POS_CH_R_Y = 240;
        testsupport::writeSolidBMP("resource/level/pf.bmp", 64, 32, keyGreen);
        testsupport::writeSolidBMP("resource/level/cursor.bmp", 16, 16, keyGreen);
        testsupport::writeSolidBMP("resource/level/msgwin.bmp", 640, 140, 0x202040);
    }
};

}  // namespace advtest
