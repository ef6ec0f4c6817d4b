// The local player's walking turn over scripted keys and frame times: distance, walls, reports.
#include "core/character.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A scripted world and server keeping every report; Turn("wd", ms) tells whether one went out.
struct Walker {
    character me;
    float accumulator = 0;
    std::function<bool(character&)> blocks = [](character&) { return false; }, exits = blocks;
    std::vector<character> sent;

    bool Turn(const std::string& held, float elapsed) {
        auto has = [&](char key) { return held.find(key) != std::string::npos; };
        const walk_keys k{has('w'), has('s'), has('a'), has('d')};
        const std::size_t before = sent.size();
        movement_turn(
            &me, k, elapsed, &accumulator, [&] { return blocks(me); }, [&] { return exits(me); },
            [&](character* c) { sent.push_back(*c); });
        return sent.size() > before;
    }
};

TEST(Walking, OneSecondOfDMovesTwoAndAHalfUnitsRightAtAnyFrameRate) {
    for (int steps : {60, 7, 200}) {
        Walker w;
        for (int i = 0; i < steps; ++i)
            w.Turn("d", 1000.0f / static_cast<float>(steps));
        EXPECT_NEAR(w.me.charposx, 2.5f, 1e-3f) << steps << " steps";
        EXPECT_FLOAT_EQ(w.me.charposy, 0.0f);
    }
}

TEST(Walking, KeysMoveFullSpeedPerAxisAndTheLaterKeyInWSADSetsTheDirection) {
    struct Case {
        const char* keys;
        float dx, dy;
        int direction, walking;
    };
    const Case cases[] = {{"w", 0, 0.25f, 0, 1}, {"s", 0, -0.25f, 2, 1},     {"a", -0.25f, 0, 3, 1},
                          {"d", 0.25f, 0, 1, 1}, {"wd", 0.25f, 0.25f, 1, 1}, {"sa", -0.25f, -0.25f, 3, 1},
                          {"ws", 0, 0, 2, 1},    {"ad", 0, 0, 1, 1},         {"", 0, 0, 3, 0}};
    for (const Case& c : cases) {
        Walker w;
        w.me.charposx = w.me.charposy = 3;
        w.me.direction = 3; // kept when no key is down
        w.Turn(c.keys, 100);
        EXPECT_NEAR(w.me.charposx, 3 + c.dx, 1e-6f) << c.keys;
        EXPECT_NEAR(w.me.charposy, 3 + c.dy, 1e-6f) << c.keys;
        EXPECT_EQ(w.me.direction, c.direction) << c.keys;
        EXPECT_EQ(w.me.walking, c.walking) << c.keys;
    }
}

TEST(Walls, ABlockedStepIsUndoneWholeReportedOnceAndClearedByWalkingAway) {
    Walker w;
    w.me.charposx = w.me.charposy = 5;
    w.blocks = [](character& c) { return c.charposx > 5.2f; };
    w.Turn("d", 16);
    // Diagonal into the wall: the free y part goes back too, no sliding.
    for (int i = 0; i < 40 && w.me.collision == 0; ++i)
        w.Turn("wd", 16);
    ASSERT_EQ(w.me.collision, 1);
    EXPECT_EQ(w.sent.back().collision, 1);
    const float stopx = w.me.charposx, stopy = w.me.charposy;
    EXPECT_LE(stopx, 5.2f);

    EXPECT_FALSE(w.Turn("wd", 16)); // nothing changed, nothing sent
    EXPECT_EQ(w.me.charposx, stopx);
    EXPECT_EQ(w.me.charposy, stopy);
    EXPECT_EQ(w.me.collision, 1);
    EXPECT_EQ(w.me.walking, 1);

    EXPECT_TRUE(w.Turn("a", 16));
    EXPECT_EQ(w.me.collision, 0);
    EXPECT_LT(w.me.charposx, stopx);
}

