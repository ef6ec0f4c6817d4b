#include "core/roster.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

std::vector<std::string> Names(const std::vector<character>& roster) {
    std::vector<std::string> out;
    for (const auto& c : roster)
        out.push_back(c.nickname);
    return out;
}

TEST(Roster, FirstPositionAppendsLaterOnesUpdate) {
    std::vector<character> roster;
    EXPECT_FALSE(ApplyServerMessage("3|Ann|4.5|7|2|1|0|1|main.map", "Bob", roster, 1000));
    ASSERT_EQ(roster.size(), 1u);
    const character& ann = roster[0];
    EXPECT_EQ(std::tuple(ann.nickname, ann.netposx, ann.netposy, ann.direction, ann.walking, ann.collision,
                         ann.charid, ann.map, ann.lastupdate),
              std::tuple(std::string("Ann"), 4.5f, 7.0f, 2, 1, 0, 1, std::string("main.map"), 1000u));
    roster[0].charposx = 99; // drawn position belongs to extrapolation, not to messages
    ApplyServerMessage("3|Ann|5|8|1|0|1|3|house.map", "Bob", roster, 2000);
    ASSERT_EQ(roster.size(), 1u);
    EXPECT_FLOAT_EQ(roster[0].netposx, 5);
    EXPECT_EQ(roster[0].map, "house.map");
    EXPECT_EQ(roster[0].lastupdate, 2000u);
    EXPECT_FLOAT_EQ(roster[0].charposx, 99);
}

TEST(Roster, MissingFieldsReadAsZeroAndEmpty) {
    std::vector<character> roster;
    ApplyServerMessage("3|Ann|4.5|7|2|1|0|1|main.map", "Bob", roster, 1);
    ApplyServerMessage("3|Ann", "Bob", roster, 2);
    ASSERT_EQ(roster.size(), 1u);
    EXPECT_EQ(std::tuple(roster[0].netposx, roster[0].direction, roster[0].charid, roster[0].map),
              std::tuple(0.0f, 0, 0, std::string()));
}

TEST(Roster, RemovalKeepsTheOrderOfTheOthers) {
    std::vector<character> roster;
    for (const char* n : {"Ann", "Cid", "Dee"})
        ApplyServerMessage(std::string("3|") + n + "|1|1|0|0|0|0|m", "Bob", roster, 1);
    ApplyServerMessage("2|Cid", "Bob", roster, 2);
    EXPECT_EQ(Names(roster), (std::vector<std::string>{"Ann", "Dee"}));
    ApplyServerMessage("2|Nobody", "Bob", roster, 3);
    EXPECT_EQ(roster.size(), 2u);
}

TEST(Roster, OwnNicknameNeverEntersOrLeavesTheRoster) {
    std::vector<character> roster;
    ApplyServerMessage("3|Bob|1|1|0|0|0|0|m", "Bob", roster, 1);
    EXPECT_TRUE(roster.empty());
    ApplyServerMessage("3|Ann|1|1|0|0|0|0|m", "Bob", roster, 1);
    ApplyServerMessage("2|Bob", "Bob", roster, 1);
    ApplyServerMessage("4|Bob|house.map", "Bob", roster, 1);
    EXPECT_EQ(Names(roster), (std::vector<std::string>{"Ann"}));
}

TEST(Roster, HoldsAtMostMaxRemotePlayersAndANewNameWaitsForRoom) {
    std::vector<character> roster;
    const auto position = [](int i) { return "3|P" + std::to_string(i) + "|1|1|0|0|0|0|m"; };
    for (int i = 0; i < MAX_REMOTE_PLAYERS + 500; ++i)
        ApplyServerMessage(position(i), "Bob", roster, 1);
    ASSERT_EQ(roster.size(), static_cast<std::size_t>(MAX_REMOTE_PLAYERS));
    EXPECT_EQ(roster.back().nickname, "P" + std::to_string(MAX_REMOTE_PLAYERS - 1));
    // A known player still moves while the roster is full.
    ApplyServerMessage("3|P7|9|9|0|0|0|0|m", "Bob", roster, 2);
    EXPECT_FLOAT_EQ(roster[7].netposx, 9);
    // A removal makes room for exactly one newcomer.
    ApplyServerMessage("2|P3", "Bob", roster, 3);
    ApplyServerMessage(position(MAX_REMOTE_PLAYERS + 1), "Bob", roster, 3);
    ApplyServerMessage(position(MAX_REMOTE_PLAYERS + 2), "Bob", roster, 3);
    EXPECT_EQ(roster.size(), static_cast<std::size_t>(MAX_REMOTE_PLAYERS));
    EXPECT_EQ(roster.back().nickname, "P" + std::to_string(MAX_REMOTE_PLAYERS + 1));
}

TEST(Roster, NamesAreCaseSensitive) {
    std::vector<character> roster;
    ApplyServerMessage("3|ann|1|1|0|0|0|0|m", "Bob", roster, 1);
    ApplyServerMessage("3|Ann|1|1|0|0|0|0|m", "Bob", roster, 1);
    ApplyServerMessage("2|ANN", "Bob", roster, 1);
    EXPECT_EQ(Names(roster), (std::vector<std::string>{"ann", "Ann"}));
    EXPECT_EQ(FindInRoster(roster, "Ann") - roster.begin(), 1);
    EXPECT_EQ(FindInRoster(roster, "An"), roster.end());
}

TEST(Roster, MapChangeOfAnotherPlayerChangesNothing) {
    std::vector<character> roster;
    ApplyServerMessage("3|Ann|1|1|0|0|0|0|main.map", "Bob", roster, 1);
    EXPECT_FALSE(ApplyServerMessage("4|Ann|house.map", "Bob", roster, 5));
    EXPECT_EQ(roster[0].map, "main.map");
    EXPECT_EQ(roster[0].lastupdate, 1u);
}

TEST(Chat, RelayedLinesBecomeNickColonText) {
    std::vector<character> roster;
    EXPECT_EQ(ApplyServerMessage("1|Ann|hello|world", "Bob", roster, 1),
              std::optional<std::string>("Ann: hello"));
    EXPECT_EQ(ApplyServerMessage("1|Ann", "Bob", roster, 1), std::optional<std::string>("Ann: "));
    // The player's own line comes back like anyone's.
    EXPECT_EQ(ApplyServerMessage("1|Bob|hi|main.map", "Bob", roster, 1),
              std::optional<std::string>("Bob: hi"));
    EXPECT_TRUE(roster.empty());
}

TEST(Chat, UnknownTypesAreIgnored) {
    std::vector<character> roster;
    for (const char* text : {"x|Ann", "0|Ann", "5|Ann", "7|Ann|1|1|0|0|0|0|m", ""})
        EXPECT_FALSE(ApplyServerMessage(text, "Bob", roster, 1)) << text;
    EXPECT_TRUE(roster.empty());
}

} // namespace
