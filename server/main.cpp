// tavrel-server: the relay that the game's clients connect to.
#include <asio.hpp>
#include <csignal>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

#include "server/log.h"
#include "server/network.h"
#include "server/options.h"

int main(int argc, char** argv) {
    ServerOptions options;
    std::string error;
    const std::vector<std::string> args(argv + 1, argv + argc);
    switch (ParseOptions(args, options, error)) {
    case OptionsResult::Help:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case OptionsResult::Error:
        std::fprintf(stderr, "tavrel-server: %s\n\n%s", error.c_str(), UsageText().c_str());
        return 2;
    case OptionsResult::Run:
        break;
    }
    // Asio sends with MSG_NOSIGNAL already; this covers any other write to a closed pipe,
    // such as the log when standard output is a pipe whose reader went away.
    std::signal(SIGPIPE, SIG_IGN);

    asio::io_context io(1);
    std::unique_ptr<Server> server;
    try {
        server = std::make_unique<Server>(io, options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavrel-server: cannot listen on %s port %d: %s\n", options.bind.c_str(),
                     options.port, e.what());
        return 1;
    }
    LogLine("listening on " + options.bind + " port " + std::to_string(server->Port()) + ", at most " +
            std::to_string(options.maxClients) + " clients");

    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&server](const asio::error_code& ec, int signo) {
        if (ec) return;
        LogLine(std::string("stopping on ") + (signo == SIGINT ? "SIGINT" : "SIGTERM"));
        server->Stop();
    });
    io.run();
    return 0;
}
