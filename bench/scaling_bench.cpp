// Cost of presenting a frame on a screen larger than the frame: a frame
// that changes everywhere, scaled smoothly to 1440 x 1080 in a 1920 x 1080
// full screen (the dummy driver is told that desktop), and a frame that
// repeats, as a waiting page does.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "orba/display.h"
#include "orba/orba.h"
#include "orba/orba_testing.h"

namespace {

void initFullScreen(bool sharp) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    Orba_init("bench", 640, 480, false);
    Orba_testSetDesktopSize(1920, 1080);
    Orba_setFullScreen(true);
    Orba_setSharpScaling(sharp);
}

void BM_FullScreenWholeChange(benchmark::State& state) {
    initFullScreen(state.range(0) != 0);
    int shade = 0;
    for (auto _ : state) {
        shade = (shade + 1) % 256;
        Orba_fillRect(0, 0, 0, 0, shade, 255 - shade, 128);
        Orba_flip();
    }
    Orba_quit();
}
BENCHMARK(BM_FullScreenWholeChange)->Arg(0)->Arg(1)->ArgName("sharp")->Unit(benchmark::kMillisecond);

void BM_FullScreenRepeatedFrame(benchmark::State& state) {
    initFullScreen(false);
    for (auto _ : state) {
        Orba_fillRect(0, 0, 0, 0, 10, 20, 30);
        Orba_fillRect(40, 330, 560, 140, 200, 200, 200);
        Orba_flip();
    }
    Orba_quit();
}
BENCHMARK(BM_FullScreenRepeatedFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
