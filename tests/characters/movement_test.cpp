// The local player's walking turn over scripted keys and frame times: how far it goes, what a
// wall does, and when the server is told.
#include "characters/characters.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A scripted world and server: the blocked predicate and the exit hook are set per test,
// every report is recorded with a copy of the record as it was sent.
struct Walker {
    character me;
    float accumulator = 0;
    std::function<bool(const character&)> blocks = [](const character&) { return false; };
    std::function<bool(character&)> exits = [](character&) { return false; };
    std::vector<character> sent;

    // One turn; returns whether a report went out in it.
    bool Turn(walk_keys keys, float elapsed) {
        const std::size_t before = sent.size();
        movement_turn(
            &me, keys, elapsed, &accumulator, [&] { return blocks(me); }, [&] { return exits(me); },
            [&](character* c) { sent.push_back(*c); });
        return sent.size() > before;
    }
};

walk_keys Keys(const char* held) {
    walk_keys k;
    for (const char* p = held; *p; ++p) {
        if (*p == 'w') k.w = true;
        if (*p == 's') k.s = true;
        if (*p == 'a') k.a = true;
        if (*p == 'd') k.d = true;
    }
    return k;
}

TEST(Walking, OneSecondOfDMovesTwoAndAHalfUnitsRightAtAnyFrameRate) {
    for (int steps : {60, 7, 200}) {
        Walker w;
        w.me.charposx = 10;
        w.me.charposy = 5;
        for (int i = 0; i < steps; ++i) w.Turn(Keys("d"), 1000.0f / steps);
        EXPECT_NEAR(w.me.charposx, 12.5f, 1e-3f) << steps << " steps";
        EXPECT_FLOAT_EQ(w.me.charposy, 5.0f);
        EXPECT_EQ(w.me.direction, 1);
        EXPECT_EQ(w.me.walking, 1);
    }
}

TEST(Walking, EachKeyMovesAlongItsOwnAxis) {
    struct Case { const char* key; int direction; float dx, dy; };
    for (const Case& c : {Case{"w", 0, 0, 0.25f}, Case{"s", 2, 0, -0.25f}, Case{"a", 3, -0.25f, 0},
                          Case{"d", 1, 0.25f, 0}}) {
        Walker w;
        w.me.charposx = 3;
        w.me.charposy = 3;
        w.Turn(Keys(c.key), 100);
        EXPECT_FLOAT_EQ(w.me.charposx, 3 + c.dx) << c.key;
        EXPECT_FLOAT_EQ(w.me.charposy, 3 + c.dy) << c.key;
        EXPECT_EQ(w.me.direction, c.direction) << c.key;
    }
}

TEST(Walking, DiagonalGoesFullSpeedOnBothAxesAndFacesTheLaterKey) {
    Walker w;
    for (int i = 0; i < 60; ++i) w.Turn(Keys("wd"), 1000.0f / 60);
    EXPECT_NEAR(w.me.charposx, 2.5f, 1e-3f);
    EXPECT_NEAR(w.me.charposy, 2.5f, 1e-3f);
    EXPECT_EQ(w.me.direction, 1);

    Walker v;
    v.Turn(Keys("sa"), 100);
    EXPECT_EQ(v.me.direction, 3); // A beats S
}

TEST(Walking, OppositeKeysCancelButStillCountAsWalking) {
    Walker w;
    w.me.charposx = 4;
    w.me.charposy = 4;
    w.Turn(Keys("ws"), 40);
    EXPECT_NEAR(w.me.charposy, 4.0f, 1e-6f);
    EXPECT_EQ(w.me.walking, 1);
    EXPECT_EQ(w.me.direction, 2);

    w.Turn(Keys("ad"), 40);
    EXPECT_NEAR(w.me.charposx, 4.0f, 1e-6f);
    EXPECT_EQ(w.me.walking, 1);
    EXPECT_EQ(w.me.direction, 1);
}

TEST(Walking, NoKeysStandsStillWithDirectionKept) {
    Walker w;
    w.me.direction = 3;
    w.me.charposx = 1;
    w.Turn(Keys(""), 300);
    EXPECT_EQ(w.me.walking, 0);
    EXPECT_EQ(w.me.direction, 3);
    EXPECT_FLOAT_EQ(w.me.charposx, 1.0f);
}