// A one-cell wall (column 6) in the way of slow turns: however long the turn, the player never
// passes it, and stops within a tenth of a unit of where its feet would touch it.
TEST(Walls, ASlowTurnCannotStepOverAOneCellWall) {
    for (float elapsed : {40.0f, 400.0f, 1000.0f, 60000.0f}) {
        Walker w;
        w.me.charposx = 5;
        w.blocks = [](character& c) {
            const float right = c.charposx + 0.2f;
            return right >= 6 && right < 7;
        };
        w.Turn("d", elapsed);
        EXPECT_LT(w.me.charposx, 5.8f) << elapsed << " ms";
        EXPECT_GE(w.me.charposx, 5.0f) << elapsed << " ms";
        if (elapsed * WALK_SPEED > 0.8f) {
            EXPECT_GT(w.me.charposx, 5.69f) << elapsed << " ms";
            EXPECT_EQ(w.me.collision, 1) << elapsed << " ms";
        }
        EXPECT_EQ(w.me.walking, 1);
    }
    // Without a wall a slow turn still goes the whole way.
    Walker free;
    free.Turn("wa", 1000);
    EXPECT_NEAR(free.me.charposx, -2.5f, 1e-4f);
    EXPECT_NEAR(free.me.charposy, 2.5f, 1e-4f);
}

TEST(Reports, StartingTurningAndStoppingEachReportTheNewPositionInThatTurn) {
    Walker w;
    w.me.charposx = 2;
    EXPECT_TRUE(w.Turn("", 600)); // the start-up time counts towards the first report
    EXPECT_TRUE(w.Turn("d", 100));
    EXPECT_FLOAT_EQ(w.sent.back().charposx, 2.25f);
    EXPECT_EQ(w.me.currenttexture, 5); // the turn animates too: facing right, the next frame at once
    EXPECT_FALSE(w.Turn("d", 16));
    EXPECT_TRUE(w.Turn("w", 16));
    EXPECT_EQ(w.sent.back().direction, 0);
    EXPECT_FALSE(w.Turn("w", 16));
    EXPECT_TRUE(w.Turn("", 16)); // letting go is told at once
    EXPECT_EQ(w.sent.back().walking, 0);
    EXPECT_FALSE(w.Turn("", 16));
}

TEST(Reports, StandingOrWalkingStraightReportsEveryFiveHundredMsCountingFromZero) {
    Walker w;
    std::vector<int> at;
    // 17 turns of 30 ms reach 510; the 10 ms excess is dropped each time.
    for (int turn = 1; turn <= 51; ++turn)
        if (w.Turn("", 30)) at.push_back(turn);
    EXPECT_EQ(at, (std::vector<int>{17, 34, 51}));

    w.Turn("d", 10);
    w.sent.clear();
    for (int i = 0; i < 100; ++i)
        w.Turn("d", 10);
    EXPECT_EQ(w.sent.size(), 2u);
}

TEST(Reports, AMapExitReportsTheArrivalInTheSameTurnUnlessTheTurnTookNoTime) {
    Walker w;
    w.Turn("", 16);
    w.exits = [](character& c) {
        c.map = "house.map";
        c.charposx = 20.5f;
        return true;
    };
    EXPECT_TRUE(w.Turn("", 1));
    EXPECT_EQ(w.sent.back().map, "house.map");
    EXPECT_FLOAT_EQ(w.sent.back().charposx, 20.5f);
    EXPECT_FLOAT_EQ(w.accumulator, 0.0f);

    EXPECT_FALSE(w.Turn("", 0)); // 499 + 0
    w.exits = [](character&) { return false; };
    EXPECT_TRUE(w.Turn("", 1)); // 499 + 1: exactly 500 is enough
}

TEST(Clock, ElapsedTimeStaysExactAfterHoursAndAcrossTheWrap) {
    EXPECT_EQ(elapsed_ms(18000001u, 18000000u), 1.0f); // five hours in a float clock steps in 2 ms
    EXPECT_EQ(elapsed_ms(5, 0xFFFFFFFEu), 7.0f);
}

} // namespace
