// What the cluster puts on the bus and how the relay treats players of other nodes: the payload
// and subject rules, and remote players under the single server's rules for local receivers.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "server/options.h"
#include "server/relay.h"
#include "wire/cluster.h"
#include "wire/protocol.h"

namespace {

using Texts = std::vector<std::string>;

Texts Cut(const std::string& bytes) {
    Texts texts;
    std::string text;
    for (std::size_t at = 0; CutFrameAt(bytes, at, text) == FrameStatus::Complete;)
        texts.push_back(text);
    return texts;
}

TEST(ClusterWire, PayloadsAreFramesAfterTheirOrigin) {
    const std::string pos = "3|Ann|1|2|0|1|0|1|main.map", framed = EncodeFrame(pos);
    const struct {
        std::string payload, node; // no node: the payload is refused whole
        Texts texts;
    } cases[] = {
        {ClusterOrigin("n1") + framed + EncodeFrame("2|Bob"), "n1", {pos, "2|Bob"}},
        {ClusterOrigin("Z9"), "Z9", {}},
        {"", "", {}},
        {framed, "", {}},                                   // no origin
        {EncodeFrame("N|a.b") + framed, "", {}},            // a node id that would split a subject
        {EncodeFrame("N|" + std::string(33, 'x')), "", {}}, // too long
        {ClusterOrigin("n1") + framed.substr(0, framed.size() - 1), "", {}}, // cut short
        {ClusterOrigin("n1") + std::string(4, '\0'), "", {}},                // zero length
        {ClusterOrigin("n1") + "\x7f\xff\xff\xff", "", {}},                  // hostile length
    };
    for (const auto& c : cases) {
        std::string_view node = "unset";
        std::vector<std::string_view> texts{"left over"};
        EXPECT_EQ(ParseClusterPayload(c.payload, node, texts), !c.node.empty()) << c.payload;
        EXPECT_EQ(Texts(texts.begin(), texts.end()), c.texts);
        EXPECT_TRUE(c.node.empty() || node == c.node) << node;
    }
}

TEST(ClusterWire, MapNamesNicknamesAndNodeIdsBecomeSafeSubjectTokensAndKeys) {
    EXPECT_EQ(ClusterMapSubject("main.map"), "tavrel.map.6d61696e2e6d6170");
    EXPECT_EQ(ClusterNickKey("A b"), "412062");
    // Whatever a map author writes, the token holds hex digits only, and two names never meet.
    std::map<std::string, std::string> seen;
    for (const char* map : {"main.map", "main_map", "a b", "*", ">", "a.>", "~!", "A", "a"}) {
        const std::string token = ClusterMapSubject(map).substr(std::string("tavrel.map.").size());
        EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos) << map;
        EXPECT_TRUE(seen.emplace(token, map).second) << map << " and " << seen[token];
    }
    for (const char* ok : {"a", "n1", "ABCdef123"})
        EXPECT_TRUE(ValidNodeId(ok)) << ok;
    for (const char* bad : {"", "a.b", "a b", "a*", "a>", "n-1"})
        EXPECT_FALSE(ValidNodeId(bad)) << bad;
}

TEST(ClusterOptions, ClusterAddressesAndReplicas) {
    ServerOptions o;
    std::string error;
    const std::vector<std::string> args{"--cluster=nats://a:1,nats://b:2", "--cluster-replicas", "3"};
    ASSERT_EQ(ParseOptions(args, o, error), OptionsResult::Run) << error;
    EXPECT_EQ(std::pair(o.cluster, o.clusterReplicas),
              std::pair(std::vector<std::string>{"nats://a:1", "nats://b:2"}, 3));
    const std::vector<std::vector<std::string>> refused{
        {"--cluster", "h:4222"}, {"--cluster", "nats://a:1,"}, {"--cluster", "nats://"},
        {"--cluster"},           {"--cluster-replicas", "0"},  {"--cluster-replicas", "6"}};
    for (const auto& bad : refused) {
        ServerOptions fresh;
        EXPECT_NE(ParseOptions(bad, fresh, error), OptionsResult::Run) << bad.back();
    }
}

class RemoteRelay : public ::testing::Test {
  protected:
    void SetUp() override { relay.SetPublishing(true); }
    void In(const std::string& nick) { slots[nick] = relay.Join(nick, "10.0.0.1", t0); }
    // What each local player is owed now, by nick.
    std::map<std::string, Texts> Take() {
        std::map<std::string, Texts> got;
        for (const Slot slot : relay.Touched()) {
            std::string bytes;
            relay.TakeOutput(slot, bytes);
            if (!bytes.empty()) got[relay.Nick(slot)] = Cut(bytes);
        }
        relay.ClearTouched();
        return got;
    }
    static std::string Pos(const std::string& nick, int x, const std::string& map = "main.map") {
        return "3|" + nick + "|" + std::to_string(x) + "|1|1|1|0|2|" + map;
    }
    const ServerTime t0 = ServerTime{} + std::chrono::hours(1);
    Relay relay;
    std::map<std::string, Slot> slots;
};

