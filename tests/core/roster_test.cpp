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
