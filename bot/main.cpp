// tavrel-bot: players without a window, to fill a village or to load a server.
#include "bot/network.h"
#include "bot/options.h"
#include "bot/walker.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    BotOptions options;
    std::string error;
    switch (ParseBotOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    case BotOptionsResult::Help:
        std::fputs(BotUsage().c_str(), stdout);
        return 0;
    case BotOptionsResult::Error:
        std::fprintf(stderr, "tavrel-bot: %s (see --help)\n", error.c_str());
        return 2;
    case BotOptionsResult::Run:
        break;
    }
    BotWorld world;
    if (!world.Load(options.maps, error)) {
        std::fprintf(stderr, "tavrel-bot: %s\n", error.c_str());
        return 3;
    }
    BotTotals totals;
    if (!RunBots(options, world, totals, error)) {
        std::fprintf(stderr, "tavrel-bot: %s\n", error.c_str());
        return 3;
    }
    const std::string summary = SummaryLines(totals);
    std::fputs(summary.c_str(), stdout);
    std::fflush(stdout);
    if (!options.stats.empty()) {
        std::ofstream(options.stats) << summary;
    }
    // Every player logged in and stayed to the end: anything else is worth a non-zero code.
    return totals.loggedin == totals.players && totals.lost == 0 ? 0 : 1;
}
