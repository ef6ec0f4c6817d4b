// What the cluster puts on the bus and how the relay treats players of other nodes: the payload
// and subject rules, and remote players under the single server's rules for local receivers.
#include <gtest/gtest.h>

#include "tests/server/relayfixture.h"
#include "wire/cluster.h"

namespace {

using namespace tt;

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

class RemoteRelay : public RelayTest {
  protected:
    void SetUp() override { relay.SetPublishing(true); }
};

TEST_F(RemoteRelay, RemotePlayersReachLocalOnesLikeLocalSendersAndNeverReceive) {
    Players({{"Ann", "main.map"}});
    // Seen only where a local player is.
    relay.RemotePosition("nB", Pos("Bob", "2|1"), t0);
    relay.RemotePosition("nB", Pos("Zed", "1|1", "cave.map"), t0);
    EXPECT_EQ(relay.RemoteCount(), 1u);
    EXPECT_EQ(relay.PlayerCount(), 1u);
    EXPECT_EQ(Take(), (Got{{"Ann", {Pos("Bob", "2|1")}}}));
    EXPECT_EQ(relay.LoginProblem("Bob"), "nickname in use");
    // A newcomer hears the remote player's latest position like a local one's, in arrival order.
    In("Cid");
    EXPECT_EQ(Take(), (Got{{"Cid", {Pos("Ann", "1|1"), Pos("Bob", "2|1")}}}));
    // Cid moves: only Ann is told; the remote player is never a receiver. The move is published.
    relay.ClearPublished();
    Send("Cid", Pos("Cid", "6|1"));
    EXPECT_EQ(Take(), (Got{{"Ann", {Pos("Cid", "6|1")}}}));
    EXPECT_EQ(relay.Moved(), std::vector<Slot>{slots["Cid"]});
    // A remote player with a local player's name is an impostor or a stale claim: ignored.
    relay.RemotePosition("nB", Pos("Ann", "9|1"), t0);
    EXPECT_TRUE(Take().empty());
    // A remote player leaving for a map nobody here is on leaves the view.
    relay.RemotePosition("nB", Pos("Bob", "3|1", "cave.map"), t0);
    EXPECT_EQ(Take(), (Got{{"Ann", {"2|Bob"}}, {"Cid", {"2|Bob"}}}));
    EXPECT_EQ(relay.RemoteCount(), 0u);
    EXPECT_EQ(relay.LoginProblem("Bob"), "");
}

TEST_F(RemoteRelay, RemovalsCountOnlyFromTheOwningNodeAndMap) {
    In("Ann");
    for (const char* nick : {"Bob", "Bea", "Bo"})
        relay.RemotePosition("nB", Pos(nick, "1|1"), t0);
    relay.RemotePosition("nC", Pos("Cy", "1|1"), t0);
    Take();
    relay.RemoteRemoval("nC", "Bob", "main.map");  // another node cannot remove Bob
    relay.RemoteRemoval("nB", "Bob", "house.map"); // Bob is not there
    relay.RemoteRemoval("nB", "Ann", "main.map");  // nor anyone's local player
    EXPECT_TRUE(Take().empty());
    relay.RemoteRemoval("nB", "Bob", "main.map");
    EXPECT_EQ(Take(), (Got{{"Ann", {"2|Bob"}}}));
    // A dead node takes its players with it, and only its own.
    relay.ForgetNode("nB");
    EXPECT_EQ(Take(), (Got{{"Ann", {"2|Bea", "2|Bo"}}}));
    EXPECT_EQ(relay.RemoteCount(), 1u);
    // When the last local player leaves a map, the remote players there are forgotten quietly.
    Send("Ann", "4|Ann|house.map");
    EXPECT_EQ(Take(), (Got{{"Ann", {"2|Cy"}}}));
    EXPECT_EQ(relay.RemoteCount(), 1u);
    relay.ForgetRemotesOn("main.map");
    EXPECT_EQ(relay.RemoteCount(), 0u);
    EXPECT_TRUE(Take().empty());
}

TEST_F(RemoteRelay, RemoteChatReachesEveryLocalPlayerCleaned) {
    Players({{"Ann", ""}, {"Cid", "cave.map"}});
    relay.RemoteChat("1|Bob|hi\x01 there|main.map");
    for (const std::string dropped : {"1|Bob|\x01|main.map", "3|Bob|hi", "1||hi|main.map"})
        relay.RemoteChat(dropped);
    const Texts lines{"1|Bob|hi there|main.map"};
    EXPECT_EQ(Take(), (Got{{"Ann", lines}, {"Cid", lines}}));
    EXPECT_EQ(relay.PublishedChat(), "") << "a remote line is not published again";
}

TEST_F(RemoteRelay, LocalDeedsArePublishedInOrderOncePerTurn) {
    relay.ClearPublished();
    In("Ann");
    In("Bob");
    Send("Ann", Pos("Ann", "1|1"));
    Send("Ann", "1|Ann|hi|main.map");
    Send("Ann", Pos("Ann", "2|1", "cave.map"));
    relay.Leave(slots["Bob"]);
    EXPECT_EQ(Cut(relay.PublishedChat()), Texts{"1|Ann|hi|main.map"});
    const std::vector<std::pair<std::string, std::string>> exits{{"main.map", "Ann"}, {"main.map", "Bob"}};
    EXPECT_EQ(relay.PublishedExits(), exits);
    EXPECT_EQ(relay.Moved(), std::vector<Slot>{slots["Ann"]});
    EXPECT_EQ(Cut(relay.PositionOf(slots["Ann"])), Texts{Pos("Ann", "2|1", "cave.map")});
    EXPECT_EQ(relay.MapsChanged(), (Texts{"main.map", "cave.map", "main.map"}));
    EXPECT_EQ(relay.LocalMaps(), Texts{"cave.map"});
    relay.ClearPublished();
    EXPECT_TRUE(relay.Moved().empty() && relay.PublishedExits().empty() && relay.PublishedChat().empty());
    // Alone, nothing is kept for publishing.
    Relay alone;
    alone.Join("Ann", "x", t0);
    alone.Receive(0, Pos("Ann", "1|1"), t0);
    EXPECT_TRUE(alone.Moved().empty() && alone.MapsChanged().empty());
}

} // namespace
