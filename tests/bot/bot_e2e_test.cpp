// tavrel-bot against the real tavrel-server. What the bot writes turn by turn, and in what order, is
// checked on a scripted clock (walker_test.cpp).
#include "tests/support/players.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sstream>

namespace {

using namespace std::chrono_literals;

// One bot process writing every message it writes ('S') and reads ('R') to a trace file.
class Bot {
  public:
    Bot(int port, const std::string& name, const std::vector<std::string>& extra)
        : trace_(testing::TempDir() + "bot-" + name + ".trace") {
        std::remove(trace_.c_str()); // a trace of an earlier run must not count
        std::vector<std::string> argv{TAVREL_BOT_BIN, "--port", std::to_string(port), "--name", name};
        argv.insert(argv.end(), {"--duration", "0", "--maps", TAVREL_SOURCE_DIR "/resources/", "--chat-every",
                                 "0", "--trace", trace_});
        argv.insert(argv.end(), extra.begin(), extra.end());
        process_ = std::make_unique<tt::Process>(argv, "/tmp");
    }
    // Whether the bot wrote ('S') or read ('R') a message starting with prefix. A trace line is
    // what, time, nick and text, tab separated.
    bool Has(char what, const std::string& prefix) const {
        std::istringstream in(tt::ReadFile(trace_));
        for (std::string line; std::getline(in, line);) {
            const std::size_t at = line.find('\t', line.find('\t', line.find('\t') + 1) + 1);
            if (line[0] == what && at != std::string::npos &&
                line.compare(at + 1, prefix.size(), prefix) == 0)
                return true;
        }
        return false;
    }
    tt::Process& process() { return *process_; }

  private:
    std::string trace_;
    std::unique_ptr<tt::Process> process_;
};

TEST(BotEndToEnd, BotsSeeEachOtherTakeExitsAndLeaveCleanly) {
    tt::ServerProcess server(TAVREL_SERVER_BIN);
    Bot ann(server.port(), "Ann", {"--exit-chance", "0"});
    ASSERT_TRUE(server.WaitLog("join \"Ann\"", 10s)) << "so that Cid meets Ann before it leaves";
    // Cid heads for exits only and stands hardly at all.
    Bot cid(server.port(), "Cid", {"--exit-chance", "1", "--pause-ms", "10"});
    EXPECT_TRUE(tt::Eventually([&] { return cid.Has('R', "3|Ann|"); }, 10s)) << "Cid never saw Ann";
    EXPECT_TRUE(tt::Eventually([&] { return cid.Has('S', "4|Cid|"); }, 60s)) << "Cid took no exit\n"
                                                                             << server.Log();
    EXPECT_TRUE(tt::Eventually([&] { return ann.Has('R', "2|Cid"); }, 5s)) << "Ann was not told Cid left";

    // Exit code 0 means every player logged in and stayed connected.
    for (Bot* b : {&ann, &cid}) {
        b->process().Signal(SIGTERM);
        EXPECT_EQ(b->process().Wait(5s), 0) << b->process().Stdout() << b->process().Stderr();
    }
}

} // namespace
