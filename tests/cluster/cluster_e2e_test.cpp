// Several tavrel-server nodes on real nats-server processes: players on different nodes see each
// other walk, chat and change maps; a nickname is taken once in the whole cluster; a node that is
// killed vanishes from everyone's view; the bus going away and coming back, or one of three bus
// servers dying, drops no client and duplicates nothing.
#include "tests/cluster/nats.h"
#include "wire/cluster.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>

namespace {

using namespace tt;

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Logs nick in on node, trying again while the node refuses it (a bus still electing its
// JetStream leader, a claim not expired yet); null when every try within budget was refused.
// Each try comes from another loopback address: the log sums up lines about one address
// beyond ten a minute.
std::unique_ptr<ScriptedPlayer> LogInWhenFree(ServerProcess& node, const std::string& nick, Millis budget) {
    const auto end = std::chrono::steady_clock::now() + budget;
    const std::string joined = "join \"" + nick + "\"", refused = "refuse \"" + nick + "\"";
    static int tries = 0;
    while (std::chrono::steady_clock::now() < end) {
        const std::size_t joins = Count(node.Log(), joined), refusals = Count(node.Log(), refused);
        ++tries;
        const std::string from =
            "127.0." + std::to_string(1 + tries / 250) + "." + std::to_string(1 + tries % 250);
        auto player = std::make_unique<ScriptedPlayer>(node.port(), true, 0, from.c_str());
        player->Send(nick);
        Eventually([&] { return Count(node.Log(), joined) > joins || Count(node.Log(), refused) > refusals; },
                   5s);
        if (Count(node.Log(), joined) > joins) return player;
        std::this_thread::sleep_for(300ms);
    }
    return nullptr;
}

// The last log line holding what ("" when none).
std::string LastLine(const std::string& log, const std::string& what) {
    const std::size_t at = log.rfind(what);
    if (at == std::string::npos) return "";
    const std::size_t end = log.find('\n', at);
    return log.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// Reads frames until one equals text; false when none came within timeout.
bool Hears(ScriptedPlayer& player, const std::string& text, Millis timeout = 5s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        const auto got = player.Next(100ms);
        if (got && *got == text) return true;
    }
    return false;
}

// Reads frames until each of texts has come, in any order; false when one did not within timeout.
bool HearsAll(ScriptedPlayer& player, std::vector<std::string> texts, Millis timeout = 5s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!texts.empty() && std::chrono::steady_clock::now() < end) {
        const auto got = player.Next(100ms);
        if (got) texts.erase(std::remove(texts.begin(), texts.end(), *got), texts.end());
    }
    return texts.empty();
}

// Reads frames until one starts with prefix; the frame, or "" when none came within timeout.
std::string HearsStart(ScriptedPlayer& player, const std::string& prefix, Millis timeout = 5s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        const auto got = player.Next(100ms);
        if (got && got->rfind(prefix, 0) == 0) return *got;
    }
    return "";
}

std::string Pos(const std::string& nick, const std::string& xy, const std::string& map = "main.map") {
    return "3|" + nick + "|" + xy + "|2|1|0|1|" + map;
}

class Cluster : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string(TAVREL_NATS_SERVER).empty()) GTEST_SKIP() << "nats-server is not installed";
        nats = std::make_unique<Nats>();
        ASSERT_TRUE(nats->ready()) << nats->Log();
        a = Node(TAVREL_SERVER_BIN, nats->Url());
        b = Node(TAVREL_SERVER_BIN, nats->Url());
    }
    std::unique_ptr<Nats> nats;
    std::unique_ptr<ServerProcess> a, b;
};

