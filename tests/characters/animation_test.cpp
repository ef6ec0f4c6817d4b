// The walking animation, the extrapolation of remote players, and what is drawn for records
// whose values came from the server and make no sense.
#include "characters/characters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

character Standing(int direction) {
    character c;
    c.direction = direction;
    return c;
}

TEST(Animation, StandingShowsTheMiddleFrameOfItsDirection) {
    const int expected[4] = {1, 4, 7, 10};
    for (int d = 0; d < 4; ++d) {
        character c = Standing(d);
        c.currentframe = 2; // whatever it was while walking
        c.animationaccumulator = 20;
        animate_character_by(&c, 16);
        EXPECT_EQ(c.currenttexture, expected[d]) << "direction " << d;
        EXPECT_EQ(c.currentframe, 1);
        EXPECT_FLOAT_EQ(c.animationaccumulator, 149.0f);
    }
}

TEST(Animation, StartingToWalkShowsFrameTwoAtOnceThenCyclesEvery150Ms) {
    character c = Standing(2);
    animate_character_by(&c, 16);
    ASSERT_EQ(c.currenttexture, 7);

    c.walking = 1;
    std::vector<int> shown;
    // 50 ms turns: after the first, a frame lasts three turns.
    for (int turn = 0; turn < 10; ++turn) {
        animate_character_by(&c, 50);
        shown.push_back(c.currenttexture);
    }
    EXPECT_EQ(shown, (std::vector<int>{8, 8, 8, 6, 6, 6, 7, 7, 7, 8}));
}

TEST(Animation, ExactlyOneFrameTimeAdvancesAndJustUnderDoesNot) {
    character c = Standing(1);
    c.walking = 1;
    c.currentframe = 0;
    c.animationaccumulator = 0;
    animate_character_by(&c, 149.9f);
    EXPECT_EQ(c.currentframe, 0);
    EXPECT_EQ(c.currenttexture, 3);

    c.animationaccumulator = 0;
    animate_character_by(&c, 150.0f);
    EXPECT_EQ(c.currentframe, 1);
    EXPECT_EQ(c.currenttexture, 4);
}

TEST(Animation, TimeBeyondAFrameIsDroppedNotCarried) {
    character c = Standing(0);
    c.walking = 1;
    c.animationaccumulator = 0;
    c.currentframe = 0;
    animate_character_by(&c, 400); // a long stall moves one frame only
    EXPECT_EQ(c.currentframe, 1);
    EXPECT_FLOAT_EQ(c.animationaccumulator, 0.0f);
    animate_character_by(&c, 149);
    EXPECT_EQ(c.currentframe, 1);
}

// A remote player reported at (10, 5) at tick `at`, walking right.
character Reported(std::uint32_t at, int direction = 1, int walking = 1, int collision = 0) {
    character c;
    c.netposx = 10;
    c.netposy = 5;
    c.direction = direction;
    c.walking = walking;
    c.collision = collision;
    c.lastupdate = at;
    return c;
}

TEST(Extrapolation, WalksOnFromTheReportAtTheCommonSpeed) {
    character c = Reported(1000);
    extrapolate_character_at(&c, 1000);
    EXPECT_FLOAT_EQ(c.charposx, 10.0f);
    extrapolate_character_at(&c, 1200);
    EXPECT_FLOAT_EQ(c.charposx, 10.5f);
    EXPECT_FLOAT_EQ(c.charposy, 5.0f);
    extrapolate_character_at(&c, 1999);
    EXPECT_NEAR(c.charposx, 12.4975f, 1e-4f);
}

TEST(Extrapolation, EachDirectionMovesAlongItsAxis) {
    struct Case { int direction; float x, y; };
    for (const Case& k : {Case{0, 10, 5.5f}, Case{1, 10.5f, 5}, Case{2, 10, 4.5f}, Case{3, 9.5f, 5}}) {
        character c = Reported(0, k.direction);
        extrapolate_character_at(&c, 200);
        EXPECT_FLOAT_EQ(c.charposx, k.x) << k.direction;
        EXPECT_FLOAT_EQ(c.charposy, k.y) << k.direction;
    }
}

