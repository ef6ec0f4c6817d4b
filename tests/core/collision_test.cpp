// The questions walking asks of the map the client installed: blocked feet and map exits.
#include "core/map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

// 6 by 5; world row 0 is the last row of the file; value 2 at (1, 2) doesn't block. Exits: two on
// (0, 2), one on the top row, one just right of the grid, one just above it, one at the lowest int.
static const char* const kRoom =
    "tiles.tga\n6\n5\n0.5\n0.5\n0\n6\n0 0 0\n\n0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 "
    "0\n"
    "sep\n0 1 1 1 1 1\n0 0 0 0 0 1\n0 2 0 0 0 1\n0 0 0 1 0 0\n0 0 0 0 0 0\nsep\n0 2 1.5 1.5 first.map\n"
    "0 2 2.5 2.5 second.map\n0 4 3.5 3.5 top.map\n6 2 0.5 0.5 outside.map\n0 5 0.5 0.5 door.map\n"
    "-2147483648 0 0.5 0.5 edge.map\n";

struct Collision : ::testing::Test {
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

// The feet are half a unit down and 0.2 to either side; cells truncate toward zero; only the value 1
// blocks; outside the grid is blocked; world rows count from the bottom.
TEST_F(Collision, FeetProbeBesideAndBelowTruncatedTowardZero) {
    const std::tuple<float, float, bool> cases[] = {
        {3.5f, 2.5f, false},  {3.5f, 2.4999f, true}, {2.81f, 2.0f, true},   {2.79f, 2.0f, false},
        {4.19f, 2.0f, true},  {4.21f, 2.0f, false},  {1.5f, 2.7f, false},   {-0.7f, 0.7f, false},
        {-0.81f, 0.7f, true}, {0.5f, 0.1f, false},   {0.5f, -0.51f, true},  {5.79f, 0.5f, false},
        {5.81f, 0.5f, true},  {0.5f, 5.49f, false},  {0.5f, 5.5f, true},    {1e20f, 0.5f, true},
        {0.5f, -1e20f, true}, {NAN, 0.5f, true},     {INFINITY, 0.5f, true}};
    for (const auto& [x, y, blocked] : cases)
        EXPECT_EQ(Blocked(x, y), blocked) << x << ", " << y;
}

// An exit fires on the cell under the position, not the feet, the first in file order, outside the
// grid too (no grid is read there). Found by fuzzing: the lowest int is a cell like any other; only
// what lies below it is none.
TEST_F(Collision, ExitsFireOnThePositionFirstInFileOrder) {
    const std::tuple<float, float, int> cases[] = {
        {0.5f, 1.9f, -1},          {0.01f, 2.2f, 0},  {0.99f, 2.99f, 0}, {1.0f, 2.5f, -1},
        {-0.5f, 2.5f, 0},          {-1.0f, 2.5f, -1}, {0.5f, 4.5f, 2},   {6.5f, 2.5f, 3},
        {NAN, 2.5f, -1},           {0.5f, 5.3f, 4},   {0.5f, 4.99f, 2},  {-2147483648.0f, 0.5f, 5},
        {-2147483904.0f, 0.5f, -1}};
    for (const auto& [x, y, exit] : cases)
        EXPECT_EQ(Exit(x, y), exit) << x << ", " << y;
    EXPECT_FALSE(Blocked(0.5f, 5.3f)) << "the door past the top edge can't be reached";
    // With no map every cell is blocked and nothing fires.
    FreeMap();
    EXPECT_TRUE(Blocked(0.5f, 0.5f));
    EXPECT_EQ(Exit(0.5f, 0.5f), -1);
}
