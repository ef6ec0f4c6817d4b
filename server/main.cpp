// tavrel-server: the relay that the game's clients connect to.
#include <sys/resource.h>
#include <sys/signalfd.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
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
    // Sends use MSG_NOSIGNAL; this covers any other write to a closed pipe, such as the log
    // when standard output is a pipe whose reader went away.
    std::signal(SIGPIPE, SIG_IGN);
    // Every client is a descriptor; the default soft limit of 1024 would refuse players long
    // before --max-clients does.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    // The stop signals arrive as readable bytes in the event loop, between two turns.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    const int signalFd = signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK);

    std::unique_ptr<Server> server;
    try {
        server = std::make_unique<Server>(options);
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "tavrel-server: cannot listen on %s port %d: %s\n", options.bind.c_str(),
                     options.port, e.what());
        return 1;
    } catch (const std::runtime_error& e) {
        std::fprintf(stderr, "tavrel-server: cannot join the cluster: %s\n", e.what());
        return 1;
    }
    LogLine("listening on " + options.bind + " port " + std::to_string(server->Port()) + ", at most " +
            std::to_string(options.maxClients) + " clients");
    try {
        server->Run(signalFd);
    } catch (const std::system_error& e) {
        LogLine(std::string("event loop failed: ") + e.what());
        return 1;
    }
    return 0;
}