TEST(Walls, ABlockedStepIsUndoneWholeAndReportedOnceOnly) {
    Walker w;
    w.me.charposx = 5;
    w.me.charposy = 5;
    // A wall to the right of x = 5.2, checked on the stepped position.
    w.blocks = [](const character& c) { return c.charposx > 5.2f; };
    w.Turn(Keys("d"), 16); // starts walking: reported
    const float x = w.me.charposx;

    // Diagonal into the wall: the free y part goes back too, no sliding.
    for (int i = 0; i < 40 && w.me.collision == 0; ++i) w.Turn(Keys("wd"), 16);
    ASSERT_EQ(w.me.collision, 1);
    const float stopx = w.me.charposx, stopy = w.me.charposy;
    EXPECT_LE(stopx, 5.2f);
    EXPECT_GT(stopx, x);
    const std::size_t reports = w.sent.size();
    EXPECT_EQ(w.sent.back().collision, 1); // running into the wall was reported

    w.Turn(Keys("wd"), 16);
    EXPECT_EQ(w.me.charposx, stopx);
    EXPECT_EQ(w.me.charposy, stopy);
    EXPECT_EQ(w.me.collision, 1);
    EXPECT_EQ(w.me.walking, 1);
    EXPECT_EQ(w.me.direction, 1);
    EXPECT_EQ(w.sent.size(), reports); // nothing changed, nothing sent
}

TEST(Walls, SteppingAwayFromTheWallClearsTheCollisionAndReportsIt) {
    Walker w;
    w.blocks = [](const character& c) { return c.charposx > 0.1f; };
    w.Turn(Keys("d"), 100);
    ASSERT_EQ(w.me.collision, 1);
    EXPECT_FLOAT_EQ(w.me.charposx, 0.0f);
    EXPECT_TRUE(w.Turn(Keys("a"), 16)); // direction and collision change
    EXPECT_EQ(w.me.collision, 0);
    EXPECT_LT(w.me.charposx, 0.0f);
}

TEST(Reports, StartingTurningAndStoppingEachReportInThatTurn) {
    Walker w;
    w.Turn(Keys(""), 600); // first turn: 600 ms of start-up already gathered
    ASSERT_EQ(w.sent.size(), 1u);

    EXPECT_TRUE(w.Turn(Keys("d"), 16)); // starts walking
    EXPECT_EQ(w.sent.back().walking, 1);
    EXPECT_FALSE(w.Turn(Keys("d"), 16));
    EXPECT_TRUE(w.Turn(Keys("w"), 16)); // turns
    EXPECT_EQ(w.sent.back().direction, 0);
    EXPECT_FALSE(w.Turn(Keys("w"), 16));
    EXPECT_TRUE(w.Turn(Keys(""), 16)); // lets go: told at once
    EXPECT_EQ(w.sent.back().walking, 0);
    EXPECT_FALSE(w.Turn(Keys(""), 16));
}

TEST(Reports, TheReportCarriesThePositionAfterTheStep) {
    Walker w;
    w.me.charposx = 2;
    w.Turn(Keys("d"), 100);
    ASSERT_EQ(w.sent.size(), 1u);
    EXPECT_FLOAT_EQ(w.sent[0].charposx, 2.25f);
    EXPECT_EQ(w.sent[0].walking, 1);
    EXPECT_EQ(w.sent[0].direction, 1);
}

TEST(Reports, StandingStillReportsEveryFiveHundredMsAndRestartsFromZero) {
    Walker w;
    std::vector<int> at;
    // 30 ms turns: 17 turns reach 510 ms; the 10 ms excess is dropped each time.
    for (int turn = 1; turn <= 51; ++turn)
        if (w.Turn(Keys(""), 30)) at.push_back(turn);
    EXPECT_EQ(at, (std::vector<int>{17, 34, 51}));
    EXPECT_FLOAT_EQ(w.accumulator, 0.0f);

    // Exactly 500 is enough.
    Walker e;
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(e.Turn(Keys(""), 100));
    EXPECT_TRUE(e.Turn(Keys(""), 100));
}

