// How many position messages the relay can take in per second with many players on one
// map: each one is parsed, re-framed and handed to every other player there.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "wire/protocol.h"
#include "server/outqueue.h"
#include "server/relay.h"

static std::vector<std::string> LogInPlayers(Relay& relay, int players, ServerTime now) {
    std::vector<Delivery> out;
    std::vector<std::string> positions;
    for (int i = 0; i < players; ++i) {
        const std::string nick = "p" + std::to_string(i);
        relay.Join(static_cast<ConnId>(i + 1), nick, now, out);
        // Without the trailing zero: the network layer hands over the text cut at the first zero.
        std::string text = BuildPositionMessage(nick, 10.25f + i, 7.5f, i % 4, 1, 0, i % 3, "main.map");
        text.pop_back();
        positions.push_back(text);
    }
    return positions;
}

// The rules alone: parse, re-frame, pick the recipients.
static void BM_RelayPositions(benchmark::State& state) {
    const int players = static_cast<int>(state.range(0));
    Relay relay;
    const ServerTime now = ServerClock::now();
    const std::vector<std::string> positions = LogInPlayers(relay, players, now);
    std::vector<Delivery> out;
    std::size_t deliveries = 0;
    int sender = 0;
    for (auto _ : state) {
        out.clear();
        relay.Receive(static_cast<ConnId>(sender + 1), positions[static_cast<std::size_t>(sender)], now, out);
        deliveries += out.size();
        sender = (sender + 1) % players;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["deliveries/s"] =
        benchmark::Counter(static_cast<double>(deliveries), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RelayPositions)->Arg(10)->Arg(50)->Arg(200);

// The rules plus every recipient's output queue, drained as a writer would drain it once
// every player has sent one position (a queue coalesces in between).
static void BM_RelayPositionsQueued(benchmark::State& state) {
    const int players = static_cast<int>(state.range(0));
    Relay relay;
    const ServerTime now = ServerClock::now();
    const std::vector<std::string> positions = LogInPlayers(relay, players, now);
    std::vector<OutQueue> queues(static_cast<std::size_t>(players));
    std::vector<Delivery> out;
    std::size_t bytes = 0;
    int sender = 0;
    for (auto _ : state) {
        out.clear();
        relay.Receive(static_cast<ConnId>(sender + 1), positions[static_cast<std::size_t>(sender)], now, out);
        for (const Delivery& delivery : out)
            queues[delivery.to - 1].Push(delivery.message, now);
        sender = (sender + 1) % players;
        if (sender == 0) {
            for (OutQueue& queue : queues) {
                while (queue.HasPending()) {
                    for (const MessagePtr& message : queue.StartWrite())
                        bytes += message->frame.size();
                    queue.FinishWrite(now);
                }
            }
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["bytes/s"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RelayPositionsQueued)->Arg(10)->Arg(50)->Arg(200);

BENCHMARK_MAIN();
