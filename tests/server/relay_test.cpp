// The relay rules over the in-memory model: who receives what, and what is refused.
#include <gtest/gtest.h>

#include <map>

#include "server/relay.h"

namespace {

using Got = std::map<ConnId, std::vector<std::string>>;
using namespace std::string_literals;
using std::chrono::milliseconds;

// A position "x|y" on map, as the client sends it.
std::string Pos(const std::string& nick, const std::string& xy, const std::string& map) {
    return "3|" + nick + "|" + xy + "|1|1|0|2|" + map;
}

class RelayTest : public ::testing::Test {
  protected:
    // What each connection received since the last Take, in order, as the texts a client reads.
    Got Take() {
        Got got;
        for (const Delivery& d : out)
            got[d.to].push_back(d.message->frame.substr(4, d.message->frame.find('\0', 4) - 4));
        out.clear();
        return got;
    }
    // Logs players in as connections 1, 2, ...; player n stands at (n, n) on its map, if it has one.
    void Players(const std::vector<std::pair<std::string, std::string>>& players) {
        ConnId id = 0;
        for (const auto& [nick, map] : players) {
            ASSERT_TRUE(relay.Join(++id, nick, t0, out)) << nick;
            if (!map.empty()) Send(id, Pos(nick, std::to_string(id) + "|" + std::to_string(id), map));
        }
        Take();
    }
    void Send(ConnId id, std::string t, int ms = 0) { relay.Receive(id, t, t0 + milliseconds(ms), out); }