TEST(Reports, WalkingStraightAlsoReportsEveryFiveHundredMs) {
    Walker w;
    w.Turn(Keys("d"), 10); // the start report
    w.sent.clear();
    for (int i = 0; i < 100; ++i) w.Turn(Keys("d"), 10); // 1 s in 10 ms turns
    EXPECT_EQ(w.sent.size(), 2u);
}

TEST(Reports, AMapExitReportsTheNewPositionInTheSameTurn) {
    Walker w;
    w.me.charposx = 3.95f;
    w.me.charposy = 3.5f;
    w.Turn(Keys(""), 16);
    w.sent.clear();
    // The exit moves the player to its target (as the world's exit test does) before the report.
    w.exits = [](character& c) {
        if (c.charposx < 4.0f) return false;
        c.map = "house.map";
        c.charposx = 20.5f;
        c.charposy = 1.5f;
        return true;
    };
    w.Turn(Keys("d"), 16); // starting to walk is reported anyway
    w.sent.clear();
    int turn = 0;
    while (w.me.charposx < 20 && turn < 100) {
        ++turn;
        w.Turn(Keys("d"), 1); // even a 1 ms turn fills 499 up to 500
    }
    ASSERT_EQ(w.sent.size(), 1u);
    EXPECT_EQ(w.sent[0].map, "house.map");
    EXPECT_FLOAT_EQ(w.sent[0].charposx, 20.5f);
    EXPECT_FLOAT_EQ(w.accumulator, 0.0f);
}

TEST(Reports, AnExitInAZeroMsTurnLeavesTheReportForTheNextMillisecond) {
    Walker w;
    w.Turn(Keys(""), 16);
    w.exits = [](character&) { return true; };
    EXPECT_FALSE(w.Turn(Keys(""), 0));
    EXPECT_FLOAT_EQ(w.accumulator, 499.0f);
    w.exits = [](character&) { return false; };
    EXPECT_TRUE(w.Turn(Keys(""), 1));
}

TEST(Reports, OrderOfTheChecksAndTheRememberedValues) {
    Walker w;
    w.me.lastwalk = 1; // walking went 1 -> 0
    w.accumulator = 200;
    EXPECT_TRUE(w.Turn(Keys(""), 16));
    EXPECT_FLOAT_EQ(w.accumulator, 0.0f);
    EXPECT_EQ(w.me.lastwalk, 0);
    EXPECT_EQ(w.me.olddir, w.me.direction);
    EXPECT_EQ(w.me.oldcol, w.me.collision);
}

TEST(Animation, TheMovementTurnAnimatesTheWalker) {
    Walker w;
    w.me.direction = 2;
    w.Turn(Keys(""), 16);
    EXPECT_EQ(w.me.currenttexture, 7);
    w.Turn(Keys("d"), 16);
    EXPECT_EQ(w.me.currenttexture, 5); // right, frame 2 at once
}

TEST(Clock, ElapsedTimeStaysExactAfterHoursAndAcrossTheWrap) {
    // Five hours in, a float clock would step in 2 ms units; the integer difference doesn't.
    const std::uint32_t fivehours = 5u * 3600u * 1000u;
    EXPECT_EQ(elapsed_ms(fivehours + 17, fivehours), 17.0f);
    EXPECT_EQ(elapsed_ms(fivehours + 1, fivehours), 1.0f);
    EXPECT_EQ(elapsed_ms(5, 0xFFFFFFFEu), 7.0f);
    // The first turn counts from the clock's start.
    EXPECT_EQ(elapsed_ms(2345, 0), 2345.0f);
}

TEST(Keys, APressCountsOnceHoweverManyTurnsItLasts) {
    bool was = false;
    std::vector<bool> seen;
    for (bool down : {false, true, true, true, false, true, false, false, true})
        seen.push_back(pressed_now(down, &was));
    EXPECT_EQ(seen, (std::vector<bool>{false, true, false, false, false, true, false, false, true}));
}

} // namespace
