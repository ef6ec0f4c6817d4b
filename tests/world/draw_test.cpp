// What the player sees of the world: tiles in their layers, the camera over the player, the
// background outside the map; and loading maps that fail without losing the current one.
#include "core/map.h"
#include "world/tiling.h"
#include "frame/framework.h"

#include "characters/characters.h"
#include "tests/world/worldfolder.h"

#include <GL/gl.h>

#include <array>
#include <tuple>

namespace {

using namespace tworld;

// A grid text of h rows of w values, fill everywhere except the cells {column, world row, value}.
std::string Grid(int w, int h, int fill, std::initializer_list<std::array<int, 3>> cells) {
    std::vector<int> values(static_cast<std::size_t>(w * h), fill);
    for (const auto& [col, worldrow, value] : cells)
        values[std::size_t((h - 1 - worldrow) * w + col)] = value;
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i)
        text += std::to_string(values[i]) + (i % std::size_t(w) == std::size_t(w) - 1 ? "\n" : " ");
    return text;
}

// 20 by 20. Ground red except: (9, 10) gray, (10, 10) green, (11, 10) clear yellow, (12, 10)
// quartered, (13, 10) and (14, 10) no tile, (9, 11) green. Second layer: (10, 11) half blue,
// (11, 11) clear yellow, (12, 11) green, (13, 11) no tile, (9, 11) red.
std::string RoomMap() {
    return "Tavrel.app/Contents/Resources/tiles.tga\n20\n20\n10.5\n10.5\n1\n0\n0 0 64\n\n" +
           Grid(20, 20, 0,
                {{9, 10, 5}, {10, 10, 1}, {11, 10, 3}, {12, 10, 4}, {13, 10, 99}, {14, 10, -5}, {9, 11, 1}}) +
           "sep\n" + Grid(20, 20, 0, {}) + "sep\n" +
           Grid(20, 20, -1, {{10, 11, 2}, {11, 11, 3}, {12, 11, 1}, {13, 11, 99}, {9, 11, 0}});
}

struct Probe {
    int x, y, r, g, b;
};

class WorldDrawing : public WorldFolder {
  protected:
    void SetUp() override {
        WorldFolder::SetUp();
        WriteMap("room.map", RoomMap());
        ASSERT_EQ(LoadMap("room.map"), 1);
    }
    void TearDown() override {
        FreeMap();
        FreeTileSet();
        WorldFolder::TearDown();
    }
    // One frame of the world with the player at (x, y); then window pixels (x, y from the bottom left).
    void ExpectAt(float x, float y, std::initializer_list<Probe> probes) {
        avatar.charposx = x;
        avatar.charposy = y;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        DrawWorld();
        for (const Probe& p : probes)
            EXPECT_TRUE(timg::Near(window_.ReadPixel(p.x, p.y), p.r, p.g, p.b))
                << "at " << p.x << ", " << p.y;
    }
    tt::GlWindow window_;
};

// With the player at (10.5, 10.5) the camera looks 1.25 units below him: the window shows x
// 5.5..15.5 and y 4.25..14.25, so cell (c, r) is centred on pixel ((c - 5) * 64, (r - 3.75) * 48).
TEST_F(WorldDrawing, LayersInOrderTheSecondBlendedUprightTilesAndTheCamera) {
    ExpectAt(10.5f, 10.5f,
             {// Ground: tiles 1, 5, 0, and a clear tile drawn opaque.
              {320, 300, 0, 255, 0},
              {256, 300, 128, 128, 128},
              {576, 200, 255, 0, 0},
              {384, 300, 255, 255, 0},
              // Second layer: half blue over red, a clear tile, opaque green, tile 0 over green ground.
              {320, 348, 127, 0, 128},
              {384, 348, 255, 0, 0},
              {448, 348, 0, 255, 0},
              {256, 348, 255, 0, 0},
              // No tile (99, -5): the background shows in the ground layer, the ground in the second.
              {512, 300, 0, 0, 64},
              {576, 300, 0, 0, 64},
              {512, 348, 255, 0, 0},
              // The quartered tile (12, 10) upright and not mirrored.
              {432, 312, 255, 255, 255},
              {464, 312, 0, 0, 0},
              {432, 288, 255, 0, 255},
              {464, 288, 0, 255, 255},
              // Edges of cell (10, 10): x 288, y 276 and 324.
              {290, 300, 0, 255, 0},
              {286, 300, 128, 128, 128},
              {320, 278, 0, 255, 0},
              {320, 274, 255, 0, 0},
              {320, 322, 0, 255, 0},
              {320, 326, 127, 0, 128}});
    // At (1.5, 1.5) the map's left edge is at pixel 224, its bottom edge at 228.
    ExpectAt(1.5f, 1.5f,
             {{220, 300, 0, 0, 64},
              {228, 300, 255, 0, 0},
              {400, 224, 0, 0, 64},
              {400, 232, 255, 0, 0},
              {10, 470, 0, 0, 64}});
}

