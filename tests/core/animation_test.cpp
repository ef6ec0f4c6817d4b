#include "core/character.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Animation, StandingShowsTheMiddlePictureWalkingTheNextEvery150Ms) {
    for (const auto& [direction, picture] : {std::pair{0, 1}, {1, 4}, {2, 7}, {3, 10}, {9, 7}, {-5, 7}}) {
        character c;
        c.direction = direction;
        c.currentframe = 2;
        animate_character_by(&c, 16);
        EXPECT_EQ(c.currenttexture, picture) << "direction " << direction;
    }
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

// Reported at (x, 5) at time `at`, last drawn at (42, 42); a record too old or with a position that
// is not a number stays where it was drawn.
TEST(Extrapolation, WalkersMoveOnAtTheCommonSpeed) {
    const std::tuple<float, std::uint32_t, std::uint32_t, int, int, int, float, float> cases[] = {
        {10, 1000, 1200, 0, 1, 0, 10, 5.5f},   {10, 1000, 1200, 1, 1, 0, 10.5f, 5},
        {10, 1000, 1200, 2, 1, 0, 10, 4.5f},   {10, 1000, 1200, 3, 1, 0, 9.5f, 5},
        {10, 1000, 1200, 1, 1, 1, 10, 5},      {10, 1000, 1200, 1, 0, 0, 10, 5},
        {10, 1000, 1200, 4, 1, 0, 10, 5},      {10, 1000, 1200, -1, 1, 0, 10, 5},
        {10, 5000, 6000, 1, 1, 0, 42, 42},     {10, 5000, 4000, 1, 1, 0, 42, 42},
        {10, 5000, 4001, 1, 1, 0, 7.5025f, 5}, {10, 0xFFFFFF38u, 200, 1, 1, 0, 11, 5},
        {NAN, 1000, 1200, 1, 0, 0, 42, 42}};
    for (const auto& [x, at, now, direction, walking, collision, shownx, showny] : cases) {
        character c;
        c.netposx = x, c.netposy = 5, c.charposx = c.charposy = 42, c.lastupdate = at;
        c.direction = direction, c.walking = walking, c.collision = collision;
        extrapolate_character_at(&c, now);
        EXPECT_EQ(std::pair(c.charposx, c.charposy), std::pair(shownx, showny))
            << "at " << at << " now " << now;
    }
}

TEST(BadRecords, UnknownSpriteSetsTexturesAndNonNumbersFallBackSafely) {
    character c;
    c.charid = 3;
    EXPECT_EQ(std::pair(sprite_set_for(c, 4), sprite_set_for(c, 3)), std::pair(3, 0));
    c.charid = -1;
    EXPECT_EQ(std::pair(sprite_set_for(c, 8), sprite_set_for(c, 0)), std::pair(0, -1));
    for (const auto& [texture, picture] : {std::pair{11, 11}, {12, 7}, {-1, 7}}) {
        c.currenttexture = texture;
        EXPECT_EQ(picture_for(c), picture) << texture;
    }
    EXPECT_TRUE(character_position_usable(c));
    c.netposx = NAN;
    EXPECT_FALSE(character_position_usable(c));
    c.netposx = 1;
    c.charposy = -INFINITY;
    EXPECT_FALSE(character_position_usable(c));
}
