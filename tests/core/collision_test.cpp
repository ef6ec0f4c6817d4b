// The questions walking asks of the current map, installed as the client installs it:
// blocked feet and map exits.
#include "core/map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

// 6 by 5; world row 0 is the last row of the file. Value 2 at (1, 2) doesn't block. Two
// exits on (0, 2), one on the top row, one just right of the grid, one just above it, one at the
// lowest column an int holds.
const char* const kRoom = "tiles.tga\n6\n5\n0.5\n0.5\n0\n6\n0 0 0\n\n"
                          "0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\nsep\n"
                          "0 1 1 1 1 1\n" // world row 4
                          "0 0 0 0 0 1\n" // world row 3
                          "0 2 0 0 0 1\n" // world row 2
                          "0 0 0 1 0 0\n" // world row 1
                          "0 0 0 0 0 0\n" // world row 0
                          "sep\n0 2 1.5 1.5 first.map\n0 2 2.5 2.5 second.map\n0 4 3.5 3.5 top.map\n6 2 0.5 "
                          "0.5 outside.map\n0 5 0.5 0.5 door.map\n-2147483648 0 0.5 0.5 edge.map\n";

class Collision : public ::testing::Test {
  protected:
    void SetUp() override {
        std::istringstream in(kRoom);
        MapData data;
        std::string error;
        ASSERT_TRUE(ParseMap(in, data, error)) << error;
        InstallMapData(data);
    }
    void TearDown() override { FreeMap(); }
    static bool Blocked(float x, float y) { return FeetBlocked(blockmap, MAP_SIZEX, MAP_SIZEY, x, y); }
    static int Exit(float x, float y) { return FindExit(entities, numentities, x, y); }
};

TEST_F(Collision, FeetProbeBesideAndBelowTruncatedTowardZero) {
    const struct {
        float x, y;
        bool blocked;
    } cases[] = {
        {3.5f, 2.5f, false},  {3.5f, 2.4999f, true}, // feet half a unit down, over blocked (3, 1)
        {2.81f, 2.0f, true},  {2.79f, 2.0f, false},  // right foot 0.2 to the right
        {4.19f, 2.0f, true},  {4.21f, 2.0f, false},  // left foot 0.2 to the left
        {1.5f, 2.7f, false},                         // only the value 1 blocks
        {-0.7f, 0.7f, false}, {-0.81f, 0.7f, true},  // -0.9 truncates to column 0, -1.01 to -1
        {0.5f, 0.1f, false},  {0.5f, -0.51f, true},  // -0.4 truncates to world row 0
        {5.79f, 0.5f, false}, {5.81f, 0.5f, true},   // outside the grid is blocked
        {0.5f, 5.49f, false}, {0.5f, 5.5f, true},    // world rows count from the bottom
        {1e20f, 0.5f, true},  {0.5f, -1e20f, true},  {NAN, 0.5f, true}, {INFINITY, 0.5f, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Blocked(c.x, c.y), c.blocked) << c.x << ", " << c.y;
}

TEST_F(Collision, ExitsFireOnThePositionFirstInFileOrder) {
    const struct {
        float x, y;
        int exit;
    } cases[] = {
        {0.5f, 1.9f, -1},
        {0.01f, 2.2f, 0},
        {0.99f, 2.99f, 0},
        {1.0f, 2.5f, -1}, // not the feet
        {-0.5f, 2.5f, 0},
        {-1.0f, 2.5f, -1}, // truncation toward zero
        {0.5f, 4.5f, 2},   // the first row of the file is the top world row
        {6.5f, 2.5f, 3},
        {NAN, 2.5f, -1}, // outside the grid fires too: no grid is read there
        {0.5f, 5.3f, 4},
        {0.5f, 4.99f, 2}, // a door past the top edge, reached with the feet on row 4
        // Found by fuzzing: the lowest int is a cell like any other; only what lies below it is none.
        {-2147483648.0f, 0.5f, 5},
        {-2147483904.0f, 0.5f, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Exit(c.x, c.y), c.exit) << c.x << ", " << c.y;
    EXPECT_FALSE(Blocked(0.5f, 5.3f)) << "the door past the top edge can't be reached";
    // With no map every cell is blocked and nothing fires.
    FreeMap();
    EXPECT_TRUE(Blocked(0.5f, 0.5f));
    EXPECT_EQ(Exit(0.5f, 0.5f), -1);
}

} // namespace
