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

}  // namespace

namespace {

// The frame period the pacing keeps at 33 ms per frame (real time per
// iteration), and the CPU time of such a waiting frame.
void BM_PacedFrame(benchmark::State& state) {
    initHeadless();
    Orba_update(33);
    for (auto _ : state) {
        Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
        Orba_flip();
        Orba_update(33);
    }
    Orba_quit();
}
BENCHMARK(BM_PacedFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(90);

}  // namespace
