// Cost of the file side of a save: the thumbnail and the save written
// atomically, and a save read back and checked, for a save deep into a
// script with a full history.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "adv/comforts/savefile.h"
#include "adv/comforts/scene.h"
#include "adv/engine.h"
#include "benchgame.h"
#include "orba/orba.h"
#include "orba/thumbnail.h"

namespace {

adv::SaveFile deepSave() {
    adv::SaveFile save;
    save.savedAt = "2026-12-08 17:30";
    save.firstLine = "A line of the page that was shown when the player saved.";
    adv::SceneStart scene;
    scene.script = "resource/level/ch1/02.lua";
    scene.directory = "resource/level/ch1/";
    for (std::size_t i = 0; i < scene.flags.size(); ++i) scene.flags[i] = static_cast<std::int32_t>(i * 7);
    save.scenes.assign(2, scene);
    save.point = {1, std::vector<std::int32_t>(500, -1), adv::WaitKind::Page};
    for (std::int32_t p = 0; p < 200; ++p)
        save.history.push_back({{"The first line of a page in the history,", "and its second line."},
                                {1, std::vector<std::int32_t>(static_cast<std::size_t>(p) + 300, -1)}});
    return save;
}

// A scratch folder as the working directory while the benchmark runs.
struct ScratchFolder {
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("orba-bench-" + std::to_string(getpid()));
    ScratchFolder() {
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
    }
    ~ScratchFolder() {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }
};

void BM_SaveWithThumbnail(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ScratchFolder scratch;
    Orba_init("bench", 640, 480, false);
    Orba_fillRect(0, 0, 0, 0, 40, 80, 120);
    Orba_flip();
    const adv::SaveFile save = deepSave();
    for (auto _ : state) {
        benchmark::DoNotOptimize(Orba_saveThumbnail(adv::thumbnailPath(1)));
        benchmark::DoNotOptimize(adv::writeSaveFile(adv::slotPath(1), save));
    }
    Orba_quit();
}
BENCHMARK(BM_SaveWithThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadSave(benchmark::State& state) {
    ScratchFolder scratch;
    adv::writeSaveFile(adv::slotPath(1), deepSave());
    for (auto _ : state) benchmark::DoNotOptimize(adv::readSaveFile(adv::slotPath(1)));
}
BENCHMARK(BM_ReadSave)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// A load 500 pages into one script: its scene restored, its script read and
// run again with 499 pages confirmed, up to the 500th page.
void BM_LoadFiveHundredPagesIn(benchmark::State& state) {
    benchgame::Game game;
    game.start("for page = 1, 500 do MSG('Line one of page ' .. page) MSG('and its second line.') PF() end");
    const adv::SceneStart scene = adv::captureScene("resource/level/start.lua");
    const std::vector<std::int32_t> decisions(499, adv::pageConfirmed);
    for (auto _ : state)
        benchmark::DoNotOptimize(adv::replayScene(*game.runner, scene, decisions, adv::WaitKind::Page));
    if (adv::messageWindow().messages.front() != "Line one of page 500") state.SkipWithError("wrong page");
}
BENCHMARK(BM_LoadFiveHundredPagesIn)->Unit(benchmark::kMillisecond);

}  // namespace
