// The bot's command line.
#pragma once

#include "bot/walker.h"

#include <cstdint>
#include <string>
#include <vector>

struct BotOptions {
    std::string server = "127.0.0.1";
    int port = 7457;
    std::string name = "Bot"; // the nickname, or with --count above 1 the prefix of name1, name2, ...
    int count = 1;            // players this process logs in
    double duration = 60;     // seconds until the bots leave by themselves; 0 = until stopped
    std::uint32_t seed = 1;   // makes the walks and the chat repeatable
    std::string maps = "Tavrel.app/Contents/Resources/"; // folder with the map files
    int turnms = 20; // milliseconds between two movement turns of one player
    int rampms = 0;  // the logins are spread over this many milliseconds
    BotBehaviour how;
    std::string stats; // file for the summary as key=value lines
    std::string trace; // file for every message written and read, with times
};

enum class BotOptionsResult { Run, Help, Error };

// Reads the arguments after the program name; on Error, error says why.
BotOptionsResult ParseBotOptions(const std::vector<std::string>& args, BotOptions& options,
                                 std::string& error);
// The nickname of player i (0-based) of count.
std::string BotNick(const BotOptions& options, int i);
// The --help text.
std::string BotUsage();
