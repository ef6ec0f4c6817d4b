// Reading map files: the example map, every odd corner of the grammar, and refusals.
#include "world/map.h"

#include "frame/tokenizer.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <random>
#include <sstream>

namespace {

// The 5 by 4 example map with a second layer and one exit.
const char* const kExample =
    "Tavrel.app/Contents/Resources/tiles.tga\n"
    "5\n"
    "4\n"
    "1.5\n"
    "1.5\n"
    "1\n"
    "1\n"
    "0 0 64\n"
    "\n"
    "2 2 2 2 2\n"
    "2 0 0 0 2\n"
    "2 0 0 0 0\n"
    "2 2 2 2 2\n"
    "separator\n"
    "1 1 1 1 1\n"
    "1 0 0 0 1\n"
    "1 0 0 0 0\n"
    "1 1 1 1 1\n"
    "separator\n"
    "-1 -1 -1 -1 -1\n"
    "-1 -1 7 -1 -1\n"
    "-1 -1 -1 -1 -1\n"
    "-1 -1 -1 -1 -1\n"
    "separator\n"
    "4 1 2.5 3.5 main.map\n";

MapData Parse(const std::string& text) {
    std::istringstream in(text);
    MapData data;
    std::string error;
    EXPECT_TRUE(ParseMap(in, data, error)) << error;
    return data;
}

std::string ParseError(const std::string& text) {
    std::istringstream in(text);
    MapData data;
    std::string error;
    EXPECT_FALSE(ParseMap(in, data, error));
    return error;
}

// A header for a w by h map; rows and the rest follow.
std::string Header(const std::string& w, const std::string& h, const std::string& layer2 = "0",
                   const std::string& count = "0") {
    return "tiles.tga\n" + w + "\n" + h + "\n0\n0\n" + layer2 + "\n" + count + "\n0 0 0\n---\n";
}

TEST(MapFile, ReadsTheExampleMap) {
    const MapData m = Parse(kExample);
    EXPECT_EQ(m.tilesetfile, "Tavrel.app/Contents/Resources/tiles.tga");
    EXPECT_EQ(m.sizex, 5);
    EXPECT_EQ(m.sizey, 4);
    EXPECT_FLOAT_EQ(m.startposx, 1.5f);
    EXPECT_FLOAT_EQ(m.startposy, 1.5f);
    EXPECT_EQ(m.layer2, 1);
    EXPECT_EQ(m.background[0], 0);
    EXPECT_EQ(m.background[1], 0);
    EXPECT_EQ(m.background[2], 64);
    const std::vector<int> ground = {2, 2, 2, 2, 2, 2, 0, 0, 0, 2, 2, 0, 0, 0, 0, 2, 2, 2, 2, 2};
    const std::vector<int> block = {1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1, 1};
    EXPECT_EQ(m.ground, ground);
    // The block map is the second grid of the file, the second layer the third.
    EXPECT_EQ(m.block, block);
    ASSERT_EQ(m.second.size(), 20u);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(m.second[i], i == 7 ? 7 : -1) << i;
    ASSERT_EQ(m.entities.size(), 1u);
    EXPECT_EQ(m.entities[0].posx, 4);
    EXPECT_EQ(m.entities[0].posy, 1);
    EXPECT_FLOAT_EQ(m.entities[0].newposx, 2.5f);
    EXPECT_FLOAT_EQ(m.entities[0].newposy, 3.5f);
    EXPECT_EQ(m.entities[0].newmap, "main.map");
}

TEST(MapFile, RowsSplitAtEverySingleSpace) {
    const MapData m = Parse(Header("4", "4") +
                            "1  2 3\n"    // two spaces: a 0 goes in, the rest shifts right
                            "5 6\n"       // short: the rest is 0
                            "\n"          // empty: all 0
                            " 7 8 9 10 11 12\n" // leading space; pieces past 4 ignored
                            "sep\n" + "1\n1\n1\n1\n");
    EXPECT_EQ(m.ground, (std::vector<int>{1, 0, 2, 3, 5, 6, 0, 0, 0, 0, 0, 0, 0, 7, 8, 9}));
    EXPECT_EQ(m.block, (std::vector<int>{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_TRUE(m.second.empty());
    EXPECT_TRUE(m.entities.empty());
}

// Random rows of digits, signs, spaces and junk read exactly as the tokenizer reads them.
TEST(MapFile, RowsReadLikeTheTokenizer) {
    std::mt19937 random(20240611);
    const std::string alphabet = "0123456789    --+x\t\r.";
    for (int trial = 0; trial < 300; ++trial) {
        const int width = 1 + static_cast<int>(random() % 12);
        std::string row;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) row += alphabet[random() % alphabet.size()];
        if (trial % 50 == 0) row = "99999999999 -99999999999 2147483647 -2147483648";
        const MapData m = Parse(Header(std::to_string(width), "1") + row + "\nsep\n0\n");
        StringTokenizer tokens(row, " ");
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(m.ground[x], tokens.nextIntToken()) << "row \"" << row << "\" column " << x;
    }
}

TEST(MapFile, HeaderNumbersReadLikeAtoiAndAtof) {
    const MapData m = Parse("t\n 3abc\n+1\n2.5e1xyz\nnonsense\n7 rest\n0\n10 20 30 40\n\n"
                            "1 2 3\nsep\n0 0 0\nsep\n4 5 6\n");
    EXPECT_EQ(m.sizex, 3);
    EXPECT_EQ(m.sizey, 1);
    EXPECT_FLOAT_EQ(m.startposx, 25.0f);
    EXPECT_FLOAT_EQ(m.startposy, 0.0f);
    EXPECT_EQ(m.layer2, 7); // any non-zero flag means a second layer
    EXPECT_EQ(m.second, (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(m.background[2], 30);
    // A start too large for a float becomes the largest float instead of undefined behaviour.
    EXPECT_EQ(Parse("t\n1\n1\n1e300\n-1e300\n0\n0\n\n\n0\n\n0\n").startposx, FLT_MAX);
}

TEST(MapFile, SecondLayerRowsWithoutTheFlagAreReadAsExits) {
    // layer2 = 0 but the rows are there: after the separator, the first row is taken as an exit.
    const MapData m = Parse(Header("3", "2", "0", "1") + "1 1 1\n1 1 1\nsep\n0 0 0\n0 0 0\nsep\n"
                            "5 6 7\n8 9 10\nsep\n0 0 1.5 1.5 other.map\n");
    EXPECT_TRUE(m.second.empty());
    ASSERT_EQ(m.entities.size(), 1u);
    EXPECT_EQ(m.entities[0].posx, 5);
    EXPECT_EQ(m.entities[0].posy, 6);
    EXPECT_FLOAT_EQ(m.entities[0].newposx, 7.0f);
    EXPECT_FLOAT_EQ(m.entities[0].newposy, 0.0f);
    EXPECT_EQ(m.entities[0].newmap, "");
}

TEST(MapFile, NothingAfterTheLastExpectedLineIsRead) {
    std::istringstream in(Header("1", "1") + "3\nsep\n1\nleft over\n");
    MapData m;
    std::string error;
    ASSERT_TRUE(ParseMap(in, m, error)) << error;
    EXPECT_TRUE(m.entities.empty());
    std::string rest;
    ASSERT_TRUE(std::getline(in, rest));
    EXPECT_EQ(rest, "left over");
}

TEST(MapFile, CarriageReturnsStayInNamesButNotInNumbers) {
    std::string crlf;
    for (char c : std::string(kExample)) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    const MapData m = Parse(crlf);
    EXPECT_EQ(m.tilesetfile, "Tavrel.app/Contents/Resources/tiles.tga\r");
    EXPECT_EQ(m.sizex, 5);
    EXPECT_EQ(m.sizey, 4);
    EXPECT_FLOAT_EQ(m.startposy, 1.5f);
    EXPECT_EQ(m.background[2], 64);
    EXPECT_EQ(m.ground, Parse(kExample).ground);
    EXPECT_EQ(m.second, Parse(kExample).second);
    ASSERT_EQ(m.entities.size(), 1u);
    EXPECT_FLOAT_EQ(m.entities[0].newposy, 3.5f);
    EXPECT_EQ(m.entities[0].newmap, "main.map\r");
}

TEST(MapFile, RefusesImpossibleSizesAndCounts) {
    EXPECT_NE(ParseError(Header("0", "1") + "\nsep\n\n").find("line 2"), std::string::npos);
    EXPECT_NE(ParseError(Header("-3", "1") + "\nsep\n\n").find("line 2"), std::string::npos);
    EXPECT_NE(ParseError(Header("4097", "1") + "\nsep\n\n").find("line 2"), std::string::npos);
    EXPECT_NE(ParseError(Header("1", "0")).find("line 3"), std::string::npos);
    EXPECT_NE(ParseError(Header("1", "99999999999")).find("line 3"), std::string::npos);
    EXPECT_NE(ParseError(Header("1", "1", "0", "-1") + "0\nsep\n0\n").find("line 7"), std::string::npos);
    EXPECT_NE(ParseError(Header("1", "1", "0", "4097") + "0\nsep\n0\n").find("line 7"), std::string::npos);
    // The limits themselves are fine.
    std::string rows;
    for (int i = 0; i < MAX_MAP_SIZE; ++i) rows += "1\n";
    const MapData tall = Parse(Header("1", std::to_string(MAX_MAP_SIZE)) + rows + "sep\n" + rows);
    EXPECT_EQ(tall.sizey, MAX_MAP_SIZE);
    EXPECT_EQ(tall.block.back(), 1);
}

TEST(MapFile, RefusesFilesShorterThanTheHeaderPromises) {
    EXPECT_NE(ParseError("").find("ends after 0 lines"), std::string::npos);
    EXPECT_NE(ParseError("t\n2\n2\n").find("ends after 3 lines"), std::string::npos);
    // Each part may be the one that is cut short.
    EXPECT_NE(ParseError(Header("2", "2") + "0 0\n").find("promises 14"), std::string::npos);
    EXPECT_FALSE(ParseError(Header("2", "2") + "0 0\n0 0\nsep\n0 0\n").empty());
    EXPECT_FALSE(ParseError(Header("2", "2", "1") + "0 0\n0 0\nsep\n0 0\n0 0\n").empty());
    EXPECT_NE(ParseError(Header("2", "2", "0", "2") + "0 0\n0 0\nsep\n0 0\n0 0\nsep\n1 1 1 1 a.map\n")
                  .find("ends after 16 lines, its header promises 17"),
              std::string::npos);
    // The last line needs no line feed of its own.
    EXPECT_EQ(Parse(Header("2", "1") + "3 4\nsep\n1 1").block, (std::vector<int>{1, 1}));
}

} // namespace
