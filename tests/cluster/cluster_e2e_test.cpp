// Several tavrel-server nodes on real nats-server processes; what crosses the bus, and what survives a node
// or a bus server dying, with scripted players.
#include "tests/support/players.h"
#include "wire/cluster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

namespace {

using namespace tt;

// One nats-server with JetStream, its store in a folder of its own; Start after Kill runs it again
// on the same port and store, like a restarted service.
struct Nats {
    explicit Nats(std::vector<std::string> args) : port(ClosedPort()), extra(std::move(args)) {
        mkdtemp(folder.data());
    }
    bool Start() {
        std::vector<std::string> argv{TAVREL_NATS_SERVER,  "-js", "-sd", folder, "-a", "127.0.0.1", "-p",
                                      std::to_string(port)};
        argv.insert(argv.end(), extra.begin(), extra.end());
        process = std::make_unique<Process>(argv, folder);
        return Eventually([this] { return Log().find("Server is ready") != std::string::npos; }, 10s);
    }
    void Kill() { process.reset(); } // SIGKILL, as in a crash
    std::string Url() const { return "nats://127.0.0.1:" + std::to_string(port); }
    std::string Log() const { return process->Stderr(); }
    std::string folder = testing::TempDir() + "tavrel-nats-XXXXXX";
    const int port;
    const std::vector<std::string> extra;
    std::unique_ptr<Process> process;
};

// Logs nick in on node, trying again while refused (a JetStream leader not elected, a claim not expired);
// null after budget. Tries come from 250 addresses in turn: the log sums up an address beyond 10/min.
std::unique_ptr<ScriptedPlayer> LogInWhenFree(ServerProcess& node, const std::string& nick, Millis budget) {
    static int tries = 0;
    const auto end = std::chrono::steady_clock::now() + budget;
    while (std::chrono::steady_clock::now() < end) {
        const std::string from = "127.0.1." + std::to_string(++tries % 250 + 1);
        auto player = std::make_unique<ScriptedPlayer>(node.port(), true, 0, from.c_str());
        player->Send(nick);
        const std::string line = "join \"" + nick + "\" " + from + ":";
        // A refused login is closed; a granted one stays open.
        Eventually([&] { return player->WaitClosed(0ms) || node.Log().find(line) != std::string::npos; }, 5s);
        if (node.Log().find(line) != std::string::npos) return player;
        std::this_thread::sleep_for(300ms);
    }
    return nullptr;
}

std::string Pos(const std::string& nick, const std::string& xy, const std::string& map = "main.map") {
    return "3|" + nick + "|" + xy + "|2|1|0|1|" + map;
}

// One or more nats-servers routed into one bus, two nodes on it, Ann on the first node and Bob on the second.
class Cluster : public ::testing::Test {
  protected:
    explicit Cluster(int size = 1) : servers(size) {}
    void SetUp() override {
        if (std::string(TAVREL_NATS_SERVER).empty()) GTEST_SKIP() << "nats-server is not installed";
        // Every server is given every route; it knows its own and leaves it out.
        std::vector<std::string> routes;
        std::string allRoutes, urls;
        for (int i = 0; i < servers; ++i) {
            routes.push_back("nats://127.0.0.1:" + std::to_string(ClosedPort()));
            allRoutes += (allRoutes.empty() ? "" : ",") + routes.back();
        }
        for (const std::string& route : routes) {
            const std::vector<std::string> member{"--server_name",  "n" + std::to_string(bus.size()),
                                                  "--cluster_name", "tavrel",
                                                  "--cluster",      route,
                                                  "--routes",       allRoutes};
            bus.push_back(std::make_unique<Nats>(servers > 1 ? member : std::vector<std::string>{}));
            ASSERT_TRUE(bus.back()->Start()) << bus.back()->Log();
            urls += (urls.empty() ? "" : ",") + bus.back()->Url();
        }
        const std::vector<std::string> args{"--cluster", urls, "--cluster-replicas", std::to_string(servers)};
        for (auto* node : {&a, &b}) {
            *node = std::make_unique<ServerProcess>(TAVREL_SERVER_BIN, args);
            ASSERT_TRUE((*node)->WaitLog("on the bus at", 10s)) << (*node)->Log();
        }
        // JetStream elects its leaders a few seconds after the routes are up.
        ann = LogInWhenFree(*a, "Ann", 30s);
        ASSERT_TRUE(ann) << a->Log();
        bob = LogInWhenFree(*b, "Bob", 10s);
        ASSERT_TRUE(bob) << b->Log();
    }
    const int servers;
    std::vector<std::unique_ptr<Nats>> bus;
    std::unique_ptr<ServerProcess> a, b;
    std::unique_ptr<ScriptedPlayer> ann, bob;
};

TEST_F(Cluster, AMapChangeTravelsAsARemovalAndNodesOnTheBusStopCleanly) {
    ASSERT_TRUE(ann->SendPosition("Ann", 1, 2, "main.map"));
    EXPECT_TRUE(bob->Hears({Pos("Ann", "1|2")})) << b->Log();
    ASSERT_TRUE(ann->Send(BuildMapChangeMessage("Ann", "house.map")));
    ASSERT_TRUE(ann->SendPosition("Ann", 8, 1, "house.map"));
    EXPECT_TRUE(bob->Hears({"2|Ann"}));
    EXPECT_TRUE(a->Stop());
    EXPECT_TRUE(b->Stop());
}

TEST_F(Cluster, NicknameIsTakenOnceInTheWholeClusterUntilItsPlayerLeaves) {
    // A name taken on one node is refused on the other as on one server.
    ScriptedPlayer second(b->port());
    second.Send("Ann");
    EXPECT_TRUE(second.WaitClosed(5s));
    const std::regex refused("refuse \"Ann\" [^\n]*: nickname in use\n");
    EXPECT_TRUE(Eventually([&] { return std::regex_search(b->Log(), refused); }, 3s)) << b->Log();
    // Two logins with one name at once on one node: one gets it, the other is closed.
    ScriptedPlayer c1(a->port()), c2(a->port());
    c1.Send("Dora");
    c2.Send("Dora");
    EXPECT_TRUE(a->WaitLog("join \"Dora\"", 5s)) << a->Log();
    EXPECT_TRUE(Eventually([&] { return c1.WaitClosed(0ms) != c2.WaitClosed(0ms); }, 5s));
    // The players who leave give their names back to the whole cluster.
    ann.reset();
    EXPECT_TRUE(LogInWhenFree(*b, "Ann", 5s)) << b->Log();
}

TEST_F(Cluster, KilledNodesPlayersVanishForEveryoneAndTheirNamesComeFree) {
    auto bea = LogIn(*b, "Bea");
    bob->SendPosition("Bob", 1, 1, "main.map");
    bea->SendPosition("Bea", 2, 2, "main.map");
    EXPECT_TRUE(ann->Hears({Pos("Bob", "1|1"), Pos("Bea", "2|2")}));
    b->Signal(SIGKILL);
    EXPECT_EQ(b->Wait(5s), 128 + SIGKILL);
    std::vector<std::string> heard;
    ASSERT_TRUE(ann->Hears({"2|Bob", "2|Bea"}, CLUSTER_NODE_TIMEOUT + 5s, &heard)) << a->Log();
    for (const char* gone : {"2|Bob", "2|Bea"})
        EXPECT_EQ(std::count(heard.begin(), heard.end(), gone), 1) << gone;
    EXPECT_TRUE(a->WaitLog("2 of its players removed"));
    // The dead node's claims expire; then its players can come back on the living node.
    ASSERT_TRUE(LogInWhenFree(*a, "Bob", CLUSTER_CLAIM_TTL + 10s)) << a->Log();
    EXPECT_NE(a->Log().find("refuse \"Bob\""), std::string::npos) << "the claim outlived its node at once";
}

TEST_F(Cluster, BusRestartResumesPlayWithNothingLostOrDuplicated) {
    auto cara = LogIn(*a, "Cara");
    ann->SendPosition("Ann", 1, 1, "main.map");
    ASSERT_TRUE(bob->Hears({Pos("Ann", "1|1")}));

    bus[0]->Kill();
    ASSERT_TRUE(a->WaitLog("lost the bus", 5s));
    ASSERT_TRUE(b->WaitLog("lost the bus", 5s));
    // Each node serves its own players meanwhile.
    ann->SendPosition("Ann", 7, 7, "main.map");
    ann->Send(BuildChatMessage("Ann", "while away", "main.map"));
    EXPECT_TRUE(cara->Hears({Pos("Ann", "7|7"), "1|Ann|while away|main.map"}));
    bob->SendPosition("Bob", 9, 9, "main.map");

    ASSERT_TRUE(bus[0]->Start());
    // The positions from the outage reach the other node once the nodes are back on the bus (within
    // 10 s) and publish them again. A chat line said during the outage is sent at most once: the bus
    // keeps no history, so it is lost if the other node is not back yet.
    const std::string back = "1|Bob|back|main.map";
    std::vector<std::string> bobAll, annAll;
    EXPECT_TRUE(bob->Hears({Pos("Ann", "7|7")}, 15s, &bobAll)) << b->Log();
    EXPECT_TRUE(ann->Hears({Pos("Bob", "9|9")}, 15s, &annAll)) << a->Log();
    bob->Send(BuildChatMessage("Bob", "back", "main.map"));
    // Every chat line at most once, and no removal: nobody left, so nobody is removed and added again.
    for (auto [player, all] : {std::pair{bob.get(), &bobAll}, std::pair{ann.get(), &annAll}}) {
        EXPECT_TRUE(player->Hears({back}, 5s, all));
        for (const std::string& text : player->Drain(1s))
            all->push_back(text);
        for (const std::string& text : *all) {
            EXPECT_NE(text.rfind("2|", 0), 0u) << text;
            EXPECT_TRUE(text.rfind("1|", 0) != 0 || std::count(all->begin(), all->end(), text) == 1) << text;
        }
    }
    EXPECT_EQ((a->Log() + b->Log()).find("drop "), std::string::npos);
}

// Three bus servers; the one node a uses dies while players walk: nobody is dropped, positions keep coming.
class ClusterOnThreeBusServers : public Cluster {
  protected:
    ClusterOnThreeBusServers() : Cluster(3) {}
};

TEST_F(ClusterOnThreeBusServers, OneBusServerDiesWhilePlayersWalk) {
    // Both walk a step each 100 ms; the bus server node a is on dies after the tenth.
    for (int step = 1; step <= 40; ++step) {
        ann->SendPosition("Ann", static_cast<float>(step), 1, "main.map");
        bob->SendPosition("Bob", static_cast<float>(step), 2, "main.map");
        std::this_thread::sleep_for(100ms);
        if (step != 10) continue;
        // Chosen before the kill: node a fails over within milliseconds, and its log then names the next.
        const std::string log = a->Log();
        const auto used = std::find_if(bus.begin(), bus.end(), [&log](const auto& server) {
            return log.find("on the bus at " + server->Url() + "\n") != std::string::npos;
        });
        ASSERT_NE(used, bus.end()) << log;
        (*used)->Kill();
    }
    EXPECT_TRUE(a->WaitLog("lost the bus")) << a->Log();
    // A position written after the failover reaches the other node.
    ann->SendPosition("Ann", 1000, 1, "main.map");
    bob->SendPosition("Bob", 1000, 2, "main.map");
    EXPECT_TRUE(bob->Hears({Pos("Ann", "1000|1")})) << a->Log() << b->Log();
    EXPECT_TRUE(ann->Hears({Pos("Bob", "1000|2")})) << a->Log() << b->Log();
    EXPECT_EQ((a->Log() + b->Log()).find("drop "), std::string::npos);
}

} // namespace
