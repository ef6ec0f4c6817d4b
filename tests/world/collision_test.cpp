// The questions walking asks of the current map: blocked feet and map exits, on maps that
// are installed as the client installs them.
#include "world/map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace {

// Installs a map from its text as the current map.
void Install(const std::string& text) {
    std::istringstream in(text);
    MapData data;
    std::string error;
    ASSERT_TRUE(ParseMap(in, data, error)) << error;
    InstallMapData(data);
}

bool Blocked(float x, float y) { return FeetBlocked(blockmap, MAP_SIZEX, MAP_SIZEY, x, y); }
int Exit(float x, float y) { return FindExit(entities, numentities, MAP_SIZEX, MAP_SIZEY, x, y); }

// 6 columns, 5 rows. World row 0 is the last row of the file. Blocked: column 3 of world
// row 1, column 5 of world rows 2 and 3, all of world row 4 except column 0; value 2 at
// column 1 of world row 2. Two exits on cell (0, 2), one on the top row (0, 4), one
// outside the grid.
const char* const kRoom =
    "tiles.tga\n6\n5\n0.5\n0.5\n0\n4\n0 0 0\n\n"
    "0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\n"
    "sep\n"
    "0 1 1 1 1 1\n"  // world row 4
    "0 0 0 0 0 1\n"  // world row 3
    "0 2 0 0 0 1\n"  // world row 2
    "0 0 0 1 0 0\n"  // world row 1
    "0 0 0 0 0 0\n"  // world row 0
    "sep\n"
    "0 2 1.5 1.5 first.map\n"
    "0 2 2.5 2.5 second.map\n"
    "0 4 3.5 3.5 top.map\n"
    "6 2 0.5 0.5 outside.map\n";

class Collision : public ::testing::Test {
  protected:
    void SetUp() override { Install(kRoom); }
    void TearDown() override { FreeMap(); }
};

TEST_F(Collision, FeetProbeTheRowHalfAUnitDown) {
    // Over the blocked cell (3, 1) the feet are still in row 2.
    EXPECT_FALSE(Blocked(3.5f, 2.5f));
    EXPECT_TRUE(Blocked(3.5f, 2.4999f));
    // The right foot alone reaches the blocked cell, then the left one alone.
    EXPECT_TRUE(Blocked(2.81f, 2.0f));
    EXPECT_FALSE(Blocked(2.79f, 2.0f));
    EXPECT_TRUE(Blocked(4.19f, 2.0f));
    EXPECT_FALSE(Blocked(4.21f, 2.0f));
    // Only the value 1 blocks.
    EXPECT_FALSE(Blocked(1.5f, 2.7f));
}

// Walks from (x, y) by (dx, dy) per step as the movement does: a step onto blocked feet is undone.
void Walk(float& x, float& y, float dx, float dy, int steps) {
    for (int i = 0; i < steps; ++i) {
        const float oldx = x, oldy = y;
        x += dx;
        y += dy;
        if (Blocked(x, y)) {
            x = oldx;
            y = oldy;
        }
    }
}

TEST_F(Collision, WalkingStopsShortOfBlockedCells) {
    const float step = 0.0025f * 16; // one 16 ms frame
    float x = 1.5f, y = 3.6f;         // world row 3, walking right towards column 5
    Walk(x, y, step, 0, 200);
    EXPECT_LT(x, 5 - 0.2f);
    EXPECT_GE(x, 5 - 0.2f - step);
    x = 4.5f, y = 1.6f;               // world row 1, walking left towards column 3
    Walk(x, y, -step, 0, 200);
    EXPECT_GE(x, 3 + 1.2f);
    EXPECT_LT(x, 3 + 1.2f + step);
    x = 3.5f, y = 2.5f;               // walking down onto row 1 under column 3
    Walk(x, y, 0, -step, 200);
    EXPECT_GE(y, 2.5f);
    x = 2.5f, y = 2.5f;               // walking up towards world row 4
    Walk(x, y, 0, step, 200);
    EXPECT_LT(y, 4 + 0.5f);
    EXPECT_GE(y, 4 + 0.5f - step);
}

