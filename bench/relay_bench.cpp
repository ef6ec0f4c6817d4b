// How many position messages the relay can take in per second: each one is parsed, framed
// once and marked as owed to every other player on its map; then every receiver's bytes are
// taken out as the network loop takes them, once per round of positions.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "wire/protocol.h"
#include "server/relay.h"

// players in all, perMap to a map; returns each one's position text.
static std::vector<std::string> LogInPlayers(Relay& relay, int players, int perMap, ServerTime now) {
    std::vector<std::string> positions;
    for (int i = 0; i < players; ++i) {
        const std::string nick = "p" + std::to_string(i);
        relay.Join(nick, "10.0.0." + std::to_string(i % 250), now);
        // Without the trailing zero: the network layer hands over the text cut at the first zero.
        std::string text = BuildPositionMessage(nick, 10.25f + static_cast<float>(i), 7.5f, i % 4, 1, 0,
                                                i % 3, "m" + std::to_string(i / perMap) + ".map");
        text.pop_back();
        relay.Receive(static_cast<Slot>(i), text, now);
        positions.push_back(text);
    }
    return positions;
}

static void BM_RelayPositions(benchmark::State& state) {
    const int players = static_cast<int>(state.range(0));
    const int perMap = static_cast<int>(state.range(1));
    Relay relay;
    const ServerTime now = ServerClock::now();
    const std::vector<std::string> positions = LogInPlayers(relay, players, perMap, now);
    std::string out;
    std::size_t bytes = 0;
    int sender = 0;
    for (auto _ : state) {
        relay.Receive(static_cast<Slot>(sender), positions[static_cast<std::size_t>(sender)], now);
        sender = (sender + 1) % players;
        if (sender == 0) {
            for (const Slot slot : relay.Touched()) {
                out.clear();
                bytes += relay.TakeOutput(slot, out);
            }
            relay.ClearTouched();
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["bytes/s"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kIsRate);
}
// 50 on one map, then 200 and 2000 players 50 to a map: the cost per position should not grow
// with the players on other maps.
BENCHMARK(BM_RelayPositions)->Args({50, 50})->Args({200, 50})->Args({2000, 50})->Args({200, 200});

BENCHMARK_MAIN();
