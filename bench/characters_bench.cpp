// Every frame moves and animates every remote player: how long that takes for a crowd.
#include "core/character.h"

#include <benchmark/benchmark.h>

#include <vector>

static void BM_ExtrapolateAndAnimateCrowd(benchmark::State& state) {
    std::vector<character> crowd(static_cast<std::size_t>(state.range(0)));
    for (std::size_t i = 0; i < crowd.size(); ++i) {
        character& c = crowd[i];
        c.netposx = static_cast<float>(i % 50);
        c.netposy = static_cast<float>(i / 50);
        c.direction = static_cast<int>(i % 4);
        c.walking = static_cast<int>(i % 3 != 0);
        c.collision = static_cast<int>(i % 7 == 0);
        c.lastupdate = static_cast<std::uint32_t>(i);
    }
    std::uint32_t now = 0;
    for (auto _ : state) {
        now += 16; // one 60 Hz frame
        for (character& c : crowd) {
            if (!character_position_usable(c)) continue;
            extrapolate_character_at(&c, now % 1500);
            animate_character_by(&c, 16.0f);
        }
        benchmark::DoNotOptimize(crowd.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ExtrapolateAndAnimateCrowd)->Arg(1000)->Arg(100);

BENCHMARK_MAIN();
