#pragma once
// A small game folder in a scratch directory, a window under the dummy
// drivers and one LuaRunner, stepped frame by frame like the main loop does.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "adv/engine.h"
#include "adv/luarunner.h"
#include "config/sysinfo.h"
#include "orba/orba.h"
#include "testsupport.h"

namespace stagetest {

inline constexpr std::uint32_t black = 0x000000;
inline constexpr std::uint32_t keyGreen = 0x00FF00;

class Game : public ::testing::Test {
protected:
    void SetUp() override {
        nameCommands();
        System::PF_TIMER = 5;
        System::PF_X = 600;
        System::PF_Y = 440;
        System::MSG_X = 40;
        System::MSG_Y = 360;
        System::MSG_MARGIN = 28;
        System::MSGWIN_X = 0;
        System::MSGWIN_Y = 340;
        System::MSGWIN_ALPHA = 255;
        System::POS_CH_L_X = 200;
        System::POS_CH_L_Y = 240;
        System::POS_CH_M_X = 320;
        System::POS_CH_M_Y = 240;
        System::POS_CH_R_X = 440;
        System::POS_CH_R_Y = 240;
        // Interface pictures all in the transparent colour, so they never
        // show in the pixels the tests read.
        testsupport::writeSolidBMP("resource/level/pf.bmp", 64, 32, keyGreen);
        testsupport::writeSolidBMP("resource/level/cursor.bmp", 16, 16, keyGreen);
        testsupport::writeSolidBMP("resource/level/msgwin.bmp", 640, 140, 0x202040);
        testsupport::initWindow();
        runner = std::make_unique<LuaRunner>();
    }

    void TearDown() override {
        runner.reset();
        Orba_quit();
    }

    // Every command under its own upper-case name: CMD_MSG is "MSG".
    static void nameCommands() {
        for (const SettingsKey& key : settingsKeys()) {
            if (auto* text = std::get_if<std::string*>(&key.field); text && key.name.starts_with("CMD_"))
                **text = std::string(key.name.substr(4));
        }
    }

    // Writes start.lua and loads it; it runs from the next frame on.
    void start(std::string_view script) {
        testsupport::writeFile("resource/level/start.lua", script);
        runner->loadFile("start.lua");
    }

    // One pass of the main loop without the pacing: clear, update, draw.
    // `during` runs after update, where a script command would have run.
    void frame(const std::function<void()>& during = {}) {
        Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
        runner->update();
        if (during) during();
        runner->draw();
    }

    void frames(int count) {
        for (int i = 0; i < count; ++i) frame();
    }

    // Takes the input snapshot (events pushed before are seen by the next frame).
    static void input() { Orba_update(0); }

    static adv::EngineState& state() { return adv::engine(); }

    testsupport::TempDir folder;
    std::unique_ptr<LuaRunner> runner;
};

} // namespace stagetest