    const ServerTime t0 = ServerTime{} + std::chrono::hours(1);
    Relay relay;
    std::vector<Delivery> out;
};

TEST_F(RelayTest, NicknameRulesAndRefusedLogins) {
    for (const char* ok : {"a", "ninechars", "Ann Lee", "J\xc3\xb6rg"})
        EXPECT_EQ(NicknameProblem(ok), "") << ok;
    for (const char* bad : {"", "tencharsXX", "a|b", "a\tb", "a\x1b", "del\x7f"})
        EXPECT_NE(NicknameProblem(bad), "") << bad;
    // A refused login changes nothing; a leaver frees the name.
    Players({{"Ann", ""}});
    for (const char* nick : {"Ann", "", "tencharsXX"})
        EXPECT_FALSE(relay.Join(2, nick, t0, out)) << nick;
    EXPECT_EQ(relay.PlayerCount(), 1u);
    relay.Leave(1, out);
    EXPECT_EQ(relay.LoginProblem("Ann"), "");
}

TEST_F(RelayTest, ChatGoesToEveryoneCleanedUnderTheLoginNameAndSenderMap) {
    Players({{"Ann", ""}, {"Bob", "cave.map"}});
    Send(2, "1|Mallory|hello there|main.map"); // the written nick and map are not believed
    Send(2, "1|Bob|a\tb\x01"
            "c\x7f\xe9!|main.map");
    Send(2, "1|Bob|" + std::string(80, 'x') + "|main.map");
    // Chat with nothing printable left, other message types, and a stranger's chat go nowhere.
    for (const char* dropped : {"1|Bob|\x01\x02|main.map", "1|Bob||main.map", "1|Bob", "", "x|Bob|hi",
                                "0|Bob", "2|Ann", "5|Bob|x", "7", "-1|Bob|hi|main.map"})
        Send(2, dropped);
    Send(99, "1|x|hi|main.map");
    const std::vector<std::string> lines{"1|Bob|hello there|cave.map", "1|Bob|abc!|cave.map",
                                         "1|Bob|" + std::string(MAX_CHAT_TEXT, 'x') + "|cave.map"};
    EXPECT_EQ(Take(), (Got{{1, lines}, {2, lines}}));
}

TEST_F(RelayTest, ChatFloodLimitIsFiveLinesPerFiveSeconds) {
    Players({{"Ann", "m"}, {"Bob", "m"}});
    for (int i = 0; i < 5; ++i)
        Send(1, "1|Ann|" + std::to_string(i) + "|m", i * 1000);
    Send(1, "1|Ann|sixth|m", 4999); // over the limit: dropped
    Send(2, "1|Bob|mine|m", 4999);  // Bob has his own allowance
    Send(1, "1|Ann|again|m", 5000); // line 0 is 5 s old now
    Send(1, "1|Ann|more|m", 5500);  // line 1 is only 4.5 s old
    EXPECT_EQ(Take().at(2), (std::vector<std::string>{"1|Ann|0|m", "1|Ann|1|m", "1|Ann|2|m", "1|Ann|3|m",
                                                      "1|Ann|4|m", "1|Bob|mine|m", "1|Ann|again|m"}));
}

// Broken positions go nowhere; missing or garbled numbers read as 0, as the client reads them.
TEST_F(RelayTest, BrokenPositionsAreDroppedAndGarbledNumbersReadAsZero) {
    Players({{"Ann", ""}, {"Bob", ""}});
    for (const std::string& bad : {"3|Ann|nan|1|0|0|0|0|main.map"s, "3|Ann|1|inf|0|0|0|0|main.map"s, "3|Ann"s,
                                   "3|Ann|1e39|1|0|0|0|0|main.map"s, "3|Ann|1|1|0|0|0|0|bad\x01map"s,
                                   "3|Ann|1|1|0|0|0|0|" + std::string(MAX_MAP_NAME + 1, 'm')})
        Send(1, bad);
    EXPECT_EQ(relay.Find(1)->position, nullptr);
    Send(1, "3|Ann|x|2|||||main.map");
    EXPECT_EQ(Take(), (Got{{2, {"3|Ann|0|2|0|0|0|0|main.map"}}}));
}

// Position, join, explicit map change, map change by position, and leave, with who hears of each.
TEST_F(RelayTest, WhoHearsOfPositionsJoinsMapChangesAndLeaves) {
    Players({{"Ann", "main.map"}, {"Bob", "main.map"}, {"Cid", "cave.map"}, {"Dee", "cave.map"}});
    Send(2, Pos("Zed", "2.5|3", "main.map")); // only the login name is relayed
    Send(1, "4|Ann|cave.map");
    EXPECT_EQ(Take(), (Got{{1,
                            {Pos("Bob", "2.5|3", "main.map"), "2|Bob", Pos("Cid", "3|3", "cave.map"),
                             Pos("Dee", "4|4", "cave.map")}},
                           {2, {"2|Ann"}}}));
    // A newcomer is shown the latest position of each player on the start map: Ann's left with her.
    ASSERT_TRUE(relay.Join(5, "Eve", t0, out));
    EXPECT_EQ(Take(), (Got{{5, {Pos("Bob", "2.5|3", "main.map")}}}));
    // The same map again, or an unusable map name, changes nothing.
    for (const std::string& map : {"cave.map"s, ""s, "new\nline"s, std::string(MAX_MAP_NAME + 1, 'm')})
        Send(1, "4|Ann|" + map);
    EXPECT_TRUE(Take().empty());
    // A position on another map is a map change first, then a position there.
    const std::string bob = Pos("Bob", "9|9", "cave.map");
    Send(2, bob);
    EXPECT_EQ(Take(), (Got{{1, {bob}},
                           {2, {"2|Eve", Pos("Cid", "3|3", "cave.map"), Pos("Dee", "4|4", "cave.map")}},
                           {3, {bob}},
                           {4, {bob}},
                           {5, {"2|Bob"}}}));
    // Leaving is told to the players on the leaver's map only; an unknown connection leaves silently.
    relay.Leave(1, out);
    relay.Leave(99, out);
    EXPECT_EQ(Take(), (Got{{2, {"2|Ann"}}, {3, {"2|Ann"}}, {4, {"2|Ann"}}}));
}

} // namespace
