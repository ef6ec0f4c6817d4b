// The relay rules over the in-memory model: who receives what, and what is refused.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "server/relay.h"

namespace {

using std::chrono::milliseconds;

// The text a client would read from a frame (up to the first zero byte).
std::string TextOf(const Message& message) {
    std::string buffer = message.frame, text;
    EXPECT_EQ(CutFrame(buffer, text), FrameStatus::Complete);
    EXPECT_TRUE(buffer.empty());
    return text;
}

class RelayTest : public ::testing::Test {
  protected:
    ServerTime t0 = ServerTime{} + std::chrono::hours(1);

    // What each connection received from the calls since the last Take, in order.
    std::map<ConnId, std::vector<std::string>> Take() {
        std::map<ConnId, std::vector<std::string>> got;
        for (const Delivery& d : out) got[d.to].push_back(TextOf(*d.message));
        out.clear();
        return got;
    }
    void Join(ConnId id, const std::string& nick) {
        ASSERT_TRUE(relay.Join(id, nick, t0, out)) << nick;
    }
    void Send(ConnId id, const std::string& text, ServerTime at) { relay.Receive(id, text, at, out); }
    void Send(ConnId id, const std::string& text) { Send(id, text, t0); }
    // A position as the client sends it, cut at the first zero byte.
    static std::string Pos(const std::string& nick, float x, float y, const std::string& map) {
        std::string text = BuildPositionMessage(nick, x, y, 1, 1, 0, 2, map);
        return text.substr(0, text.find('\0'));
    }