TEST_F(Cluster, PlayersOnTwoNodesSeeEachOtherWalkChatAndChangeMaps) {
    auto ann = LogInWhenFree(*a, "Ann", 10s);
    ASSERT_TRUE(ann) << a->Log();
    auto cara = LogIn(*a, "Cara");
    auto bob = LogIn(*b, "Bob");
    ASSERT_TRUE(ann->SendPosition("Ann", 1, 2, "main.map"));
    EXPECT_TRUE(Hears(*bob, Pos("Ann", "1|2"))) << b->Log();
    EXPECT_TRUE(Hears(*cara, Pos("Ann", "1|2")));
    ASSERT_TRUE(bob->SendPosition("Bob", 5, 6, "main.map"));
    EXPECT_TRUE(Hears(*ann, Pos("Bob", "5|6")));
    EXPECT_TRUE(Hears(*cara, Pos("Bob", "5|6")));

    // Cara goes into the house: both sides of the move forget each other, on both nodes.
    ASSERT_TRUE(cara->SendPosition("Cara", 3, 3, "main.map"));
    EXPECT_TRUE(Hears(*bob, Pos("Cara", "3|3")));
    ASSERT_TRUE(cara->Send(BuildMapChangeMessage("Cara", "house.map")));
    ASSERT_TRUE(cara->SendPosition("Cara", 8, 1, "house.map"));
    EXPECT_TRUE(Hears(*bob, "2|Cara"));
    EXPECT_TRUE(Hears(*ann, "2|Cara"));
    std::vector<std::string> caraGot = cara->Drain();
    for (const char* gone : {"2|Ann", "2|Bob"})
        EXPECT_NE(std::find(caraGot.begin(), caraGot.end(), gone), caraGot.end()) << gone;
    // Nobody on main.map hears where Cara is now.
    bob->SendPosition("Bob", 5, 7, "main.map");
    EXPECT_TRUE(Hears(*ann, Pos("Bob", "5|7")));
    for (const std::string& text : bob->Drain())
        EXPECT_EQ(text.find("house.map"), std::string::npos) << text;

    // One chat line reaches every player once, whatever map and node.
    ASSERT_TRUE(bob->Send(BuildChatMessage("Bob", "hello all", "main.map")));
    const std::string line = "1|Bob|hello all|main.map";
    EXPECT_TRUE(Hears(*ann, line));
    EXPECT_TRUE(Hears(*cara, line));
    EXPECT_TRUE(Hears(*bob, line));
    for (ScriptedPlayer* p : {ann.get(), cara.get(), bob.get()}) {
        const auto rest = p->Drain(500ms);
        EXPECT_EQ(std::count(rest.begin(), rest.end(), line), 0);
    }

    // Ann leaves: Bob is told by the other node.
    ann.reset();
    EXPECT_TRUE(Hears(*bob, "2|Ann")) << a->Log() << b->Log();

    // A bot walking on node b is seen by a player on node a, and its leaving too. (Started after
    // Ann's connection is gone: the bot inherits the test's open sockets.)
    cara->SendPosition("Cara", 4, 4, "main.map");
    Process bot({TAVREL_BOT_BIN, "--port", std::to_string(b->port()), "--name", "Walker", "--duration", "0",
                 "--maps", std::string(TAVREL_SOURCE_DIR) + "/resources/", "--exit-chance", "0",
                 "--chat-every", "0"},
                "/tmp");
    EXPECT_NE(HearsStart(*cara, "3|Walker|", 10s), "") << b->Log();
    bot.Signal(SIGTERM);
    EXPECT_EQ(bot.Wait(5s), 0) << bot.Stdout() << bot.Stderr();
    EXPECT_TRUE(Hears(*cara, "2|Walker"));
    EXPECT_TRUE(a->Stop());
    EXPECT_TRUE(b->Stop());
}

TEST_F(Cluster, NicknameIsTakenOnceInTheWholeClusterUntilItsPlayerLeaves) {
    auto ann = LogInWhenFree(*a, "Ann", 10s);
    ASSERT_TRUE(ann);
    auto bob = LogIn(*b, "Bob");
    // Whichever node the second login comes to, it is refused as on one server.
    const struct {
        ServerProcess* node;
        const char* nick;
    } cases[] = {{b.get(), "Ann"}, {a.get(), "Ann"}, {a.get(), "Bob"}, {b.get(), "Bob"}};
    for (const auto& c : cases) {
        const std::size_t before = Count(c.node->Log(), "refuse \"" + std::string(c.nick) + "\"");
        ScriptedPlayer second(c.node->port());
        second.Send(c.nick);
        EXPECT_TRUE(second.WaitClosed(5s)) << c.nick;
        EXPECT_TRUE(Eventually(
            [&] { return Count(c.node->Log(), "refuse \"" + std::string(c.nick) + "\"") > before; }, 3s));
        EXPECT_EQ(
            LastLine(c.node->Log(), "refuse \"" + std::string(c.nick) + "\"").rfind(": nickname in use"),
            LastLine(c.node->Log(), "refuse \"" + std::string(c.nick) + "\"").size() - 17)
            << c.node->Log();
    }
    // Two logins with one name at once on one node: one gets it.
    ScriptedPlayer c1(a->port()), c2(a->port());
    c1.Send("Dora");
    c2.Send("Dora");
    EXPECT_TRUE(Eventually([&] { return Count(a->Log(), "\"Dora\"") == 2; }, 5s)) << a->Log();
    EXPECT_EQ(Count(a->Log(), "join \"Dora\""), 1u);
    // The players who leave give their names back to the whole cluster.
    ann.reset();
    EXPECT_TRUE(Eventually([&] { return a->Log().find("leave \"Ann\"") != std::string::npos; }, 3s));
    EXPECT_TRUE(LogInWhenFree(*b, "Ann", 5s)) << b->Log();
    EXPECT_EQ(Count(b->Log(), "join \"Ann\""), 1u);
}

