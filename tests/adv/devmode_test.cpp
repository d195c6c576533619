// Developer mode: an edited script shows at the page the author was on, a
// reload that no longer fits stops at the first wait that differs, errors
// show over the picture and the game goes on once the file is fixed.
#include <SDL.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "adv/devmode.h"
#include "game_fixture.h"

namespace {

using Strings = std::vector<std::string>;

class DevModeTest : public advtest::GameTest {
protected:
    void TearDown() override {
        dev.reset();
        GameTest::TearDown();
    }
    void startDev(std::string_view script) {
        writeScript("start.lua", script);
        dev = std::make_unique<adv::DevMode>([] { return std::make_unique<LuaRunner>(); });
        dev->start();
        devStep();
    }
    void devStep(int frames = 1) {
        for (int i = 0; i < frames; ++i) dev->frame(0);
    }
    void tap(int key) {
        testsupport::tapKey(key);
        devStep();
    }
    static std::string caption() {
        char* title = nullptr;
        SDL_WM_GetCaption(&title, nullptr);
        return title ? title : "";
    }

    std::unique_ptr<adv::DevMode> dev;
};

struct ReloadCase {
    const char* name;
    const char* before;
    std::vector<int> keys;  // tapped one a frame before the edit
    const char* after;
    adv::RunnerState state;
    Strings shown;  // the page's lines or the choices offered
    bool notice;    // the replay stopped short
};

void PrintTo(const ReloadCase& c, std::ostream* out) { *out << c.name; }

class ReloadTest : public DevModeTest, public ::testing::WithParamInterface<ReloadCase> {};

constexpr const char* notWatched = "the folder watch reports no changes on Windows";

TEST_P(ReloadTest, ShowsTheEditedSceneAtTheMomentOrWhereItStopsFitting) {
    if (!FolderWatch::supported) GTEST_SKIP() << notWatched;
    const ReloadCase& c = GetParam();
    startDev(c.before);
    for (const int key : c.keys) tap(key);
    writeScript("start.lua", c.after);
    devStep();
    EXPECT_EQ(dev->shownError(), "");
    EXPECT_EQ(adv::course().state, c.state);
    const Strings shown =
        c.state == adv::RunnerState::Choosing ? adv::choiceMenu().choices : adv::messageWindow().messages;
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(!dev->shownNotice().empty(), c.notice);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReloadTest,
    ::testing::Values(ReloadCase{"edited line",
                                 "MSG('one') PF() MSG('two') PF() MSG('three') PF()",
                                 {SDLK_RETURN},
                                 "MSG('one') PF() MSG('two, edited') PF() MSG('three') PF()",
                                 adv::RunnerState::WaitPage,
                                 {"two, edited"},
                                 false},
                      ReloadCase{"choice taken away",
                                 "MSG('q') SELECT('a', 'b') MSG('after') PF()",
                                 {SDLK_DOWN, SDLK_RETURN},
                                 "MSG('q') SELECT('a') MSG('after') PF()",
                                 adv::RunnerState::Choosing,
                                 {"a"},
                                 true},
                      ReloadCase{"page removed",
                                 "MSG('one') PF() MSG('two') PF()",
                                 {SDLK_RETURN},
                                 "MSG('one') MSG('two') PF()",
                                 adv::RunnerState::WaitPage,
                                 {"one", "two"},
                                 true}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name) ch = ch == ' ' || ch == ',' ? '_' : ch;
        return name;
    });

TEST_F(DevModeTest, AnEditedHelperReloadsTheSceneThatReadIt) {
    if (!FolderWatch::supported) GTEST_SKIP() << notWatched;
    writeScript("lib.lua", "line = 'one'");
    startDev("dofile('resource/level/lib.lua') MSG(line) PF()");
    writeScript("lib.lua", "line = 'two'");
    devStep();
    EXPECT_EQ(adv::messageWindow().messages, Strings{"two"});
}

TEST_F(DevModeTest, TheCaptionNamesScriptAndPageAndF8ReloadsByHand) {
    writeScript("ch1/02.lua", "MSG('one') PF() MSG('two') PF()");
    startDev("DIRECTORY('ch1') LOAD('02.lua')");
    devStep();
    tap(SDLK_RETURN);
    EXPECT_EQ(caption(), std::string("test \xE2\x80\x94 ch1/02.lua, page 2") +
                             (FolderWatch::supported ? "" : " (files not watched: F8 reloads)"));
    devStep(5);
    ASSERT_GT(adv::messageWindow().messageCounter, 4);
    tap(SDLK_F8);  // the page shows again from its first frame
    EXPECT_LE(adv::messageWindow().messageCounter, 2);
    EXPECT_EQ(adv::messageWindow().messages, Strings{"two"});
}

struct ErrorCase {
    const char* name;
    const char* script;
    std::string shown;  // a trailing '*' matches any rest
    const char* fixedFile;
};

TEST_F(DevModeTest, AnErrorShowsOverThePictureAndTheFixGoesOn) {
    if (!FolderWatch::supported) GTEST_SKIP() << notWatched;
    const std::vector<ErrorCase> cases = {
        {"syntax", "MSG('one') PF() if then",
         "Lua Syntax error : resource/level/start.lua\nresource/level/start.lua:1: unexpected symbol near "
         "'then'",
         "start.lua"},
        {"bad argument", "MSG(12)",
         "resource/level/start.lua:1: MSG(): Invalid parameter type. expected 1 to STRING type", "start.lua"},
        {"runtime", "MSG('one')\nlocal x = nil + 1",
         "resource/level/start.lua:2: attempt to perform arithmetic on a nil value", "start.lua"},
        {"missing picture", "DRB('missing.bmp')", "resource/level/start.lua:1: Orba_loadBMP: *", "start.lua"},
        {"missing script", "LOAD('next.lua')", "Not exist : resource/level/next.lua", "next.lua"},
    };
    for (const ErrorCase& c : cases) {
        startDev(c.script);
        devStep(2);
        const std::string shown = dev->shownError();
        if (c.shown.ends_with('*'))
            EXPECT_TRUE(shown.starts_with(c.shown.substr(0, c.shown.size() - 1))) << c.name << ": " << shown;
        else
            EXPECT_EQ(shown, c.shown) << c.name;
        EXPECT_EQ(testsupport::pixel(20, 20), 0x6E6E6Eu) << c.name;  // the panel's frame
        writeScript(c.fixedFile, "MSG('fixed') PF()");
        devStep(2);
        EXPECT_EQ(dev->shownError(), "") << c.name;
        EXPECT_EQ(adv::messageWindow().messages, Strings{"fixed"}) << c.name;
    }
    writeScript("next.lua", "if then");  // the scene now running
    devStep();
    ASSERT_NE(dev->shownError(), "");
    testsupport::tapKey(SDLK_ESCAPE);
    EXPECT_EQ(testsupport::errorText([this] { devStep(); }), orbaQuitMessage);
}

}  // namespace