TEST_F(Collision, CellsTruncateTowardZero) {
    // Left of the map the left foot at -0.1 is still column 0, not column -1.
    EXPECT_FALSE(Blocked(0.1f, 0.7f));
    EXPECT_FALSE(Blocked(-0.7f, 0.7f));
    EXPECT_TRUE(Blocked(-0.81f, 0.7f));
    // Below the map the feet at -0.4 are still world row 0.
    EXPECT_FALSE(Blocked(0.5f, 0.1f));
    EXPECT_TRUE(Blocked(0.5f, -0.51f));
}

TEST_F(Collision, OutsideTheGridIsBlocked) {
    EXPECT_TRUE(Blocked(5.81f, 0.5f));  // right foot in column 6
    EXPECT_FALSE(Blocked(5.79f, 0.5f));
    EXPECT_FALSE(Blocked(0.5f, 5.49f)); // feet in world row 4, column 0 is free
    EXPECT_TRUE(Blocked(0.5f, 5.5f));   // feet in world row 5
    EXPECT_TRUE(Blocked(1e20f, 0.5f));
    EXPECT_TRUE(Blocked(0.5f, -1e20f));
    EXPECT_TRUE(Blocked(std::numeric_limits<float>::quiet_NaN(), 0.5f));
    EXPECT_TRUE(Blocked(std::numeric_limits<float>::infinity(), 0.5f));
    EXPECT_TRUE(CellBlocked(nullptr, 0, 0, 0, 0));
}

TEST_F(Collision, ExitsFireOnThePositionNotTheFeet) {
    EXPECT_EQ(Exit(0.5f, 1.9f), -1);
    // Feet in row 1, position in row 2: the exit fires; the first of two on one cell wins.
    EXPECT_EQ(Exit(0.01f, 2.2f), 0);
    EXPECT_EQ(Exit(0.99f, 2.99f), 0);
    EXPECT_EQ(Exit(1.0f, 2.5f), -1);
    // Truncation toward zero: -0.5 is column 0.
    EXPECT_EQ(Exit(-0.5f, 2.5f), 0);
    EXPECT_EQ(Exit(-1.0f, 2.5f), -1);
    // An exit in the first row of the file has the top world row.
    EXPECT_EQ(Exit(0.5f, 4.5f), 2);
    // An exit outside the grid never fires.
    EXPECT_EQ(Exit(6.5f, 2.5f), -1);
    EXPECT_EQ(Exit(std::nanf(""), 2.5f), -1);
}

TEST(MapState, InstallsGridsTopRowFirstAndFreesEverything) {
    FreeMap(); // before any map: nothing to release
    EXPECT_EQ(map, nullptr);
    Install(kRoom);
    EXPECT_EQ(MAP_SIZEX, 6);
    EXPECT_EQ(MAP_SIZEY, 5);
    EXPECT_EQ(blockmap[0][1], 1);
    EXPECT_EQ(blockmap[3][3], 1);
    EXPECT_EQ(blockmap[2][1], 2);
    ASSERT_NE(map2, nullptr); // there even without a second layer
    EXPECT_EQ(layer2, 0);
    ASSERT_TRUE(entitiesallocated);
    EXPECT_EQ(numentities, 4);
    EXPECT_EQ(entities[3].newmap, "outside.map");
    EXPECT_EQ(tilesetfile, "tiles.tga");

    // A map without exits leaves nothing allocated for them.
    Install("small.tga\n2\n1\n0.5\n0.5\n1\n0\n1 2 3\n\n4 5\nsep\n1 0\nsep\n-1 6\n");
    EXPECT_FALSE(entitiesallocated);
    EXPECT_EQ(numentities, 0);
    EXPECT_EQ(map[0][1], 5);
    EXPECT_EQ(map2[0][1], 6);
    EXPECT_EQ(tilesetfile, "small.tga");
    EXPECT_EQ(Exit(0.5f, 0.5f), -1);

    FreeMap();
    EXPECT_EQ(MAP_SIZEX, 0);
    EXPECT_EQ(MAP_SIZEY, 0);
    EXPECT_EQ(map, nullptr);
    EXPECT_EQ(map2, nullptr);
    EXPECT_EQ(blockmap, nullptr);
    // With no map every cell is blocked and nothing fires.
    EXPECT_TRUE(Blocked(0.5f, 0.5f));
    EXPECT_EQ(Exit(0.5f, 0.5f), -1);
    FreeMap();
}

} // namespace
