#include "bot/options.h"

#include "wire/protocol.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

// Reads a whole decimal number in [low, high]; false for anything else.
static bool Number(const std::string& text, double low, double high, double& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < low || value > high) return false;
    out = value;
    return true;
}

static bool Whole(const std::string& text, long low, long high, long& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    out = value;
    return true;
}

std::string BotNick(const BotOptions& options, int i) {
    return options.count == 1 ? options.name : options.name + std::to_string(i + 1);
}

BotOptionsResult ParseBotOptions(const std::vector<std::string>& args, BotOptions& o, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (flag == "--help" || flag == "-h") return BotOptionsResult::Help;
        if (i + 1 >= args.size()) {
            error = flag.rfind("--", 0) == 0 ? flag + " needs a value" : "unknown argument \"" + flag + "\"";
            return BotOptionsResult::Error;
        }
        const std::string& value = args[++i];
        long whole = 0;
        double number = 0;
        bool ok = true;
        if (flag == "--server") {
            o.server = value;
            ok = !value.empty();
        } else if (flag == "--port") {
            ok = Whole(value, 1, 65535, whole);
            o.port = static_cast<int>(whole);
        } else if (flag == "--name") {
            o.name = value;
            ok = !value.empty() && value.find('|') == std::string::npos;
        } else if (flag == "--count") {
            ok = Whole(value, 1, 100000, whole);
            o.count = static_cast<int>(whole);
        } else if (flag == "--duration") {
            ok = Number(value, 0, 1e7, o.duration);
        } else if (flag == "--seed") {
            ok = Whole(value, 0, 4294967295L, whole);
            o.seed = static_cast<std::uint32_t>(whole);
        } else if (flag == "--maps") {
            o.maps = value;
            if (!o.maps.empty() && o.maps.back() != '/') o.maps += '/';
        } else if (flag == "--turn-ms") {
            ok = Whole(value, 1, 1000, whole);
            o.turnms = static_cast<int>(whole);
        } else if (flag == "--ramp-ms") {
            ok = Whole(value, 0, 3600000, whole);
            o.rampms = static_cast<int>(whole);
        } else if (flag == "--exit-chance") {
            ok = Number(value, 0, 1, number);
            o.how.exitchance = static_cast<float>(number);
        } else if (flag == "--chat-every") {
            ok = Number(value, 0, 1e6, number);
            o.how.chatmean = static_cast<float>(number * 1000);
        } else if (flag == "--pause-ms") {
            ok = Number(value, 0, 1e6, number);
            o.how.pausemin = static_cast<float>(number / 2);
            o.how.pausemax = static_cast<float>(number * 3 / 2);
        } else if (flag == "--stats") {
            o.stats = value;
        } else if (flag == "--trace") {
            o.trace = value;
        } else {
            error = "unknown option \"" + flag + "\"";
            return BotOptionsResult::Error;
        }
        if (!ok) {
            error = "bad value \"" + value + "\" for " + flag;
            return BotOptionsResult::Error;
        }
    }
    // The server refuses longer names, so refuse them here rather than lose players at login.
    const std::string longest = BotNick(o, o.count - 1);
    if (longest.size() > MAX_NICKNAME_LENGTH) {
        error = "the nickname \"" + longest + "\" is longer than " + std::to_string(MAX_NICKNAME_LENGTH) +
                " bytes; choose a shorter --name";
        return BotOptionsResult::Error;
    }
    return BotOptionsResult::Run;
}

std::string BotUsage() {
    return "usage: tavrel-bot [options]\n"
           "Logs in players that walk the shipped maps, take exits and chat like a person would.\n"
           "  --server HOST      game server (127.0.0.1)\n"
           "  --port N           its port (7457)\n"
           "  --name NAME        nickname; with --count above 1 the prefix of NAME1, NAME2, ... (Bot)\n"
           "  --count N          players in this process (1)\n"
           "  --duration S       seconds until the players leave; 0 = until SIGINT or SIGTERM (60)\n"
           "  --seed N           makes walks and chat repeatable (1)\n"
           "  --maps DIR         folder holding main.map and the maps it leads to\n"
           "                     (Tavrel.app/Contents/Resources/)\n"
           "  --turn-ms N        milliseconds between two movement turns of a player (20)\n"
           "  --ramp-ms N        spread the logins over N milliseconds (0)\n"
           "  --exit-chance P    chance, 0 to 1, that a walk heads for an exit (0.15)\n"
           "  --chat-every S     mean seconds between two chat lines of a player; 0 = never (40)\n"
           "  --pause-ms N       mean milliseconds a player stands between walks (2250)\n"
           "  --stats FILE       write the summary to FILE as key=value lines\n"
           "  --trace FILE       write every message written and read, with its time\n"
           "The summary on standard output counts the messages and gives the relay time of positions\n"
           "between this process's own players: from the sender's last byte written to the\n"
           "receiver's read. Exit code 0 when every player stayed connected to the end.\n";
}
