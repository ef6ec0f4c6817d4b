// How long reading a map file takes, for a usual map and a big one.
#include "core/map.h"

#include <benchmark/benchmark.h>

#include <sstream>

// A size by size map with both layers and a few exits, numbers of one to three digits.
static std::string MakeMapText(int size) {
    std::ostringstream text;
    text << "Tavrel.app/Contents/Resources/tiles.tga\n"
         << size << "\n"
         << size << "\n1.5\n1.5\n1\n4\n30 60 90\n\n";
    for (int grid = 0; grid < 3; ++grid) {
        for (int row = 0; row < size; ++row) {
            for (int col = 0; col < size; ++col) {
                if (col) text << ' ';
                text << (grid == 1   ? (row * 7 + col) % 2
                         : grid == 2 ? (col % 9 ? -1 : 120)
                                     : (row * col) % 64);
            }
            text << "\n";
        }
        text << "separator\n";
    }
    for (int i = 0; i < 4; ++i)
        text << i << " 0 2.5 3.5 main.map\n";
    return text.str();
}

static void ParseMapOfSize(benchmark::State& state) {
    const std::string text = MakeMapText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::istringstream in(text);
        MapData data;
        std::string error;
        if (!ParseMap(in, data, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(data.ground.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(ParseMapOfSize)->Arg(64)->Arg(512)->Arg(1024)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