TEST(Extrapolation, OutsideTheOneSecondWindowTheFigureStaysWhereItWasDrawn) {
    character c = Reported(5000);
    extrapolate_character_at(&c, 5999);
    const float last = c.charposx;
    extrapolate_character_at(&c, 6000);
    EXPECT_EQ(c.charposx, last);
    extrapolate_character_at(&c, 90000);
    EXPECT_EQ(c.charposx, last);

    // A report stamped ahead of the clock: 999 ms ahead still moves (backwards), 1000 doesn't.
    character ahead = Reported(5000);
    ahead.charposx = 42;
    extrapolate_character_at(&ahead, 4000);
    EXPECT_FLOAT_EQ(ahead.charposx, 42.0f);
    extrapolate_character_at(&ahead, 4001);
    EXPECT_NEAR(ahead.charposx, 10.0f - 2.4975f, 1e-4f);
}

TEST(Extrapolation, ABlockedStandingOrUnknownDirectionFigureStaysOnItsReport) {
    for (character c : {Reported(0, 1, 1, 1), Reported(0, 1, 0, 0), Reported(0, 4, 1, 0), Reported(0, -1, 1, 0)}) {
        c.charposx = 77;
        c.charposy = 77;
        extrapolate_character_at(&c, 500);
        EXPECT_FLOAT_EQ(c.charposx, 10.0f);
        EXPECT_FLOAT_EQ(c.charposy, 5.0f);
    }
}

TEST(Extrapolation, WorksAcrossTheWrapOfTheTickCounter) {
    character c = Reported(0xFFFFFF38u); // 200 ms before the wrap
    extrapolate_character_at(&c, 200);   // 400 ms later
    EXPECT_FLOAT_EQ(c.charposx, 11.0f);
    // Far past the wrap the old report is out of the window again.
    extrapolate_character_at(&c, 5000);
    EXPECT_FLOAT_EQ(c.charposx, 11.0f);
}

TEST(Extrapolation, AReportThatIsNotANumberIsNotMovedFrom) {
    character c = Reported(0);
    c.charposx = 3;
    c.charposy = 4;
    c.netposx = std::numeric_limits<float>::quiet_NaN();
    extrapolate_character_at(&c, 100);
    EXPECT_FLOAT_EQ(c.charposx, 3.0f);
    EXPECT_FALSE(character_position_usable(c));

    c.netposx = 1;
    c.netposy = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(character_position_usable(c));
    c.netposy = 1;
    EXPECT_TRUE(character_position_usable(c));
    c.charposy = -std::numeric_limits<float>::infinity();
    EXPECT_FALSE(character_position_usable(c));
}

TEST(BadRecords, AnUnknownSpriteSetFallsBackToTheFirstAndNoSetsMeansNothingToDraw) {
    character c;
    c.charid = 3;
    EXPECT_EQ(sprite_set_for(c, 8), 3);
    EXPECT_EQ(sprite_set_for(c, 4), 3);
    EXPECT_EQ(sprite_set_for(c, 3), 0);
    c.charid = -1;
    EXPECT_EQ(sprite_set_for(c, 8), 0);
    c.charid = 0;
    EXPECT_EQ(sprite_set_for(c, 0), -1);
}

TEST(BadRecords, AnUnknownDirectionIsShownFacingDownWithinTheSet) {
    character c = Standing(9);
    animate_character_by(&c, 16);
    EXPECT_EQ(c.currenttexture, 7);
    c.walking = 1;
    c.direction = -5;
    animate_character_by(&c, 16);
    EXPECT_EQ(c.currenttexture, 8);
    EXPECT_EQ(picture_for(c), 8);

    // A texture number that never came from the animation is not used as an index.
    c.currenttexture = 12;
    EXPECT_EQ(picture_for(c), 7);
    c.currenttexture = -1;
    EXPECT_EQ(picture_for(c), 7);
    c.currenttexture = 11;
    EXPECT_EQ(picture_for(c), 11);
}

} // namespace