    Relay relay;
    std::vector<Delivery> out;
};

using Got = std::map<ConnId, std::vector<std::string>>;

TEST(Nickname, LengthBarAndControlCharacters) {
    EXPECT_NE(NicknameProblem(""), "");
    EXPECT_EQ(NicknameProblem("a"), "");
    EXPECT_EQ(NicknameProblem("ninechars"), "");
    EXPECT_NE(NicknameProblem("tencharsXX"), "");
    EXPECT_NE(NicknameProblem("a|b"), "");
    EXPECT_NE(NicknameProblem("a\tb"), "");
    EXPECT_NE(NicknameProblem("a\x1b"), "");
    EXPECT_NE(NicknameProblem("del\x7f"), "");
    EXPECT_EQ(NicknameProblem("Ann Lee"), "");
    EXPECT_EQ(NicknameProblem("J\xc3\xb6rg"), ""); // bytes above ASCII are not control characters
}

TEST_F(RelayTest, RefusedLoginsChangeNothing) {
    Join(1, "Ann");
    EXPECT_FALSE(relay.Join(2, "Ann", t0, out));
    EXPECT_FALSE(relay.Join(2, "", t0, out));
    EXPECT_FALSE(relay.Join(2, "tencharsXX", t0, out));
    EXPECT_FALSE(relay.Join(1, "Bob", t0, out)); // the connection already has a player
    EXPECT_EQ(relay.PlayerCount(), 1u);
    EXPECT_EQ(relay.Find(2), nullptr);
    EXPECT_EQ(relay.LoginProblem("Ann"), "nickname in use");
    // Names compare byte for byte, as the client's roster does.
    EXPECT_EQ(relay.LoginProblem("ann"), "");
    // Once Ann is gone her name is free again.
    relay.Leave(1, out);
    EXPECT_EQ(relay.LoginProblem("Ann"), "");
}

TEST_F(RelayTest, NewcomerGetsLatestPositionsOnStartMapOnly) {
    Join(1, "Ann");
    Join(2, "Bob");
    Join(3, "Cid");
    Join(4, "Dee"); // never sends a position
    Send(1, Pos("Ann", 1, 1, "main.map"));
    Send(1, Pos("Ann", 2.5f, 3, "main.map"));
    Send(2, Pos("Bob", 4, 4, "cave.map"));
    Send(3, Pos("Cid", 5, 6, "main.map"));
    Take();
    Join(5, "Eve");
    EXPECT_EQ(relay.Find(5)->map, "main.map");
    const Got got = Take();
    ASSERT_EQ(got.size(), 1u) << "nobody but the newcomer hears of a login";
    EXPECT_EQ(got.at(5), (std::vector<std::string>{"3|Ann|2.5|3|1|1|0|2|main.map", "3|Cid|5|6|1|1|0|2|main.map"}));
}

TEST_F(RelayTest, ChatGoesToEveryoneWithLoginNameAndSenderMap) {
    Join(1, "Ann");
    Join(2, "Bob");
    Send(2, Pos("Bob", 1, 1, "cave.map"));
    Take();
    Send(2, "1|Mallory|hello there|main.map"); // the written nick and map are not believed
    const Got got = Take();
    const std::vector<std::string> line{"1|Bob|hello there|cave.map"};
    EXPECT_EQ(got, (Got{{1, line}, {2, line}}));
}

TEST_F(RelayTest, ChatTextIsCleanedAndCut) {
    Join(1, "Ann");
    Take();
    Send(1, "1|Ann|a\tb\x01" "c\x7f\xe9!|main.map");
    Send(1, "1|Ann|" + std::string(80, 'x') + "|main.map");
    Send(1, "1|Ann|\x01\x02|main.map"); // nothing printable left: dropped
    Send(1, "1|Ann||main.map");         // empty: dropped
    Send(1, "1|Ann");
    const Got got = Take();
    EXPECT_EQ(got.at(1), (std::vector<std::string>{"1|Ann|abc!|main.map", "1|Ann|" + std::string(58, 'x') + "|main.map"}));
    EXPECT_EQ(CleanChatText(std::string(MAX_CHAT_TEXT, 'y') + "z"), std::string(MAX_CHAT_TEXT, 'y'));
}

TEST_F(RelayTest, ChatFloodLimitIsFiveLinesPerFiveSeconds) {
    Join(1, "Ann");
    Join(2, "Bob");
    Take();
    for (int i = 0; i < 5; ++i) Send(1, "1|Ann|line" + std::to_string(i) + "|main.map", t0 + milliseconds(i * 1000));
    Send(1, "1|Ann|sixth|main.map", t0 + milliseconds(4999));  // over the limit: dropped
    Send(2, "1|Bob|mine|main.map", t0 + milliseconds(4999));   // Bob has his own allowance
    Send(1, "1|Ann|again|main.map", t0 + milliseconds(5000));  // line0 is 5 s old now
    Send(1, "1|Ann|more|main.map", t0 + milliseconds(5500));   // line1 is only 4.5 s old
    Send(1, "1|Ann|late|main.map", t0 + milliseconds(6000));
    const std::vector<std::string> bob = Take().at(2);
    EXPECT_EQ(bob, (std::vector<std::string>{"1|Ann|line0|main.map", "1|Ann|line1|main.map", "1|Ann|line2|main.map",
                                             "1|Ann|line3|main.map", "1|Ann|line4|main.map", "1|Bob|mine|main.map",
                                             "1|Ann|again|main.map", "1|Ann|late|main.map"}));
}

TEST_F(RelayTest, PositionGoesToOthersOnTheSameMapUnderTheLoginName) {
    Join(1, "Ann");
    Join(2, "Bob");
    Join(3, "Cid");
    Send(3, Pos("Cid", 0, 0, "cave.map"));
    Take();
    Send(1, "3|Zed|1234.5678|0.00001|3|0|1|7|main.map");
    const Got got = Take();
    EXPECT_EQ(got, (Got{{2, {"3|Ann|1234.57|1e-05|3|0|1|7|main.map"}}}));
    // The frame keeps the client's layout: visible text, an extra zero byte, the terminator.
    const std::string& frame = relay.Find(1)->position->frame;
    const std::string text = "3|Ann|1234.57|1e-05|3|0|1|7|main.map";
    EXPECT_EQ(frame, EncodeFrame(text + std::string(1, '\0')));
    EXPECT_EQ(static_cast<unsigned char>(frame[3]), text.size() + 2);
}

TEST_F(RelayTest, MalformedPositionsAreNotRelayed) {
    Join(1, "Ann");
    Join(2, "Bob");
    Take();
    Send(1, "3|Ann|nan|1|0|0|0|0|main.map");
    Send(1, "3|Ann|1|inf|0|0|0|0|main.map");
    Send(1, "3|Ann|1e39|1|0|0|0|0|main.map"); // does not fit a float
    Send(1, "3|Ann");                         // no map
    Send(1, "3|Ann|1|1|0|0|0|0|" + std::string(MAX_MAP_NAME + 1, 'm'));
    Send(1, "3|Ann|1|1|0|0|0|0|bad\x01map");
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(relay.Find(1)->map, "main.map");
    EXPECT_EQ(relay.Find(1)->position, nullptr);
    // Missing or garbled numbers read as 0, as the client reads them.
    Send(1, "3|Ann|x|2|||||main.map");
    EXPECT_EQ(Take(), (Got{{2, {"3|Ann|0|2|0|0|0|0|main.map"}}}));
}

TEST_F(RelayTest, ExplicitMapChangeSwapsRostersBothWays) {
    Join(1, "Ann");
    Join(2, "Bob");
    Join(3, "Cid");
    Join(4, "Dee");
    Send(1, Pos("Ann", 1, 1, "main.map"));
    Send(2, Pos("Bob", 2, 2, "main.map"));
    Send(3, Pos("Cid", 3, 3, "cave.map"));
    Send(4, Pos("Dee", 4, 4, "cave.map"));
    Take();
    Send(1, "4|Ann|cave.map");
    EXPECT_EQ(relay.Find(1)->map, "cave.map");
    const Got got = Take();
    EXPECT_EQ(got, (Got{{1, {"2|Bob", "3|Cid|3|3|1|1|0|2|cave.map", "3|Dee|4|4|1|1|0|2|cave.map"}}, {2, {"2|Ann"}}}));
    // Ann's stored position was on main.map: a newcomer there is shown Bob only.
    Join(5, "Eve");
    EXPECT_EQ(Take(), (Got{{5, {"3|Bob|2|2|1|1|0|2|main.map"}}}));
    // The same map again, or an unusable map name, changes nothing.
    Send(1, "4|Ann|cave.map");
    Send(1, "4|Ann|");
    Send(1, "4|Ann|" + std::string(MAX_MAP_NAME + 1, 'm'));
    Send(1, "4|Ann|new\nline");
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(relay.Find(1)->map, "cave.map");
    EXPECT_TRUE(ValidMapName(std::string(MAX_MAP_NAME, 'm')));
}

TEST_F(RelayTest, PositionOnAnotherMapIsAMapChangeFirst) {
    Join(1, "Ann");
    Join(2, "Bob");
    Join(3, "Cid");
    Send(2, Pos("Bob", 2, 2, "main.map"));
    Send(3, Pos("Cid", 3, 3, "cave.map"));
    Take();
    Send(1, Pos("Ann", 9, 9, "cave.map"));
    const Got got = Take();
    EXPECT_EQ(got, (Got{{1, {"2|Bob", "3|Cid|3|3|1|1|0|2|cave.map"}},
                        {2, {"2|Ann"}},
                        {3, {"3|Ann|9|9|1|1|0|2|cave.map"}}}));
}

TEST_F(RelayTest, LeaveTellsOnlyThePlayersOnThatMap) {
    Join(1, "Ann");
    Join(2, "Bob");
    Join(3, "Cid");
    Send(3, Pos("Cid", 3, 3, "cave.map"));
    Take();
    relay.Leave(1, out);
    EXPECT_EQ(Take(), (Got{{2, {"2|Ann"}}}));
    EXPECT_EQ(relay.PlayerCount(), 2u);
    relay.Leave(1, out); // twice, or for a connection that never logged in: nothing
    relay.Leave(99, out);
    Send(99, "1|x|hi|main.map");
    EXPECT_TRUE(Take().empty());
}

TEST_F(RelayTest, OtherMessageTypesAreIgnored) {
    Join(1, "Ann");
    Join(2, "Bob");
    Take();
    for (const char* text : {"", "x|Ann|hi", "0|Ann", "2|Bob", "5|Ann|x", "7", "-1|Ann|hi|main.map"}) Send(1, text);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(relay.PlayerCount(), 2u);
}

} // namespace
