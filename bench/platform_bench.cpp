// Cost of one empty frame of the platform layer: clear, flip, update.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "orba/orba.h"

namespace {

void initHeadless() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    Orba_init("bench", 640, 480, false);
}

void BM_EmptyFrame(benchmark::State& state) {
    initHeadless();
    for (auto _ : state) {
        Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
        Orba_flip();
        Orba_update(0);
    }
    Orba_quit();
}
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMicrosecond);

} // namespace