TEST_F(Cluster, KilledNodesPlayersVanishForEveryoneAndTheirNamesComeFree) {
    auto ann = LogInWhenFree(*a, "Ann", 10s);
    ASSERT_TRUE(ann);
    auto bob = LogIn(*b, "Bob");
    auto bea = LogIn(*b, "Bea");
    bob->SendPosition("Bob", 1, 1, "main.map");
    bea->SendPosition("Bea", 2, 2, "main.map");
    EXPECT_TRUE(HearsAll(*ann, {Pos("Bob", "1|1"), Pos("Bea", "2|2")}));
    b->process().Signal(SIGKILL);
    EXPECT_EQ(b->process().Wait(5s), 128 + SIGKILL);
    std::vector<std::string> got;
    ASSERT_TRUE(Eventually(
        [&] {
            if (const auto text = ann->Next(100ms)) got.push_back(*text);
            return std::count(got.begin(), got.end(), "2|Bob") == 1 &&
                   std::count(got.begin(), got.end(), "2|Bea") == 1;
        },
        CLUSTER_NODE_TIMEOUT + 5s))
        << a->Log();
    EXPECT_TRUE(a->WaitLog("2 of its players removed"));
    // The dead node's claims expire; then its players can come back on the living node.
    auto again = LogInWhenFree(*a, "Bob", CLUSTER_CLAIM_TTL + 10s);
    ASSERT_TRUE(again) << a->Log();
    EXPECT_NE(a->Log().find("refuse \"Bob\""), std::string::npos) << "the claim outlived its node at once";
    EXPECT_TRUE(ann->connected());
}

TEST_F(Cluster, BusRestartResumesPlayWithNothingLostOrDuplicated) {
    auto ann = LogInWhenFree(*a, "Ann", 10s);
    ASSERT_TRUE(ann);
    auto cara = LogIn(*a, "Cara");
    auto bob = LogIn(*b, "Bob");
    ann->SendPosition("Ann", 1, 1, "main.map");
    ASSERT_TRUE(Hears(*bob, Pos("Ann", "1|1")));

    nats->Kill();
    ASSERT_TRUE(a->WaitLog("lost the bus", 5s));
    ASSERT_TRUE(b->WaitLog("lost the bus", 5s));
    // Each node serves its own players meanwhile.
    ann->SendPosition("Ann", 7, 7, "main.map");
    ann->Send(BuildChatMessage("Ann", "while away", "main.map"));
    // (A turn hands over its chat before its positions.)
    EXPECT_TRUE(HearsAll(*cara, {Pos("Ann", "7|7"), "1|Ann|while away|main.map"}));
    bob->SendPosition("Bob", 9, 9, "main.map");

    nats->Start();
    ASSERT_TRUE(nats->ready());
    ASSERT_TRUE(Eventually([&] { return Count(a->Log(), "on the bus at") == 2; }, 10s)) << a->Log();
    ASSERT_TRUE(Eventually([&] { return Count(b->Log(), "on the bus at") == 2; }, 10s)) << b->Log();
    // Ann's position from the outage reaches the other node once the bus is back (the nodes
    // publish their players' positions again). A chat line said during the outage is sent at
    // most once: the bus keeps no history, so it is lost if the other node is not back yet.
    const std::string away = "1|Ann|while away|main.map", back = "1|Bob|back|main.map";
    std::vector<std::string> bobAll, annAll;
    const auto until = [](ScriptedPlayer& p, std::vector<std::string>& all, const std::string& text) {
        return Eventually(
            [&] {
                if (const auto got = p.Next(100ms)) all.push_back(*got);
                return std::count(all.begin(), all.end(), text) > 0;
            },
            5s);
    };
    EXPECT_TRUE(until(*bob, bobAll, Pos("Ann", "7|7"))) << b->Log();
    EXPECT_TRUE(until(*ann, annAll, Pos("Bob", "9|9"))) << a->Log();
    bob->Send(BuildChatMessage("Bob", "back", "main.map"));
    EXPECT_TRUE(until(*bob, bobAll, back));
    EXPECT_TRUE(until(*ann, annAll, back));
    EXPECT_TRUE(Hears(*cara, back));
    for (const std::string& text : bob->Drain(1s))
        bobAll.push_back(text);
    for (const std::string& text : ann->Drain(1s))
        annAll.push_back(text);
    // Every line at most once, and no removal: nobody left, so nobody is removed and added again.
    EXPECT_LE(std::count(bobAll.begin(), bobAll.end(), away), 1);
    EXPECT_EQ(std::count(bobAll.begin(), bobAll.end(), back), 1);
    EXPECT_EQ(std::count(annAll.begin(), annAll.end(), back), 1);
    EXPECT_EQ(std::count(annAll.begin(), annAll.end(), away), 1);
    for (const auto* all : {&bobAll, &annAll}) {
        for (const std::string& text : *all)
            EXPECT_NE(text.rfind("2|", 0), 0u) << text;
    }
    // Walking goes on across the nodes.
    bob->SendPosition("Bob", 10, 10, "main.map");
    EXPECT_TRUE(Hears(*ann, Pos("Bob", "10|10")));
    EXPECT_EQ(Count(a->Log(), "drop "), 0u);
    EXPECT_EQ(Count(b->Log(), "drop "), 0u);
}

