// Reading map files: the example map, the odd corners of the grammar, and refusals.
#include "core/map.h"

#include "wire/protocol.h"
#include "wire/tokenizer.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <tuple>

namespace {

// 5 by 4 with a second layer and one exit.
const char* const kExample = "Tavrel.app/Contents/Resources/tiles.tga\n5\n4\n1.5\n1.5\n1\n1\n0 0 64\n\n"
                             "2 2 2 2 2\n2 0 0 0 2\n2 0 0 0 0\n2 2 2 2 2\nseparator\n"
                             "1 1 1 1 1\n1 0 0 0 1\n1 0 0 0 0\n1 1 1 1 1\nseparator\n"
                             "-1 -1 -1 -1 -1\n-1 -1 7 -1 -1\n-1 -1 -1 -1 -1\n-1 -1 -1 -1 -1\nseparator\n"
                             "4 1 2.5 3.5 main.map\n";

MapData Parse(const std::string& text, std::string* error = nullptr, bool ok = true) {
    std::istringstream in(text);
    MapData data;
    std::string why, &out = error ? *error : why;
    EXPECT_EQ(ParseMap(in, data, out), ok) << out;
    return data;
}

// A header for a w by h map; rows and the rest follow.
std::string Header(const std::string& w, const std::string& h, const std::string& layer2 = "0",
                   const std::string& count = "0") {
    return "tiles.tga\n" + w + "\n" + h + "\n0\n0\n" + layer2 + "\n" + count + "\n0 0 0\n---\n";
}

auto Fields(const entity_t& e) {
    return std::tuple(e.posx, e.posy, e.newposx, e.newposy, e.newmap);
}

TEST(MapFile, ReadsTheExampleMapAndKeepsCarriageReturnsOnlyInNames) {
    std::string crlf;
    for (char c : std::string(kExample))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& text : {std::string(kExample), crlf}) {
        const bool cr = text != kExample;
        const MapData m = Parse(text);
        EXPECT_EQ(m.tilesetfile, std::string("Tavrel.app/Contents/Resources/tiles.tga") + (cr ? "\r" : ""));
        EXPECT_EQ(std::tuple(m.sizex, m.sizey, m.startposx, m.startposy, m.layer2),
                  std::tuple(5, 4, 1.5f, 1.5f, 1));
        EXPECT_EQ(std::vector<int>(m.background, m.background + 3), std::vector<int>({0, 0, 64}));
        EXPECT_EQ(m.ground, std::vector<int>({2, 2, 2, 2, 2, 2, 0, 0, 0, 2, 2, 0, 0, 0, 0, 2, 2, 2, 2, 2}));
        // The block map is the second grid of the file, the second layer the third.
        EXPECT_EQ(m.block, std::vector<int>({1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1, 1}));
        EXPECT_EQ(m.second, std::vector<int>({-1, -1, -1, -1, -1, -1, -1, 7,  -1, -1,
                                              -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}));
        ASSERT_EQ(m.entities.size(), 1u);
        EXPECT_EQ(Fields(m.entities[0]), Fields({4, 1, 2.5f, 3.5f, cr ? "main.map\r" : "main.map"}));
    }
}

