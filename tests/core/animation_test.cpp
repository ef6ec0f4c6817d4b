// The walking animation, the extrapolation of remote players, and what is drawn for records
// whose values came from the server and make no sense.
#include "core/character.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

TEST(Animation, StandingShowsTheMiddlePictureOfItsDirectionOrDownForAnUnknownOne) {
    const int directions[] = {0, 1, 2, 3, 9, -5}, expected[] = {1, 4, 7, 10, 7, 7};
    for (int i = 0; i < 6; ++i) {
        character c;
        c.direction = directions[i];
        c.currentframe = 2;
        animate_character_by(&c, 16);
        EXPECT_EQ(c.currenttexture, expected[i]) << "direction " << directions[i];
    }
}

TEST(Animation, WalkingShowsTheNextFrameAtOnceThenOneEvery150MsDroppingTheExcess) {
    character c;
    c.direction = 2;
    animate_character_by(&c, 16);
    c.walking = 1;
    std::vector<int> shown;
    for (float ms : {50.f, 50.f, 50.f, 50.f, 149.9f, 400.f, 150.f, 149.f}) {
        animate_character_by(&c, ms);
        shown.push_back(c.currenttexture);
    }
    EXPECT_EQ(shown, (std::vector<int>{8, 8, 8, 6, 6, 7, 8, 8}));
}

TEST(Extrapolation, WalkersMoveOnAtTheCommonSpeedBlockedStandingOldOrUnknownDirectionsStay) {
    struct Case {
        std::uint32_t at, now;
        int direction, walking, collision;
        float x, y;
    };
    const Case cases[] = {{1000, 1200, 0, 1, 0, 10, 5.5f},   {1000, 1200, 1, 1, 0, 10.5f, 5},
                          {1000, 1200, 2, 1, 0, 10, 4.5f},   {1000, 1200, 3, 1, 0, 9.5f, 5},
                          {1000, 1200, 1, 1, 1, 10, 5},      {1000, 1200, 1, 0, 0, 10, 5},
                          {1000, 1200, 4, 1, 0, 10, 5},      {1000, 1200, -1, 1, 0, 10, 5},
                          {5000, 6000, 1, 1, 0, 42, 42},     {5000, 4000, 1, 1, 0, 42, 42},
                          {5000, 4001, 1, 1, 0, 7.5025f, 5}, {0xFFFFFF38u, 200, 1, 1, 0, 11, 5}};
    for (const Case& k : cases) {
        character c; // reported at (10, 5), last drawn at (42, 42)
        c.netposx = 10, c.netposy = 5, c.charposx = c.charposy = 42, c.lastupdate = k.at;
        c.direction = k.direction, c.walking = k.walking, c.collision = k.collision;
        extrapolate_character_at(&c, k.now);
        EXPECT_FLOAT_EQ(c.charposx, k.x) << "case " << &k - cases;
        EXPECT_FLOAT_EQ(c.charposy, k.y) << "case " << &k - cases;
    }
}

TEST(BadRecords, UnknownSpriteSetsTexturesAndNonNumbersFallBackSafely) {
    character c;
    c.charid = 3;
    EXPECT_EQ(sprite_set_for(c, 4), 3);
    EXPECT_EQ(sprite_set_for(c, 3), 0);
    c.charid = -1;
    EXPECT_EQ(sprite_set_for(c, 8), 0);
    EXPECT_EQ(sprite_set_for(c, 0), -1);

    c.currenttexture = 11;
    EXPECT_EQ(picture_for(c), 11);
    for (int bad : {12, -1}) {
        c.currenttexture = bad;
        EXPECT_EQ(picture_for(c), 7) << bad;
    }

    EXPECT_TRUE(character_position_usable(c));
    c.netposx = std::numeric_limits<float>::quiet_NaN();
    c.charposx = 3;
    extrapolate_character_at(&c, 100);
    EXPECT_FLOAT_EQ(c.charposx, 3.0f);
    EXPECT_FALSE(character_position_usable(c));
    c.netposx = 1;
    c.charposy = -std::numeric_limits<float>::infinity();
    EXPECT_FALSE(character_position_usable(c));
}

} // namespace
