// tavrel-bot against the real tavrel-server: bots see each other, and a bot that takes an
// exit announces the new map before it reports a position there.
#include "tests/support/players.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

namespace {

using namespace std::chrono_literals;

struct TraceLine {
    char what; // 'S' written, 'R' read
    std::string text;
};

std::vector<TraceLine> ReadTrace(const std::string& path) {
    std::vector<TraceLine> lines;
    std::istringstream in(tt::ReadFile(path));
    std::string line;
    while (std::getline(in, line)) {
        // what, time, nick, text: tab separated, the text last.
        std::size_t at = 0;
        for (int field = 0; field < 3 && at != std::string::npos; ++field)
            at = line.find('\t', at + 1);
        if (line.size() < 2 || at == std::string::npos) continue;
        lines.push_back(TraceLine{line[0], line.substr(at + 1)});
    }
    return lines;
}

bool Has(const std::vector<TraceLine>& trace, char what, const std::string& prefix) {
    for (const TraceLine& l : trace)
        if (l.what == what && l.text.rfind(prefix, 0) == 0) return true;
    return false;
}

class Bot {
  public:
    Bot(int port, const std::string& name, const std::vector<std::string>& extra)
        : trace_(testing::TempDir() + "bot-" + name + ".trace") {
        std::vector<std::string> argv{TAVREL_BOT_BIN, "--port", std::to_string(port), "--name", name};
        for (const char* more : {"--duration", "0", "--maps", TAVREL_SOURCE_DIR "/resources/", "--trace"})
            argv.push_back(more);
        argv.push_back(trace_);
        argv.insert(argv.end(), extra.begin(), extra.end());
        process_ = std::make_unique<tt::Process>(argv, "/tmp");
    }
    std::vector<TraceLine> Trace() const { return ReadTrace(trace_); }
    tt::Process& process() { return *process_; }

  private:
    std::string trace_;
    std::unique_ptr<tt::Process> process_;
};

TEST(BotEndToEnd, BotsSeeEachOtherAndAnnounceAMapBeforeWalkingOnIt) {
    tt::ServerProcess server(TAVREL_SERVER_BIN);
    ASSERT_NE(server.port(), 0) << server.Log();
    Bot ann(server.port(), "Ann", {"--exit-chance", "0", "--chat-every", "0"});
    Bot bob(server.port(), "Bob", {"--exit-chance", "0", "--chat-every", "0"});
    ASSERT_TRUE(server.WaitLog("join \"Ann\"", 5s));
    ASSERT_TRUE(server.WaitLog("join \"Bob\"", 5s));
    EXPECT_TRUE(tt::Eventually([&] { return Has(ann.Trace(), 'R', "3|Bob|"); }, 10s)) << "Ann never saw Bob";
    EXPECT_TRUE(tt::Eventually([&] { return Has(bob.Trace(), 'R', "3|Ann|"); }, 10s)) << "Bob never saw Ann";

    // Cid heads for exits only and stands hardly at all.
    Bot cid(server.port(), "Cid", {"--exit-chance", "1", "--pause-ms", "10", "--chat-every", "0"});
    ASSERT_TRUE(tt::Eventually([&] { return Has(cid.Trace(), 'S', "4|Cid|"); }, 60s)) << "Cid took no exit\n"
                                                                                      << server.Log();
    // Give the position after the map change time to be written too.
    std::vector<TraceLine> trace;
    std::size_t change = 0;
    ASSERT_TRUE(tt::Eventually(
        [&] {
            trace = cid.Trace();
            for (change = 0; change < trace.size(); ++change)
                if (trace[change].what == 'S' && trace[change].text.rfind("4|Cid|", 0) == 0) break;
            return change + 1 < trace.size();
        },
        5s));
    const std::string newmap = trace[change].text.substr(6);
    EXPECT_TRUE(newmap == "house.map" || newmap == "forest.map") << newmap;
    // Before it, every position was on the start map; the next thing written is the position on the new one.
    for (std::size_t i = 0; i < change; ++i) {
        if (trace[i].what == 'S' && trace[i].text[0] == '3') {
            EXPECT_NE(trace[i].text.find("|main.map"), std::string::npos) << trace[i].text;
        }
    }
    std::size_t next = change + 1;
    while (next < trace.size() && trace[next].what != 'S')
        ++next;
    ASSERT_LT(next, trace.size());
    EXPECT_EQ(trace[next].text.rfind("3|Cid|", 0), 0u) << trace[next].text;
    EXPECT_NE(trace[next].text.find("|" + newmap), std::string::npos) << trace[next].text;
    // The players left behind on the start map are told Cid has gone.
    EXPECT_TRUE(tt::Eventually([&] { return Has(ann.Trace(), 'R', "2|Cid"); }, 5s));

    // Told to stop, every bot leaves cleanly: exit code 0 means every player stayed connected.
    for (Bot* b : {&ann, &bob, &cid}) {
        b->process().Signal(SIGTERM);
        EXPECT_EQ(b->process().Wait(5s), 0) << b->process().Stdout() << b->process().Stderr();
        EXPECT_NE(b->process().Stdout().find("lost=0"), std::string::npos);
    }
}

} // namespace