// Three nats-server processes routed into one NATS cluster; the one a node uses dies while the
// players walk: the node moves to another, nobody is dropped, positions keep coming.
TEST(ClusterOnThreeBusServers, OneBusServerDiesWhilePlayersWalk) {
    if (std::string(TAVREL_NATS_SERVER).empty()) GTEST_SKIP() << "nats-server is not installed";
    const int routes[3] = {FreePort(), FreePort(), FreePort()};
    std::vector<std::unique_ptr<Nats>> bus;
    for (int i = 0; i < 3; ++i) {
        std::string others;
        for (int j = 0; j < 3; ++j) {
            if (j == i) continue;
            others +=
                (others.empty() ? "" : ",") + std::string("nats://127.0.0.1:") + std::to_string(routes[j]);
        }
        bus.push_back(std::make_unique<Nats>(std::vector<std::string>{
            "--server_name", "n" + std::to_string(i), "--cluster_name", "tavrel", "--cluster",
            "nats://127.0.0.1:" + std::to_string(routes[i]), "--routes", others}));
        ASSERT_TRUE(bus.back()->ready()) << bus.back()->Log();
    }
    const std::string urls = bus[0]->Url() + "," + bus[1]->Url() + "," + bus[2]->Url();
    auto a = Node(TAVREL_SERVER_BIN, urls, {"--cluster-replicas", "3"});
    auto b = Node(TAVREL_SERVER_BIN, urls, {"--cluster-replicas", "3"});
    // JetStream elects its leaders a few seconds after the routes are up.
    auto ann = LogInWhenFree(*a, "Ann", 30s);
    ASSERT_TRUE(ann) << a->Log();
    auto bob = LogInWhenFree(*b, "Bob", 10s);
    ASSERT_TRUE(bob) << b->Log();

    const std::string log = a->Log(), marker = "on the bus at nats://127.0.0.1:";
    const int used = std::atoi(log.c_str() + log.find(marker) + marker.size());
    int step = 0;
    const auto walk = [&](Millis span) {
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end) {
            ++step;
            ann->SendPosition("Ann", static_cast<float>(step), 1, "main.map");
            bob->SendPosition("Bob", static_cast<float>(step), 2, "main.map");
            std::this_thread::sleep_for(100ms);
        }
    };
    walk(1s);
    EXPECT_NE(HearsStart(*bob, "3|Ann|", 3s), "");
    for (auto& server : bus) {
        if (server->port() == used) server->Kill();
    }
    walk(3s);
    const int after = step;
    walk(2s);
    // A position written after the failover reaches the other node.
    const auto latest = [&](ScriptedPlayer& p, const std::string& nick) {
        int best = 0;
        for (const std::string& text : p.Drain(1s)) {
            if (text.rfind("3|" + nick + "|", 0) == 0)
                best = std::max(best, std::atoi(text.c_str() + 3 + nick.size()));
        }
        return best;
    };
    EXPECT_GT(latest(*bob, "Ann"), after) << a->Log() << b->Log();
    EXPECT_GT(latest(*ann, "Bob"), after) << a->Log() << b->Log();
    EXPECT_FALSE(ann->WaitClosed(0ms));
    EXPECT_FALSE(bob->WaitClosed(0ms));
    EXPECT_EQ(Count(a->Log(), "drop "), 0u);
    EXPECT_EQ(Count(b->Log(), "drop "), 0u);
    EXPECT_GE(Count(a->Log(), "on the bus at"), 1u);
}

} // namespace
