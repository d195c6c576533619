// Cost of wrapping one long message line at MSG_WIDTH with a real font,
// paid once when MSG adds the line.
#include <benchmark/benchmark.h>

#include <string>

#include "adv/msgwrap.h"
#include "orba/orba.h"

namespace {

void BM_WrapLongLine(benchmark::State& state) {
    Orba_openFont("bench", 24, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    std::string line;
    while (line.size() < static_cast<std::size_t>(state.range(0))) line += "lanterns drift over the lake ";
    const auto measure = [](std::string_view text) { return Orba_getTextWidth(text); };
    for (auto _ : state) benchmark::DoNotOptimize(adv::wrapLine(line, 560, measure));
    Orba_quit();
}
BENCHMARK(BM_WrapLongLine)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
