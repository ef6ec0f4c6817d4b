// How fast the client turns a turn's worth of inbound bytes into roster updates.
#include "core/roster.h"
#include "wire/protocol.h"

#include <benchmark/benchmark.h>

namespace {

// One turn's backlog: a frame from each of `players` walking players.
std::string Backlog(int players) {
    std::string bytes;
    for (int i = 0; i < players; ++i)
        bytes += EncodeFrame(BuildPositionMessage("P" + std::to_string(i), 10.25f + static_cast<float>(i),
                                                  20.5f, i % 4, 1, 0, i % 8, "main.map"));
    return bytes;
}

void BM_HandleTurnOfPositions(benchmark::State& state) {
    const int players = static_cast<int>(state.range(0));
    const std::string backlog = Backlog(players);
    std::vector<character> roster;
    std::uint32_t now = 0;
    for (auto _ : state) {
        std::string buffer = backlog;
        std::string text;
        while (CutFrame(buffer, text) == FrameStatus::Complete)
            ApplyServerMessage(text, "Me", roster, ++now);
        benchmark::DoNotOptimize(roster.data());
    }
    state.SetItemsProcessed(state.iterations() * players);
}
BENCHMARK(BM_HandleTurnOfPositions)->Arg(30)->Arg(256);

void BM_BuildAndFramePosition(benchmark::State& state) {
    for (auto _ : state) {
        std::string frame =
            EncodeFrame(BuildPositionMessage("Bob", 1234.5678f, 42.25f, 1, 1, 0, 3, "main.map"));
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(BM_BuildAndFramePosition);

} // namespace

BENCHMARK_MAIN();
