// Cost of whole engine frames (clear, runner update and draw, Orba_flip,
// Orba_update(0)) while a page waits and in the heaviest frame the engine draws.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <string>

#include "adv/engine.h"
#include "adv/framestep.h"
#include "benchgame.h"
#include "orba/orba_testing.h"

namespace {

using benchgame::Game;

const std::string pageScript = "DRB('day.bmp', 0)\n" + std::string(benchgame::fourLines) + "PF()\n";

// A page waits for a click with four message lines; the page-feed cursor
// moves on every sixth frame, as in the sample game.
void BM_PageWaitFrame(benchmark::State& state) {
    Game game;
    game.start(pageScript);
    for (auto _ : state) game.frame();
}
BENCHMARK(BM_PageWaitFrame)->Unit(benchmark::kMicrosecond);

// The same page through the loop that leaves out the frames showing nothing
// new, on a clock that jumps where the real one would sleep: each run waits
// for the cursor's next cell (six frames on) and draws it.
void BM_PageWaitSkippingQuietFrames(benchmark::State& state) {
    Game game;
    game.start(pageScript);
    Orba_testUseTimeline({}, UINT64_MAX);
    std::uint64_t frames = 0;
    for (auto _ : state) frames += adv::runFrameSkippingQuiet(*game.runner, 33);
    state.counters["frames a run"] = static_cast<double>(frames) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PageWaitSkippingQuietFrames)->Unit(benchmark::kMicrosecond);

// The same page while the mouse moves in every frame, so that every frame
// shows something new.
void BM_PageWaitFrameMouseMoving(benchmark::State& state) {
    Game game;
    game.start(pageScript);
    int step = 0;
    for (auto _ : state) {
        SDL_WarpMouse(static_cast<Uint16>(300 + step % 40), 240);
        ++step;
        game.frame();
    }
}
BENCHMARK(BM_PageWaitFrameMouseMoving)->Unit(benchmark::kMicrosecond);

// A cross-fade between two backgrounds, the three characters given, four
// choices over eight message lines and a flash, all at once. The fade is kept
// running (its opacity changes in every frame, as in a real fade) and the
// flash colour covers every second frame.
void runHeaviestFrame(benchmark::State& state, const std::string& characters) {
    Game game;
    game.start("DRB('day.bmp', 0)\n" + characters + std::string(benchgame::fourLines) +
               std::string(benchgame::fourLines) +
               "DRB('dusk.bmp', 1)\nFLASH('WHITE', 1000000)\n"
               "SELECT('Just one, small and bright', 'Two, to keep each other company',"
               " 'Three, one for each of us', 'None this year')\n");
    for (auto _ : state) {
        if (adv::stage().backgroundFadeTimer < 3) adv::stage().backgroundFadeTimer = adv::transitionFrames;
        game.frame();
    }
}

void BM_HeaviestFrame(benchmark::State& state) {
    runHeaviestFrame(state, "DRC('chara0.bmp', 0)\nDRC('chara1.bmp', 1)\nDRC('chara2.bmp', 2)\n");
}
BENCHMARK(BM_HeaviestFrame)->Unit(benchmark::kMicrosecond);

// The same with three characters of soft edges (PNG with an alpha channel),
// each blended pixel by pixel over the fading backgrounds in every frame.
void BM_HeaviestFrameSoftEdgedCharacters(benchmark::State& state) {
    runHeaviestFrame(state, "DRC('soft0.png', 0)\nDRC('soft1.png', 1)\nDRC('soft2.png', 2)\n");
}
BENCHMARK(BM_HeaviestFrameSoftEdgedCharacters)->Unit(benchmark::kMicrosecond);

}  // namespace