TEST(MapFile, RowsSplitAtEverySingleSpace) {
    const MapData m = Parse(Header("4", "4") + "1  2 3\n5 6\n\n 7 8 9 10 11 12\nsep\n1\n1\n1\n1\n");
    EXPECT_EQ(m.ground, (std::vector<int>{1, 0, 2, 3, 5, 6, 0, 0, 0, 0, 0, 0, 0, 7, 8, 9}));
    EXPECT_EQ(m.block, (std::vector<int>{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
}

// The row reader is a one-pass rewrite of the tokenizer's splitting: random rows must read alike.
TEST(MapFile, RowsReadLikeTheTokenizer) {
    std::mt19937 random(20240611);
    const std::string alphabet = "0123456789    --+x\t\r.";
    for (int trial = 0; trial < 300; ++trial) {
        const int width = 1 + static_cast<int>(random() % 12);
        std::string row;
        for (int i = static_cast<int>(random() % 40); i > 0; --i)
            row += alphabet[random() % alphabet.size()];
        if (trial % 50 == 0) row = "99999999999 -99999999999 2147483647 -2147483648";
        const MapData m = Parse(Header(std::to_string(width), "1") + row + "\nsep\n0\n");
        StringTokenizer tokens(row, " ");
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(m.ground[static_cast<std::size_t>(x)], tokens.nextIntToken())
                << '"' << row << "\" " << x;
    }
}

TEST(MapFile, SecondLayerRowsWithoutTheFlagAreReadAsExits) {
    const MapData m = Parse(Header("3", "2", "0", "1") + "1 1 1\n1 1 1\nsep\n0 0 0\n0 0 0\nsep\n"
                                                         "5 6 7\n8 9 10\nsep\n0 0 1.5 1.5 other.map\n");
    EXPECT_TRUE(m.second.empty());
    ASSERT_EQ(m.entities.size(), 1u);
    EXPECT_EQ(Fields(m.entities[0]), Fields({5, 6, 7.0f, 0.0f, ""}));
}

TEST(MapFile, RefusesImpossibleSizesAndShortFiles) {
    const struct {
        std::string text, error;
    } cases[] = {
        {Header("0", "1") + "\nsep\n\n", "line 2"},
        {Header("-3", "1") + "\nsep\n\n", "line 2"},
        {Header("4097", "1") + "\nsep\n\n", "line 2"},
        {Header("1", "0"), "line 3"},
        {Header("1", "99999999999"), "line 3"},
        {Header("1", "1", "0", "4097") + "0\nsep\n0\n", "line 7"},
        {"", "ends after 0 lines"},
        {"t\n2\n2\n", "ends after 3 lines"},
        {Header("2", "2") + "0 0\n", "promises 14"},
        {Header("2", "2") + "0 0\n0 0\nsep\n0 0\n", "promises 14"},
        {Header("2", "2", "1") + "0 0\n0 0\nsep\n0 0\n0 0\n", "promises 17"},
        {Header("2", "2", "0", "2") + "0 0\n0 0\nsep\n0 0\n0 0\nsep\n1 1 1 1 a.map\n",
         "ends after 16 lines, its header promises 17"},
    };
    for (const auto& c : cases) {
        std::string error;
        Parse(c.text, &error, false);
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << "\ngave: " << error;
    }
    // The limits themselves are fine, and the last line needs no line feed of its own.
    std::string rows;
    for (int i = 0; i < MAX_MAP_SIZE; ++i)
        rows += "1\n";
    EXPECT_EQ(Parse(Header("1", std::to_string(MAX_MAP_SIZE)) + rows + "sep\n" + rows).block.back(), 1);
    const std::string tallest = Header("256", std::to_string(MAX_MAP_SIZE)) + rows + "sep\n" + rows;
    EXPECT_EQ(Parse(tallest).ground.size(), std::size_t(MAX_MAP_CELLS));
    EXPECT_EQ(Parse(Header("2", "1") + "3 4\nsep\n1 1").block, (std::vector<int>{1, 1}));
}

TEST(MapFile, RefusesNonFiniteStartsAndTargetsOverlongLinesAndMapNamesTheServerDrops) {
    const std::string rows = "0\nsep\n0\nsep\n";
    const std::string longest(MAX_MAP_NAME, 'm');
    const struct {
        std::string text, error;
    } cases[] = {
        {"t\n1\n1\nnan\n0\n0\n0\n0 0 0\n-\n" + rows, "line 4"},
        {"t\n1\n1\n0\n-inf\n0\n0\n0 0 0\n-\n" + rows, "line 5"},
        {Header("1", "1", "0", "2") + rows + "0 0 1 1 a.map\n0 0 nan 1 a.map\n", "line 15"},
        {Header("1", "1", "0", "1") + rows + "0 0 1 inf a.map\n", "line 14"},
        {Header("1", "1", "0", "1") + rows + "0 0 1 1 " + longest + "x\n", "line 14"},
        {Header("1", "1") + std::string((1 << 20) + 1, '7') + "\nsep\n0\n", "line 10"},
        {Header("1", "1") + "0\nsep\n" + std::string(3 << 20, ' '), "line 12"},
    };
    for (const auto& c : cases) {
        std::string error;
        Parse(c.text, &error, false);
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text.substr(0, 80) << "\ngave: " << error;
    }
    // At the limits: a name of exactly the longest length, and a line of exactly 1 MiB.
    EXPECT_EQ(Parse(Header("1", "1", "0", "1") + rows + "0 0 1 1 " + longest + "\n").entities.at(0).newmap,
              longest);
    EXPECT_EQ(Parse(Header("1", "1") + "7" + std::string((1 << 20) - 1, ' ') + "\nsep\n0\n").ground.at(0), 7);
}

// Found by fuzzing (fuzz/map_fuzz.cpp): empty lines are whole rows of zeros, so 12 KB of line
// feeds under a 4096 by 4096 header made three 64 MB grids. More cells than MAX_MAP_CELLS are
// refused from the header, whatever follows.
TEST(MapFile, MapsOfMoreCellsThanTheLimitAreRefusedFromTheHeader) {
    const std::string feeds(3 * MAX_MAP_SIZE + 2, '\n');
    const struct {
        std::string columns, rows;
        bool refused;
    } cases[] = {{"4096", "4096", true},
                 {"1025", "1024", true},
                 {"4096", "257", true},
                 {"1024", "1024", false},
                 {"4096", "256", false}};
    for (const auto& c : cases) {
        std::istringstream in(Header(c.columns, c.rows) + feeds);
        MapData data;
        std::string error;
        EXPECT_EQ(ParseMap(in, data, error), !c.refused) << c.columns << " by " << c.rows << ": " << error;
        if (c.refused) {
            EXPECT_NE(
                error.find("line 3: " + c.columns + " by " + c.rows + " cells, a map has at most 1048576"),
                std::string::npos)
                << error;
            EXPECT_EQ(data.ground.capacity() + data.block.capacity(), 0u);
        }
    }
}

TEST(MapFile, ANegativeExitCountMeansNoExits) {
    for (const char* count : {"-1", "-4097", "-99999999999"}) {
        const MapData m = Parse(Header("1", "1", "0", count) + "0\nsep\n0\n");
        EXPECT_TRUE(m.entities.empty()) << count;
    }
}

// A short file promising a huge map is refused before the grids take what the header promises.
TEST(MapFile, GridsGrowWithTheRowsThatArrive) {
    const std::string wide = std::to_string(MAX_MAP_SIZE),
                      rows = std::to_string(MAX_MAP_CELLS / MAX_MAP_SIZE);
    for (const std::string& text : {Header(wide, rows), Header(wide, rows) + "1 2 3\n4 5 6\n"}) {
        std::istringstream in(text);
        MapData data;
        std::string error;
        EXPECT_FALSE(ParseMap(in, data, error));
        EXPECT_LE(data.ground.capacity() + data.block.capacity() + data.second.capacity(), 3u * MAX_MAP_SIZE)
            << error;
    }
}

} // namespace
