#include "server/options.h"

#include <cerrno>
#include <cstdlib>

// Whole-string decimal in [low, high]; anything else is refused rather than half-read.
static bool ReadNumber(const std::string& text, long low, long high, long& value) {
    if (text.empty() || text.size() > 12) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    errno = 0;
    value = std::strtol(text.c_str(), nullptr, 10);
    return errno == 0 && value >= low && value <= high;
}

OptionsResult ParseOptions(const std::vector<std::string>& args, ServerOptions& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        const std::string::size_type eq = name.find('=');
        if (name.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.erase(eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") return OptionsResult::Help;
        const bool known = name == "--port" || name == "--bind" || name == "--max-clients" ||
                           name == "--max-per-address" || name == "--login-timeout-ms" ||
                           name == "--frame-timeout-ms" || name == "--stall-timeout-ms" ||
                           name == "--idle-timeout-ms" || name == "--cluster" || name == "--cluster-replicas";
        if (!known) {
            error = "unknown option " + args[i];
            return OptionsResult::Error;
        }
        if (!hasValue) {
            if (i + 1 == args.size()) {
                error = name + " needs a value";
                return OptionsResult::Error;
            }
            value = args[++i];
        }
        long number = 0;
        if (name == "--bind") {
            if (value.empty()) {
                error = "--bind needs an address";
                return OptionsResult::Error;
            }
            options.bind = value;
        } else if (name == "--cluster") {
            options.cluster.clear();
            std::string::size_type from = 0;
            for (;;) {
                const std::string::size_type comma = value.find(',', from);
                const std::string url = value.substr(from, comma - from);
                if (url.compare(0, 7, "nats://") != 0 || url.size() == 7) {
                    error = "--cluster takes nats://HOST:PORT[,nats://HOST:PORT...], not \"" + value + "\"";
                    return OptionsResult::Error;
                }
                options.cluster.push_back(url);
                if (comma == std::string::npos) break;
                from = comma + 1;
            }
        } else if (name == "--cluster-replicas") {
            if (!ReadNumber(value, 1, 5, number)) {
                error = "--cluster-replicas takes a number from 1 to 5, not \"" + value + "\"";
                return OptionsResult::Error;
            }
            options.clusterReplicas = static_cast<int>(number);
        } else if (name == "--port") {
            if (!ReadNumber(value, 0, 65535, number)) {
                error = "--port takes a number from 0 to 65535, not \"" + value + "\"";
                return OptionsResult::Error;
            }
            options.port = static_cast<int>(number);
        } else if (name == "--max-clients" || name == "--max-per-address") {
            if (!ReadNumber(value, 1, static_cast<long>(MAX_MAX_CLIENTS), number)) {
                error = name + " takes a number from 1 to " + std::to_string(MAX_MAX_CLIENTS) + ", not \"" +
                        value + "\"";
                return OptionsResult::Error;
            }
            (name == "--max-clients" ? options.maxClients : options.maxPerAddress) =
                static_cast<std::size_t>(number);
        } else {
            if (!ReadNumber(value, 1, MAX_TIMEOUT_MS, number)) {
                error = name + " takes milliseconds from 1 to " + std::to_string(MAX_TIMEOUT_MS) +
                        ", not \"" + value + "\"";
                return OptionsResult::Error;
            }
            const std::chrono::milliseconds ms(number);
            if (name == "--login-timeout-ms") options.loginTimeout = ms;
            if (name == "--frame-timeout-ms") options.frameTimeout = ms;
            if (name == "--stall-timeout-ms") options.stallTimeout = ms;
            if (name == "--idle-timeout-ms") options.idleTimeout = ms;
        }
    }
    return OptionsResult::Run;
}

std::string UsageText() {
    return "Usage: tavrel-server [options]\n"
           "Relays chat, positions and map changes between the players of Quennick's Tavrel.\n"
           "\n"
           "  --port N              TCP port to listen on (default 7457, the port in the shipped\n"
           "                        client.cfg; 0 lets the system pick a free one)\n"
           "  --bind ADDR           address to listen on (default 0.0.0.0: every network interface,\n"
           "                        so friends on other machines can join; 127.0.0.1 keeps the\n"
           "                        server to this machine; an IPv6 address such as :: works too)\n"
           "  --max-clients N       connections held at once, logged in or not (default 2000, at most\n"
           "                        16384); when full, the oldest connection that has not logged in\n"
           "                        gives way to a newcomer, else the newcomer is refused\n"
           "  --max-per-address N   connections from one address at once (default 8)\n"
           "  --login-timeout-ms N  close a connection that has not logged in after N ms (default 10000)\n"
           "  --frame-timeout-ms N  drop a client whose started frame is not complete after N ms\n"
           "                        (default 10000)\n"
           "  --stall-timeout-ms N  drop a client that has taken none of the bytes waiting for it\n"
           "                        for N ms (default 10000); a client with more than 256 KiB\n"
           "                        waiting is dropped at once\n"
           "  --idle-timeout-ms N   drop a logged-in client that has sent nothing for N ms\n"
           "                        (default 30000; the game reports its position every 500 ms)\n"
           "  --cluster URLS        join a cluster of nodes sharing one world over NATS: a comma-\n"
           "                        separated list of nats://HOST:PORT of one NATS cluster (with\n"
           "                        JetStream); without it the server runs alone\n"
           "  --cluster-replicas N  copies of the cluster's nickname store (default 1; 3 on a\n"
           "                        three-server NATS cluster), used by the node that creates it\n"
           "  --help                show this text\n"
           "\n"
           "Each join, leave, refusal and drop is logged on standard output as one line:\n"
           "  <UTC time> <join|leave|refuse|drop> \"<nickname>\" <address>:<port>[: <reason>]\n"
           "After 10 lines about one address in a minute, the rest of that minute is one line:\n"
           "  <UTC time> <address>: <n> more lines like the above in 60 s not shown\n"
           "SIGINT or SIGTERM stops the server (exit code 0).\n";
}
