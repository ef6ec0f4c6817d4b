// The bot's one event loop: every player's connection is a non-blocking socket watched by one
// epoll set, and every player's turns run on the same thread.
#pragma once

#include "bot/latency.h"
#include "bot/options.h"

#include <cstdint>
#include <string>

// What a run did, for the summary.
struct BotTotals {
    int players = 0;
    int loggedin = 0; // connections that were made and sent their login
    int failed = 0;   // connections that could not be made
    int lost = 0;     // connections the server closed or that broke before the end
    std::uint64_t positions = 0, mapchanges = 0, chats = 0; // messages written
    std::uint64_t readpositions = 0, readremovals = 0, readchats = 0, readother = 0;
    double seconds = 0;
    RelayLatency latency;
};

// Logs the players in and runs them until the duration ends or SIGINT/SIGTERM comes.
// False (with error) when the server's address can't be resolved or the trace can't be written.
bool RunBots(const BotOptions& options, const BotWorld& world, BotTotals& totals, std::string& error);
// The summary as "key=value" lines.
std::string SummaryLines(const BotTotals& totals);