TEST_F(WorldDrawing, ANewTileSetIsCutRowByRowDroppingPartTilesAndReplacesTheOld) {
    std::vector<GLuint> old;
    for (int i = 0; i < numtiles; ++i)
        old.push_back(tiles[i].texture);
    WriteImage(Resource("forty.tga"), 40, 40, [](int x, int y) {
        return x >= 32 || y >= 32 ? kOrange : y < 16 ? (x < 16 ? kRed : kGreen) : (x < 16 ? kBlue : kWhite);
    });
    WriteMap(
        "forty.map",
        "Tavrel.app/Contents/Resources/forty.tga\n2\n2\n1\n1\n0\n0\n200 100 0\n\n0 1\n2 3\nsep\n0 0\n0 0\n");
    ASSERT_EQ(LoadMap("forty.map"), 1);
    EXPECT_EQ(numtiles, 4);
    for (GLuint t : old)
        EXPECT_FALSE(glIsTexture(t));
    // Cells (0, 0) .. (1, 1) centred on x 288, 352 and y 216, 264; the new background beyond.
    ExpectAt(1.0f, 2.25f,
             {{288, 264, 255, 0, 0},
              {352, 264, 0, 255, 0},
              {288, 216, 0, 0, 255},
              {352, 216, 255, 255, 255},
              {400, 300, 200, 100, 0}});
}

// A map whose tile set has the current one's file name still reads the image again: it may have changed.
TEST_F(WorldDrawing, ATileSetOfTheCurrentFileNameIsMadeAgainFromTheFile) {
    WriteImage(Resource("tiles.tga"), 56, 40, [](int, int) { return kBlue; });
    WriteMap("twin.map", RoomMap());
    ASSERT_EQ(LoadMap("twin.map"), 1);
    ExpectAt(10.5f, 10.5f, {{576, 200, 0, 0, 255}, {320, 300, 0, 0, 255}});
}

TEST_F(WorldDrawing, AMapThatCantBeLoadedLeavesTheCurrentMapInPlace) {
    const std::string res = "Tavrel.app/Contents/Resources/", head = res + "tiles.tga\n";
    // One line naming the map and why; a tile set that can't be loaded adds the image's own line first.
    const struct {
        std::string name, text, why, before;
    } cases[] = {
        {"missing.map", "", "the file can't be opened\n", ""},
        {"narrow.map", head + "0\n1\n0\n0\n0\n0\n9 9 9\n\n\nsep\n\n", "line 2: 0 columns", ""},
        {"short.map", head + "2\n2\n0\n0\n0\n0\n9 9 9\n\n0 0\n0 0\nsep\n0 0\n",
         "the file ends after 13 lines, its header promises 14", ""},
        {"crowded.map", head + "1\n1\n0\n0\n0\n5000\n9 9 9\n\n0\nsep\n0\nsep\n", "line 7: 5000 exits", ""},
        {"untiled.map", res + "nothing.tga\n1\n1\n0\n0\n0\n0\n9 9 9\n\n0\nsep\n0\n", "its tile set",
         "Failed to load the image \"" + res + "nothing.tga\""},
    };
    const auto current = [] {
        return std::tuple(map, tiles, tiles[0].texture, MAP_SIZEX, MAP_SIZEY, numentities);
    };
    const auto before = current();
    for (const auto& c : cases) {
        if (!c.text.empty()) WriteMap(c.name, c.text);
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadMap(c.name), 0) << c.name;
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string line = "Failed to load the map \"" + res + c.name + "\": ";
        const std::size_t at = err.find(line);
        EXPECT_EQ(err.substr(0, c.before.size()), c.before) << err;
        EXPECT_EQ(at, c.before.empty() ? 0 : err.find('\n') + 1) << err;
        EXPECT_EQ(err.substr(at + line.size(), c.why.size()), c.why) << err;
        EXPECT_EQ(err.find('\n', at), err.size() - 1) << err;
    }
    EXPECT_EQ(current(), before);
    EXPECT_TRUE(glIsTexture(tiles[0].texture));
    // Still the old map, its background too.
    ExpectAt(10.5f, 10.5f, {{320, 300, 0, 255, 0}, {512, 300, 0, 0, 64}});
}

} // namespace
