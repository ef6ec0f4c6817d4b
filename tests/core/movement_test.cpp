#include "core/character.h"

#include <gtest/gtest.h>

#include <cmath>

// A scripted world and server keeping every report; Turn("wd", ms) tells whether one went out.
struct Walker {
    character me;
    float accumulator = 0;
    std::function<bool(character&)> blocks = [](character&) { return false; }, exits = blocks;
    std::vector<character> sent;

    bool Turn(const std::string& held, float elapsed) {
        auto has = [&](char key) { return held.find(key) != std::string::npos; };
        const std::size_t before = sent.size();
        movement_turn(
            &me, {has('w'), has('s'), has('a'), has('d')}, elapsed, &accumulator, [&] { return blocks(me); },
            [&] { return exits(me); }, [&](character* c) { sent.push_back(*c); });
        return sent.size() > before;
    }
};

// A second walks 2.5 units per axis however it is cut into turns; a slow turn goes in sub-steps.
TEST(Walking, KeysMoveFullSpeedPerAxisAtAnyFrameRateAndSetDirection) {
    const std::tuple<const char*, int, float, float, int, int> cases[] = {
        {"w", 1, 0, 2.5f, 0, 1},   {"s", 7, 0, -2.5f, 2, 1},    {"a", 60, -2.5f, 0, 3, 1},
        {"d", 200, 2.5f, 0, 1, 1}, {"wd", 7, 2.5f, 2.5f, 1, 1}, {"sa", 1, -2.5f, -2.5f, 3, 1},
        {"ws", 60, 0, 0, 2, 1},    {"ad", 200, 0, 0, 1, 1},     {"", 7, 0, 0, 3, 0}};
    for (const auto& [keys, turns, dx, dy, direction, walking] : cases) {
        Walker w;
        w.me.direction = 3;
        for (int i = 0; i < turns; ++i)
            w.Turn(keys, 1000.0f / static_cast<float>(turns));
        EXPECT_NEAR(w.me.charposx, dx, 1e-5f) << keys << " in " << turns << " turns";
        EXPECT_NEAR(w.me.charposy, dy, 1e-5f) << keys << " in " << turns << " turns";
        EXPECT_EQ(std::pair(w.me.direction, w.me.walking), std::pair(direction, walking)) << keys;
    }
}

// A one-cell wall (column 6): a blocked step is undone whole, with no sliding, reported once and
// cleared by walking away. However long the turn, the player never passes the wall, and stops within
// a tenth of a unit of where its feet would touch it.
TEST(Walls, ABlockedStepIsUndoneWholeEvenInASlowTurnReportedOnceAndClearedByWalkingAway) {
    for (float elapsed : {16.0f, 400.0f, 1000.0f, 60000.0f}) {
        Walker w;
        w.me.charposx = 5;
        w.blocks = [](character& c) { return c.charposx + 0.2f >= 6 && c.charposx + 0.2f < 7; };
        for (int i = 0; i < 100 && w.me.collision == 0; ++i)
            w.Turn("wd", elapsed);
        ASSERT_EQ(w.sent.back().collision, 1) << elapsed << " ms";
        const character stop = w.me;
        EXPECT_GT(stop.charposx, 5.69f) << elapsed << " ms";
        EXPECT_LT(stop.charposx, 5.8f) << elapsed << " ms";
        EXPECT_FALSE(w.Turn("wd", 16)); // nothing changed, nothing sent
        EXPECT_EQ(std::tuple(w.me.charposx, w.me.charposy, w.me.collision, w.me.walking),
                  std::tuple(stop.charposx, stop.charposy, 1, 1));
        EXPECT_TRUE(w.Turn("a", 16));
        EXPECT_EQ(w.me.collision, 0);
        EXPECT_LT(w.me.charposx, stop.charposx);
    }
}

// The start-up time counts towards the first report.
TEST(Reports, StartingTurningAndStoppingEachReportTheNewStateInThatTurn) {
    const auto state = [](const character& c) {
        return std::tuple(c.charposx, c.charposy, c.direction, c.walking);
    };
    Walker w;
    EXPECT_TRUE(w.Turn("", 600));
    for (const char* keys : {"d", "w", ""}) {
        EXPECT_TRUE(w.Turn(keys, 100)) << keys;
        EXPECT_EQ(state(w.sent.back()), state(w.me)) << keys;
        EXPECT_FALSE(w.Turn(keys, 16)) << keys;
    }
    EXPECT_EQ(w.me.currenttexture, 1); // standing, facing up
}

// Standing, then walking from turn 52: 17 turns of 30 ms reach 510, and the excess is dropped.
TEST(Reports, StandingOrWalkingStraightReportsEveryFiveHundredMsCountingFromZero) {
    Walker w;
    std::vector<int> at;
    for (int turn = 1; turn <= 152; ++turn)
        if (w.Turn(turn <= 51 ? "" : "d", turn <= 51 ? 30.0f : 10.0f)) at.push_back(turn);
    EXPECT_EQ(at, (std::vector<int>{17, 34, 51, 52, 102, 152}));
}

TEST(Reports, AMapExitReportsTheArrivalInTheSameTurnUnlessTheTurnTookNoTime) {
    Walker w;
    w.exits = [](character& c) {
        c.map = "house.map";
        return true;
    };
    EXPECT_TRUE(w.Turn("", 1));
    EXPECT_EQ(w.sent.back().map, "house.map");
    EXPECT_FALSE(w.Turn("", 0)); // 499 + 0
    w.exits = [](character&) { return false; };
    EXPECT_TRUE(w.Turn("", 1)); // 499 + 1: exactly 500 is enough
}

TEST(Clock, ElapsedTimeStaysExactAfterHoursAndAcrossTheWrap) {
    EXPECT_EQ(elapsed_ms(18000001u, 18000000u), 1.0f); // five hours in a float clock steps in 2 ms
    EXPECT_EQ(elapsed_ms(5, 0xFFFFFFFEu), 7.0f);
}

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
        {10, 1000, 1200, 0, 1, 0, 10, 5.5f},    {10, 1000, 1200, 1, 1, 0, 10.5f, 5},
        {10, 1000, 1200, 2, 1, 0, 10, 4.5f},    {10, 1000, 1200, 3, 1, 0, 9.5f, 5},
        {10, 1000, 1200, 1, 1, 1, 10, 5},       {10, 1000, 1200, 1, 0, 0, 10, 5},
        {10, 1000, 1200, 4, 1, 0, 10, 5},       {10, 5000, 6000, 1, 1, 0, 42, 42},
        {10, 5000, 4000, 1, 1, 0, 42, 42},      {10, 5000, 4001, 1, 1, 0, 7.5025f, 5},
        {10, 0xFFFFFF38u, 200, 1, 1, 0, 11, 5}, {NAN, 1000, 1200, 1, 0, 0, 42, 42}};
    for (const auto& [x, at, now, direction, walking, collision, shownx, showny] : cases) {
        character c;
        c.netposx = x, c.netposy = 5, c.charposx = c.charposy = 42, c.lastupdate = at;
        c.direction = direction, c.walking = walking, c.collision = collision;
        extrapolate_character_at(&c, now);
        EXPECT_EQ(std::pair(c.charposx, c.charposy), std::pair(shownx, showny)) << at << ", " << now;
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
