#include "core/roster.h"

#include <gtest/gtest.h>

struct Roster : ::testing::Test {
    std::vector<character> roster;
    std::optional<std::string> Apply(const std::string& message, std::uint32_t now = 1) {
        return ApplyServerMessage(message, "Bob", roster, now);
    }
};

TEST_F(Roster, FirstPositionAppendsLaterOnesUpdateMissingFieldsReadAsZero) {
    EXPECT_FALSE(Apply("3|Ann|4.5|7|2|1|0|1|main.map", 1000));
    ASSERT_EQ(roster.size(), 1u);
    const character& ann = roster[0];
    EXPECT_EQ(std::tuple(ann.nickname, ann.netposx, ann.netposy, ann.direction, ann.walking, ann.collision,
                         ann.charid, ann.map, ann.lastupdate),
              std::tuple(std::string("Ann"), 4.5f, 7.0f, 2, 1, 0, 1, std::string("main.map"), 1000u));
    roster[0].charposx = 99; // drawn position belongs to extrapolation, not to messages
    Apply("3|Ann|5|8|1|0|1|3|house.map", 2000);
    EXPECT_FALSE(Apply("4|Ann|other.map", 3000)); // another player's map change changes nothing
    ASSERT_EQ(roster.size(), 1u);
    EXPECT_EQ(std::tuple(ann.netposx, ann.map, ann.lastupdate, ann.charposx),
              std::tuple(5.0f, std::string("house.map"), 2000u, 99.0f));
    Apply("3|Ann", 4000);
    EXPECT_EQ(std::tuple(ann.netposx, ann.direction, ann.charid, ann.map),
              std::tuple(0.0f, 0, 0, std::string()));
}

// Who is left and which chat lines are shown after a script of messages.
TEST_F(Roster, WhoIsInTheRosterAndWhichLinesAreShown) {
    using V = std::vector<std::string>;
    const std::tuple<V, V, V> cases[] = {
        {{"3|Ann", "3|Cid", "3|Dee", "2|Cid", "2|Nobody"}, {"Ann", "Dee"}, {}},
        {{"3|Bob", "3|Ann", "2|Bob", "4|Bob|house.map"}, {"Ann"}, {}},
        {{"x|Ann", "0|Ann", "5|Ann", "7|Ann|1|1|0|0|0|0|m", ""}, {}, {}},
        {{"1|Ann|hello|world", "1|Ann", "1|Bob|hi|main.map"}, {}, {"Ann: hello", "Ann: ", "Bob: hi"}},
        {{"3|ann", "3|Ann", "2|ANN", "3|An"}, {"ann", "Ann", "An"}, {}}};
    for (const auto& [messages, names, lines] : cases) {
        roster.clear();
        V shown, left;
        for (const std::string& message : messages)
            if (auto line = Apply(message)) shown.push_back(*line);
        for (const auto& r : roster)
            left.push_back(r.nickname);
        EXPECT_EQ(std::pair(left, shown), std::pair(names, lines)) << messages[0];
    }
}

// A known player still moves while the roster is full; a removal makes room for exactly one newcomer.
TEST_F(Roster, HoldsAtMostMaxRemotePlayersAndANewNameWaitsForRoom) {
    const auto name = [](int i) { return "P" + std::to_string(i); };
    for (int i = 0; i < MAX_REMOTE_PLAYERS + 500; ++i)
        Apply("3|" + name(i));
    Apply("3|P7|9");
    Apply("2|P3");
    Apply("3|" + name(MAX_REMOTE_PLAYERS + 1));
    Apply("3|" + name(MAX_REMOTE_PLAYERS + 2));
    ASSERT_EQ(roster.size(), static_cast<std::size_t>(MAX_REMOTE_PLAYERS));
    EXPECT_EQ(std::pair(roster[6].nickname, roster[6].netposx), std::pair(std::string("P7"), 9.0f));
    EXPECT_EQ(roster[MAX_REMOTE_PLAYERS - 2].nickname, name(MAX_REMOTE_PLAYERS - 1));
    EXPECT_EQ(roster.back().nickname, name(MAX_REMOTE_PLAYERS + 1));
}
