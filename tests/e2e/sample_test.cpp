// The sample game, played headless through the real runner along each of its
// routes (an answer to the choice and a place on the map), clicking whenever
// the game waits; and a check that its scripts use every command.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "adv/engine.h"
#include "adv/framestep.h"
#include "adv/luarunner.h"
#include "config/sysinfo.h"
#include "orba/orba.h"
#include "testsupport.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

fs::path sampleGame() {
    const char* build = std::getenv("ORBA_BINARY_DIR");
    return fs::path(build ? build : ".") / "sample-game";
}

// What a player saw: one entry per page (its background and lines), the
// message that ended the game, and the flags at the end.
struct Played {
    std::vector<std::string> backgrounds;
    std::vector<std::vector<std::string>> pages;
    std::string end;
    int lanterns = 0;
};

// The centre of a map cell whose layer-1 value is `value`.
std::optional<std::pair<int, int>> placeOnMap(int value) {
    for (int y = 8; y < 480; y += 16)
        for (int x = 8; x < 640; x += 16)
            if (adv::mapValueAt(x, y) == value) return std::pair{x, y};
    return std::nullopt;
}

bool transitionRunning() { return adv::stage().backgroundFadeTimer > 0 || adv::stage().eraseTimer > 0; }

// Gives the input a player would give in the runner's present state.
void respond(Played& played, int choice, int place) {
    if (transitionRunning()) return;  // let the picture settle first
    if (adv::course().state == adv::RunnerState::WaitPage) {
        played.backgrounds.push_back(adv::stage().background);
        played.pages.push_back(adv::messageWindow().messages);
        moveMouse(620, 20);
        click();
    } else if (adv::course().state == adv::RunnerState::Choosing) {
        moveMouse(320, 100 + 60 * choice);
        click();
    } else if (adv::course().state == adv::RunnerState::MapPick) {
        const auto cell = placeOnMap(place);
        if (!cell) throw std::runtime_error("no map cell leads to script " + std::to_string(place));
        moveMouse(cell->first, cell->second);
        click();
    }
}

// The sample game's files into the working directory, entry by entry (the
// C++ library for Windows refuses to copy a folder into one that exists).
void copySampleGame() {
    for (const fs::directory_entry& entry : fs::directory_iterator(sampleGame()))
        fs::copy(entry.path(), fs::current_path() / entry.path().filename(), fs::copy_options::recursive);
}

Played play(int choice, int place) {
    copySampleGame();
    Played played;
    loadSettings();
    initWindow();
    Orba_openFont("MSGOTHIC24", System::FONT_SIZE, System::FONT);
    LuaRunner runner;
    runner.loadFile("start.lua");
    try {
        for (int frame = 0; frame < 5000; ++frame) {
            respond(played, choice, place);  // seen by the snapshot of this frame
            adv::runFrame(runner, 0);
        }
        played.end = "still running after 5000 frames";
    } catch (const std::exception& e) {
        played.end = e.what();
    }
    played.lanterns = adv::getFlag(1);
    return played;
}

struct Route {
    const char* name;
    int choice;  // 0, 1 or 2: one, two or three lanterns
    int place;   // 1 lake, 2 tower, 3 market
    const char* placeBackground;
    const char* finaleLine;
};

void PrintTo(const Route& route, std::ostream* out) { *out << route.name; }

class SampleRoute : public ::testing::TestWithParam<Route> {
protected:
    void TearDown() override { Orba_quit(); }
    TempDir dir;
};

TEST_P(SampleRoute, PlaysFromStartToEnd) {
    const Route& route = GetParam();
    const Played played = play(route.choice, route.place);
    EXPECT_EQ(played.end, "GAME END");

    const std::vector<std::string> backgrounds = {"title.bmp",
                                                  "garden.bmp",
                                                  "garden.bmp",
                                                  "garden.bmp",
                                                  "garden.bmp",
                                                  "garden.bmp",
                                                  "map.bmp",
                                                  route.placeBackground,
                                                  "night.bmp",
                                                  "lanterns.bmp",
                                                  ""};
    EXPECT_EQ(played.backgrounds, backgrounds);

    const int lanterns = route.choice + 1;
    EXPECT_EQ(played.lanterns, lanterns);
    ASSERT_EQ(played.pages.size(), backgrounds.size());
    EXPECT_EQ(played.pages[4].at(0), "Tom: " + std::to_string(lanterns) + " it is! Let's start folding.");
    EXPECT_EQ(played.pages[9].at(0), route.finaleLine);
    EXPECT_EQ(played.pages[9].at(1), std::to_string(lanterns) + " of our lanterns drift up among the stars.");
}

INSTANTIATE_TEST_SUITE_P(
    Routes, SampleRoute,
    ::testing::Values(Route{"OneLanternLake", 0, 1, "lake.bmp", "Sol: Lovely. Next year we make three."},
                      Route{"TwoLanternsTower", 1, 2, "tower.bmp", "Sol: Lovely. Next year we make three."},
                      Route{"ThreeLanternsMarket", 2, 3, "market.bmp",
                            "Sol: Three lanterns, one for each of us!"}),
    [](const ::testing::TestParamInfo<Route>& info) { return std::string(info.param.name); });

std::string allScripts() {
    std::ostringstream text;
    for (const auto& entry : fs::recursive_directory_iterator(sampleGame() / "resource/level"))
        if (entry.path().extension() == ".lua") text << std::ifstream(entry.path()).rdbuf() << '\n';
    return text.str();
}

// Whether the text calls `name` as a function (not as the tail of a longer name).
bool calls(const std::string& text, const std::string& name) {
    for (auto at = text.find(name + "("); at != std::string::npos; at = text.find(name + "(", at + 1)) {
        const char before = at == 0 ? ' ' : text[at - 1];
        if (!std::isalnum(static_cast<unsigned char>(before)) && before != '_') return true;
    }
    return false;
}

TEST(SampleScripts, UseEveryCommand) {
    TempDir dir;
    copySampleGame();
    loadSettings();
    const std::string scripts = allScripts();
    for (const SettingsKey& key : settingsKeys()) {
        if (!key.name.starts_with("CMD_")) continue;
        const std::string& name = *std::get<std::string*>(key.field);
        EXPECT_TRUE(calls(scripts, name)) << key.name << " (" << name << ") is never called";
    }
}

}  // namespace
