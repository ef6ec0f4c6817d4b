// What the player sees of the world: tiles in their layers, the camera over the player, the
// background outside the map, and each map's own tile set.
#include "tests/world/worldfolder.h"

#include <array>

namespace {

using namespace tworld;

const Rgba kYellow{255, 255, 0, 255}, kMagenta{255, 0, 255, 255}, kCyan{0, 255, 255, 255},
    kBack{0, 0, 64, 255}, kHalfBlueOverRed{127, 0, 128, 255}, kBrown{200, 100, 0, 255};

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

class WorldDrawing : public WorldFolder {
  protected:
    void SetUp() override {
        WorldFolder::SetUp();
        Load("room.map", RoomMap());
    }
};

// With the player at (10.5, 10.5) the camera looks 1.25 units below him: the window shows x
// 5.5..15.5 and y 4.25..14.25, so cell (c, r) is centred on pixel ((c - 5) * 64, (r - 3.75) * 48).
TEST_F(WorldDrawing, LayersInOrderTheSecondBlendedUprightTilesAndTheCamera) {
    // Ground: tiles 1, 5, 0, and a clear tile drawn opaque.
    ExpectAt(10.5f, 10.5f, {{320, 300, kGreen}, {256, 300, kGray}, {576, 200, kRed}, {384, 300, kYellow}});
    // Second layer: half blue over red, a clear tile, opaque green, tile 0 over green ground.
    ExpectAt(10.5f, 10.5f,
             {{320, 348, kHalfBlueOverRed}, {384, 348, kRed}, {448, 348, kGreen}, {256, 348, kRed}});
    // No tile (99, -5): the background shows in the ground layer, the ground in the second.
    ExpectAt(10.5f, 10.5f, {{512, 300, kBack}, {576, 300, kBack}, {512, 348, kRed}});
    // The quartered tile (12, 10) upright and not mirrored.
    ExpectAt(10.5f, 10.5f, {{432, 312, kWhite}, {464, 312, kBlack}, {432, 288, kMagenta}, {464, 288, kCyan}});
    // Edges of cell (10, 10): x 288, then y 276 and 324.
    ExpectAt(10.5f, 10.5f, {{290, 300, kGreen}, {286, 300, kGray}});
    ExpectAt(10.5f, 10.5f,
             {{320, 278, kGreen}, {320, 274, kRed}, {320, 322, kGreen}, {320, 326, kHalfBlueOverRed}});
    // At (1.5, 1.5) the map's left edge is at pixel 224, its bottom edge at 228.
    ExpectAt(1.5f, 1.5f,
             {{220, 300, kBack}, {228, 300, kRed}, {400, 224, kBack}, {400, 232, kRed}, {10, 470, kBack}});
}

// A new tile set is cut row by row, part tiles dropped, and replaces the old one; a tile set of the
// current one's file name is read again from the file, which may have changed.
TEST_F(WorldDrawing, EachMapCutsItsTileSetFromItsFileAndReplacesTheOld) {
    std::vector<GLuint> old;
    for (int i = 0; i < numtiles; ++i)
        old.push_back(tiles[i].texture);
    WriteTga(Resource("forty.tga"), 40, 40, [](int x, int y) {
        return x >= 32 || y >= 32 ? kOrange : y < 16 ? (x < 16 ? kRed : kGreen) : (x < 16 ? kBlue : kWhite);
    });
    const std::string forty =
        "Tavrel.app/Contents/Resources/forty.tga\n2\n2\n1\n1\n0\n0\n200 100 0\n\n0 1\n2 3\nsep\n0 0\n0 0\n";
    Load("forty.map", forty);
    EXPECT_EQ(numtiles, 4);
    for (GLuint t : old)
        EXPECT_FALSE(glIsTexture(t));
    // Cells (0, 0) .. (1, 1) centred on x 288, 352 and y 216, 264; the new background beyond.
    ExpectAt(
        1.0f, 2.25f,
        {{288, 264, kRed}, {352, 264, kGreen}, {288, 216, kBlue}, {352, 216, kWhite}, {400, 300, kBrown}});

    WriteTga(Resource("forty.tga"), 40, 40, [](int, int) { return kGray; });
    Load("forty.map", forty);
    ExpectAt(1.0f, 2.25f, {{288, 264, kGray}, {352, 216, kGray}});
}

} // namespace
