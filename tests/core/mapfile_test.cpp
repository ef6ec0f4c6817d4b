#include "core/map.h"
#include "tests/core/maptext.h"
#include "wire/protocol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>

static const char* const kExample =
    "Tavrel.app/Contents/Resources/tiles.tga\n4\n3\n1.5\n2.5\n1\n1\n0 0 64\n\n1 2 3 4\n5 6 7 8\n9 10 11 12\n"
    "separator\n1 1 1 1\n1 0 0 0\n1 1 0 1\nseparator\n-1 -1 -1 -1\n-1 7 -1 -1\n-1 -1 -1 3\nseparator\n"
    "3 1 2.5 3.5 main.map\n";

static std::string Header(const std::string& w, const std::string& h, const std::string& second = "0",
                          const std::string& count = "0") {
    return "tiles.tga\n" + w + "\n" + h + "\n0\n0\n" + second + "\n" + count + "\n0 0 0\n---\n";
}

static auto Fields(const entity_t& e) {
    return std::tuple(e.posx, e.posy, e.newposx, e.newposy, e.newmap);
}

TEST(MapFile, ReadsTheExampleMapAndKeepsCarriageReturnsOnlyInNames) {
    const MapData m = ParseText(kExample);
    EXPECT_EQ(std::tuple(m.tilesetfile, m.sizex, m.sizey, m.startposx, m.startposy, m.layer2),
              std::tuple(std::string("Tavrel.app/Contents/Resources/tiles.tga"), 4, 3, 1.5f, 2.5f, 1));
    EXPECT_EQ(std::vector<int>(m.background, m.background + 3), std::vector<int>({0, 0, 64}));
    EXPECT_EQ(m.ground, std::vector<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(m.block, std::vector<int>({1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 1}));
    EXPECT_EQ(m.second, std::vector<int>({-1, -1, -1, -1, -1, 7, -1, -1, -1, -1, -1, 3}));
    ASSERT_EQ(m.entities.size(), 1u);
    EXPECT_EQ(Fields(m.entities[0]), Fields({3, 1, 2.5f, 3.5f, "main.map"}));

    const MapData r = ParseText(std::regex_replace(kExample, std::regex("\n"), "\r\n"));
    EXPECT_EQ(
        std::tuple(r.tilesetfile, r.entities.at(0).newmap, r.sizey, r.startposy, r.ground, r.block, r.second),
        std::tuple(m.tilesetfile + "\r", std::string("main.map\r"), 3, 2.5f, m.ground, m.block, m.second));
}

// Each piece reads like strtol, saturated to an int; a short or empty row is padded with zeros.
TEST(MapFile, RowsSplitAtEverySingleSpace) {
    const MapData m = ParseText(Header("6", "4") + "7 \t9 +3 -x 4.5 3x\n\r2  -2147483649 99999999999 1\r\n\n"
                                                   "1 2 3 4 5 6 7\nsep\n0\n0\n0\n0\n");
    EXPECT_EQ(m.ground,
              std::vector<int>({7, 9, 3, 0, 4, 3, 2, 0, -2147483647 - 1, 2147483647, 1, 0, 0, 0, 0, 0,
                                0, 0, 1, 2, 3, 4, 5, 6}));
}

TEST(MapFile, SecondLayerRowsWithoutTheFlagAreReadAsExitsANegativeCountAsNone) {
    const MapData m =
        ParseText(Header("3", "1", "0", "1") + "1 1 1\nsep\n0 0 0\nsep\n5 6 7\nsep\n0 0 1.5 1.5 other.map\n");
    EXPECT_TRUE(m.second.empty());
    ASSERT_EQ(m.entities.size(), 1u);
    EXPECT_EQ(Fields(m.entities[0]), Fields({5, 6, 7.0f, 0.0f, ""}));
    for (const char* count : {"-1", "-4097", "-99999999999"})
        EXPECT_TRUE(ParseText(Header("1", "1", "0", count) + "0\nsep\n0\n").entities.empty()) << count;
}

// A refusal holds no more than the rows that arrived. Found by fuzzing (fuzz/map_fuzz.cpp): empty lines
// are rows of zeros, so 12 KB of line feeds under a 4096 by 4096 header made three 64 MB grids.
TEST(MapFile, RefusesImpossibleSizesShortFilesBadNumbersAndOverlongLines) {
    const std::string rows = "0\nsep\n0\nsep\n", longest(MAX_MAP_NAME, 'm'),
                      feeds(3 * MAX_MAP_SIZE + 2, '\n');
    const std::pair<std::string, std::string> cases[] = {
        {Header("0", "1") + "\nsep\n\n", "line 2"},
        {Header("4097", "1") + "\nsep\n\n", "line 2"},
        {Header("1", "0"), "line 3"},
        {Header("1", "99999999999"), "line 3"},
        {Header("1025", "1024") + feeds, "line 3: 1025 by 1024 cells, a map has at most 1048576"},
        {"t\n1\n1\nnan\n0\n0\n0\n0 0 0\n-\n" + rows, "line 4"},
        {"t\n1\n1\n0\n-inf\n0\n0\n0 0 0\n-\n" + rows, "line 5"},
        {Header("1", "1", "0", "4097") + "0\nsep\n0\n", "line 7"},
        {"t\n2\n2\n", "ends after 3 lines"},
        {Header("2", "2") + "0 0\n0 0\nsep\n0 0\n", "promises 14"},
        {Header("2", "2", "1") + "0 0\n0 0\nsep\n0 0\n0 0\n", "promises 17"},
        {Header("2", "2", "0", "2") + "0 0\n0 0\nsep\n0 0\n0 0\nsep\n1 1 1 1 a.map\n", "ends after 16 lines"},
        {Header("4096", "256") + "1 2 3\n4 5 6\n", "ends after 11 lines"},
        {Header("1", "1", "0", "2") + rows + "0 0 1 1 a.map\n0 0 nan 1 a.map\n", "line 15"},
        {Header("1", "1", "0", "1") + rows + "0 0 1 inf a.map\n", "line 14"},
        {Header("1", "1", "0", "1") + rows + "0 0 1 1 " + longest + "x\n", "line 14"},
        {Header("1", "1") + std::string((1 << 20) + 1, '7') + "\nsep\n0\n", "line 10: longer than"},
        {std::string((1 << 20) + 1, 't'), "line 1: longer than"},
    };
    for (const auto& [text, why] : cases) {
        std::istringstream in(text);
        MapData data;
        std::string error;
        EXPECT_FALSE(ParseMap(in, data, error)) << text.substr(0, 80);
        EXPECT_NE(error.find(why), std::string::npos) << text.substr(0, 80) << "\ngave: " << error;
        const std::size_t held = data.ground.capacity() + data.block.capacity() + data.second.capacity();
        EXPECT_LE(held, why.find(" cells,") == std::string::npos ? 3u * MAX_MAP_SIZE : 0u) << why;
    }
}

// The limits themselves are fine, and the last line needs no line feed of its own.
TEST(MapFile, AcceptsMapsAtTheLimits) {
    const std::string rows(MAX_MAP_SIZE, '\n');
    const MapData tallest = ParseText(Header("256", "4096") + rows + "sep" + rows + "1\n");
    EXPECT_EQ(std::pair(tallest.ground.size(), tallest.block.at(MAX_MAP_CELLS - 256)),
              std::pair(std::size_t(MAX_MAP_CELLS), 1));
    EXPECT_EQ(ParseText(Header("4096", "256") + std::string(3 * MAX_MAP_SIZE, '\n')).block.size(),
              std::size_t(MAX_MAP_CELLS));
    EXPECT_EQ(ParseText(Header("2", "1") + "3 4\nsep\n1 1").block, (std::vector<int>{1, 1}));
    const std::string longest(MAX_MAP_NAME, 'm');
    EXPECT_EQ(ParseText(Header("1", "1", "0", "1") + "0\nsep\n0\nsep\n0 0 1 1 " + longest + "\n")
                  .entities.at(0)
                  .newmap,
              longest);
    EXPECT_EQ(ParseText(Header("1", "1") + "7" + std::string((1 << 20) - 1, ' ') + "\nsep\n0\n").ground.at(0),
              7);
}

// The questions walking asks of the installed map: blocked feet and map exits. 6 by 5; world row 0 is
// the last row of the file; value 2 at (1, 2) doesn't block. Exits: two on (0, 2), one on the top row,
// one just right of the grid, one just above it, one at the lowest int.
struct Collision : ::testing::Test {
    void SetUp() override {
        MapData data =
            ParseText(Header("6", "5", "0", "6") +
                      "\n\n\n\n\nsep\n0 1 1 1 1 1\n0 0 0 0 0 1\n0 2 0 0 0 1\n"
                      "0 0 0 1 0 0\n0 0 0 0 0 0\nsep\n0 2 1.5 1.5 first.map\n0 2 2.5 2.5 second.map\n"
                      "0 4 3.5 3.5 top.map\n6 2 0.5 0.5 outside.map\n0 5 0.5 0.5 door.map\n"
                      "-2147483648 0 0.5 0.5 edge.map\n");
        InstallMapData(data);
    }
    void TearDown() override { FreeMap(); }
    static bool Blocked(float x, float y) { return FeetBlocked(blockmap, MAP_SIZEX, MAP_SIZEY, x, y); }
    static int Exit(float x, float y) { return FindExit(entities, numentities, x, y); }
};

// The feet are half a unit down and 0.2 to either side.
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

// Outside the grid too, since no grid is read there. Found by fuzzing: the lowest int is a cell like
// any other.
TEST_F(Collision, ExitsFireOnThePositionFirstInFileOrder) {
    const std::tuple<float, float, int> cases[] = {
        {0.5f, 1.9f, -1},  {0.99f, 2.99f, 0},         {1.0f, 2.5f, -1},          {-0.5f, 2.5f, 0},
        {-1.0f, 2.5f, -1}, {6.5f, 2.5f, 3},           {NAN, 2.5f, -1},           {0.5f, 5.3f, 4},
        {0.5f, 4.99f, 2},  {-2147483648.0f, 0.5f, 5}, {-2147483904.0f, 0.5f, -1}};
    for (const auto& [x, y, exit] : cases)
        EXPECT_EQ(Exit(x, y), exit) << x << ", " << y;
    EXPECT_FALSE(Blocked(0.5f, 5.3f)) << "the door past the top edge can't be reached";
    // With no map every cell is blocked and nothing fires.
    FreeMap();
    EXPECT_TRUE(Blocked(0.5f, 0.5f));
    EXPECT_EQ(Exit(0.5f, 0.5f), -1);
}