TEST_F(RemoteRelay, RemotePlayersReachLocalOnesLikeLocalSendersAndNeverReceive) {
    In("Ann");
    relay.Receive(slots["Ann"], Pos("Ann", 1), t0);
    Take();
    // Seen only where a local player is.
    relay.RemotePosition("nB", Pos("Bob", 2), t0);
    relay.RemotePosition("nB", Pos("Zed", 1, "cave.map"), t0);
    EXPECT_EQ(relay.RemoteCount(), 1u);
    EXPECT_EQ(relay.PlayerCount(), 1u);
    EXPECT_EQ(Take(), (std::map<std::string, Texts>{{"Ann", {Pos("Bob", 2)}}}));
    EXPECT_EQ(relay.LoginProblem("Bob"), "nickname in use");
    // A newcomer hears the remote player's latest position like a local one's, in arrival order.
    In("Cid");
    EXPECT_EQ(Take(), (std::map<std::string, Texts>{{"Cid", {Pos("Ann", 1), Pos("Bob", 2)}}}));
    // Cid moves: only Ann is told; the remote player is never a receiver. The move is published.
    relay.ClearPublished();
    relay.Receive(slots["Cid"], Pos("Cid", 6), t0);
    EXPECT_EQ(Take(), (std::map<std::string, Texts>{{"Ann", {Pos("Cid", 6)}}}));
    EXPECT_EQ(relay.Moved(), std::vector<Slot>{slots["Cid"]});
    // A remote player with a local player's name is an impostor or a stale claim: ignored.
    relay.RemotePosition("nB", Pos("Ann", 9), t0);
    EXPECT_TRUE(Take().empty());
    // A remote player leaving for a map nobody here is on leaves the view.
    relay.RemotePosition("nB", Pos("Bob", 3, "cave.map"), t0);
    EXPECT_EQ(Take(), (std::map<std::string, Texts>{{"Ann", {"2|Bob"}}, {"Cid", {"2|Bob"}}}));
    EXPECT_EQ(relay.RemoteCount(), 0u);
    EXPECT_EQ(relay.LoginProblem("Bob"), "");
}

TEST_F(RemoteRelay, RemovalsCountOnlyFromTheOwningNodeAndMap) {
    In("Ann");
    relay.RemotePosition("nB", Pos("Bob", 1), t0);
    relay.RemotePosition("nC", Pos("Cy", 1), t0);
    Take();
    relay.RemoteRemoval("nC", "Bob", "main.map");  // another node cannot remove Bob
    relay.RemoteRemoval("nB", "Bob", "house.map"); // Bob is not there
    relay.RemoteRemoval("nB", "Ann", "main.map");  // nor anyone's local player
    EXPECT_TRUE(Take().empty());
    relay.RemoteRemoval("nB", "Bob", "main.map");
    EXPECT_EQ(Take(), (std::map<std::string, Texts>{{"Ann", {"2|Bob"}}}));
    // A dead node takes its players with it, and only its own.
    relay.RemotePosition("nB", Pos("Bea", 1), t0);
    relay.RemotePosition("nB", Pos("Bo", 1), t0);
    Take();
    relay.ForgetNode("nB");
    EXPECT_EQ(Take(), (std::map<std::string, Texts>{{"Ann", {"2|Bea", "2|Bo"}}}));
    EXPECT_EQ(relay.RemoteCount(), 1u);
    // When the last local player leaves a map, the remote players there are forgotten quietly.
    relay.Receive(slots["Ann"], "4|Ann|house.map", t0);
    EXPECT_EQ(Take(), (std::map<std::string, Texts>{{"Ann", {"2|Cy"}}}));
    EXPECT_EQ(relay.RemoteCount(), 1u);
    relay.ForgetRemotesOn("main.map");
    EXPECT_EQ(relay.RemoteCount(), 0u);
    EXPECT_TRUE(Take().empty());
}

TEST_F(RemoteRelay, RemoteChatReachesEveryLocalPlayerCleaned) {
    In("Ann");
    In("Cid");
    relay.Receive(slots["Cid"], "4|Cid|cave.map", t0);
    Take();
    relay.RemoteChat("1|Bob|hi\x01 there|main.map");
    for (const std::string dropped : {"1|Bob|\x01|main.map", "3|Bob|hi", "1||hi|main.map"})
        relay.RemoteChat(dropped);
    const Texts lines{"1|Bob|hi there|main.map"};
    EXPECT_EQ(Take(), (std::map<std::string, Texts>{{"Ann", lines}, {"Cid", lines}}));
    EXPECT_EQ(relay.PublishedChat(), "") << "a remote line is not published again";
}

TEST_F(RemoteRelay, LocalDeedsArePublishedInOrderOncePerTurn) {
    relay.ClearPublished();
    In("Ann");
    In("Bob");
    relay.Receive(slots["Ann"], Pos("Ann", 1), t0);
    relay.Receive(slots["Ann"], "1|Ann|hi|main.map", t0);
    relay.Receive(slots["Ann"], Pos("Ann", 2, "cave.map"), t0);
    relay.Leave(slots["Bob"]);
    EXPECT_EQ(Cut(relay.PublishedChat()), Texts{"1|Ann|hi|main.map"});
    const std::vector<std::pair<std::string, std::string>> exits{{"main.map", "Ann"}, {"main.map", "Bob"}};
    EXPECT_EQ(relay.PublishedExits(), exits);
    EXPECT_EQ(relay.Moved(), std::vector<Slot>{slots["Ann"]});
    EXPECT_EQ(Cut(relay.PositionOf(slots["Ann"])), Texts{Pos("Ann", 2, "cave.map")});
    EXPECT_EQ(relay.MapsChanged(), (Texts{"main.map", "cave.map", "main.map"}));
    EXPECT_EQ(relay.LocalMaps(), Texts{"cave.map"});
    relay.ClearPublished();
    EXPECT_TRUE(relay.Moved().empty() && relay.PublishedExits().empty() && relay.PublishedChat().empty());
    // Alone, nothing is kept for publishing.
    Relay alone;
    alone.Join("Ann", "x", t0);
    alone.Receive(0, Pos("Ann", 1), t0);
    EXPECT_TRUE(alone.Moved().empty() && alone.MapsChanged().empty());
}

} // namespace
