// Developer mode's costs: the folder watch's read once a frame while no file
// changes (its share of a core is 30 times the time per read a second), and
// the time from saving an edited script to the frame that shows the changed
// page, with frames paced as the engine paces them.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <string>

#include "adv/devmode.h"
#include "adv/engine.h"
#include "benchgame.h"
#include "gamefiles/folderwatch.h"

namespace {

void BM_FolderWatchIdle(benchmark::State& state) {
    benchgame::Game game;  // the game folder, with its level folder
    benchgame::writeFile("resource/level/ch1/01.lua", "");
    FolderWatch watch;
    watch.add("resource/level/", true);
    watch.add("resource/sound/", false);
    for (auto _ : state) benchmark::DoNotOptimize(watch.changes());
}
BENCHMARK(BM_FolderWatchIdle);

std::string scene(int edit) {
    std::string script;
    for (int page = 0; page < 20; ++page) script += std::string(benchgame::fourLines) + "PF()\n";
    return script + "MSG('edit " + std::to_string(edit) + "') PF()\n";
}

// The player's confirm, as SDL delivers it.
void tapReturn() {
    for (const Uint8 type : {SDL_KEYDOWN, SDL_KEYUP}) {
        SDL_Event event{};
        event.type = type;
        event.key.keysym.sym = SDLK_RETURN;
        SDL_PushEvent(&event);
    }
}

// The author on the last of 21 pages; the replay confirms the 20 before.
void BM_ReloadAfterSave(benchmark::State& state) {
    benchgame::Game game;
    game.runner.reset();
    benchgame::writeFile("resource/level/start.lua", scene(0));
    adv::DevMode dev([] { return std::make_unique<LuaRunner>(); });
    dev.start();
    dev.frame(0);
    for (int page = 0; page < 20; ++page) {
        tapReturn();
        dev.frame(0);
    }
    int edit = 0;
    for (auto _ : state) {
        ++edit;
        const std::string line = "edit " + std::to_string(edit);
        benchgame::writeFile("resource/level/start.lua", scene(edit));
        do dev.frame(33);
        while (adv::messageWindow().messages.empty() || adv::messageWindow().messages.front() != line);
    }
}
BENCHMARK(BM_ReloadAfterSave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

}  // namespace
