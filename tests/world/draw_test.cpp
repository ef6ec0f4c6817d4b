// What the player sees of the world: tiles in their layers, the camera over the player, the
// background outside the map; and loading maps that fail without losing the current one.
#include "world/map.h"
#include "world/tiling.h"

#include "characters/characters.h"
#include "tests/world/worldfolder.h"

#include <GL/gl.h>

namespace {

using namespace tworld;
using timg::Near;

// A grid text of h rows of w values, fill everywhere except the cells given as
// {column, world row, value}.
struct Cell { int col, worldrow, value; };
std::string Grid(int w, int h, int fill, std::initializer_list<Cell> cells) {
    std::vector<int> values(static_cast<std::size_t>(w * h), fill);
    for (const Cell& c : cells) values[static_cast<std::size_t>((h - 1 - c.worldrow) * w + c.col)] = c.value;
    std::string text;
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) text += (col ? " " : "") + std::to_string(values[row * w + col]);
        text += "\n";
    }
    return text;
}

// 20 by 20, background (0, 0, 64). Ground red except: (9, 10) gray, (10, 10) green,
// (11, 10) the transparent yellow, (12, 10) the quartered tile, (13, 10) and (14, 10) no tile,
// (9, 11) green. Second layer: (10, 11) half blue, (11, 11) transparent yellow, (12, 11)
// green, (13, 11) no tile, (9, 11) red.
std::string RoomMap(const std::string& background = "0 0 64") {
    return "Tavrel.app/Contents/Resources/tiles.tga\n20\n20\n10.5\n10.5\n1\n0\n" + background + "\n\n" +
           Grid(20, 20, 0, {{9, 10, 5}, {10, 10, 1}, {11, 10, 3}, {12, 10, 4}, {13, 10, 99}, {14, 10, -5}, {9, 11, 1}}) +
           "sep\n" + Grid(20, 20, 0, {}) + "sep\n" +
           Grid(20, 20, -1, {{10, 11, 2}, {11, 11, 3}, {12, 11, 1}, {13, 11, 99}, {9, 11, 0}});
}

class WorldDrawing : public WorldFolder {
  protected:
    void SetUp() override {
        WorldFolder::SetUp();
        window_ = std::make_unique<tt::GlWindow>();
        WriteMap("room.map", RoomMap());
        ASSERT_EQ(LoadMap("room.map"), 1);
    }
    void TearDown() override {
        FreeMap();
        FreeTileSet();
        window_.reset();
        WorldFolder::TearDown();
    }
    // One frame of the world with the player at (x, y), as the frame draws it.
    void DrawAt(float x, float y) {
        avatar.charposx = x;
        avatar.charposy = y;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        DrawWorld();
    }
    tt::Image::Pixel At(int x, int y) { return window_->ReadPixel(x, y); }

    std::unique_ptr<tt::GlWindow> window_;
};

// With the player at (10.5, 10.5) the window shows x 5.5..15.5 and y 4.25..14.25: cell (c, r)
// is centred on pixel ((c - 5) * 64, (r - 3.75) * 48), counted from the bottom left.
TEST_F(WorldDrawing, LayersDrawInOrderWithTheSecondBlendedByAlpha) {
    DrawAt(10.5f, 10.5f);
    EXPECT_TRUE(Near(At(320, 300), 0, 255, 0)) << At(320, 300);     // green ground
    EXPECT_TRUE(Near(At(256, 300), 128, 128, 128)) << At(256, 300); // gray: tile 5, second tile row
    EXPECT_TRUE(Near(At(384, 300), 255, 255, 0)) << At(384, 300);   // transparent tile, opaque on the ground
    EXPECT_TRUE(Near(At(576, 200), 255, 0, 0)) << At(576, 200);     // plain ground
    // Second layer: half blue over red, nothing of a fully transparent tile, opaque green,
    // tile 0 over green ground.
    EXPECT_TRUE(Near(At(320, 348), 127, 0, 128)) << At(320, 348);
    EXPECT_TRUE(Near(At(384, 348), 255, 0, 0)) << At(384, 348);
    EXPECT_TRUE(Near(At(448, 348), 0, 255, 0)) << At(448, 348);
    EXPECT_TRUE(Near(At(256, 348), 255, 0, 0)) << At(256, 348);
    // Values naming no tile are not drawn: the background shows in the ground layer, the
    // ground in the second layer.
    EXPECT_TRUE(Near(At(512, 300), 0, 0, 64)) << At(512, 300);
    EXPECT_TRUE(Near(At(576, 300), 0, 0, 64)) << At(576, 300);
    EXPECT_TRUE(Near(At(512, 348), 255, 0, 0)) << At(512, 348);
}

TEST_F(WorldDrawing, TilesShowUprightAndUnmirrored) {
    DrawAt(10.5f, 10.5f);
    // Cell (12, 10) covers pixels 416..480 by 276..324.
    EXPECT_TRUE(Near(At(432, 312), 255, 255, 255)) << At(432, 312);
    EXPECT_TRUE(Near(At(464, 312), 0, 0, 0)) << At(464, 312);
    EXPECT_TRUE(Near(At(432, 288), 255, 0, 255)) << At(432, 288);
    EXPECT_TRUE(Near(At(464, 288), 0, 255, 255)) << At(464, 288);
}

TEST_F(WorldDrawing, TheCameraLooksAtAPointBelowThePlayer) {
    DrawAt(10.5f, 10.5f);
    // The edges of cell (10, 10) lie at x 288 and 352, y 276 and 324.
    EXPECT_TRUE(Near(At(290, 300), 0, 255, 0)) << At(290, 300);
    EXPECT_TRUE(Near(At(286, 300), 128, 128, 128)) << At(286, 300);
    EXPECT_TRUE(Near(At(350, 300), 0, 255, 0)) << At(350, 300);
    EXPECT_TRUE(Near(At(320, 278), 0, 255, 0)) << At(320, 278);
    EXPECT_TRUE(Near(At(320, 274), 255, 0, 0)) << At(320, 274);
    EXPECT_TRUE(Near(At(320, 322), 0, 255, 0)) << At(320, 322);
    EXPECT_TRUE(Near(At(320, 326), 127, 0, 128)) << At(320, 326);

    // At (1.5, 1.5) the view shows x -3.5..6.5 and y -4.75..5.25: the map's left edge is at
    // pixel 224 and its bottom edge at 228, with the background beyond.
    DrawAt(1.5f, 1.5f);
    EXPECT_TRUE(Near(At(220, 300), 0, 0, 64)) << At(220, 300);
    EXPECT_TRUE(Near(At(228, 300), 255, 0, 0)) << At(228, 300);
    EXPECT_TRUE(Near(At(400, 224), 0, 0, 64)) << At(400, 224);
    EXPECT_TRUE(Near(At(400, 232), 255, 0, 0)) << At(400, 232);
    EXPECT_TRUE(Near(At(10, 470), 0, 0, 64)) << At(10, 470);
}

TEST_F(WorldDrawing, AMapOfTheSameTileSetGetsNewTexturesAndTheOldOnesAreDeleted) {
    ASSERT_EQ(numtiles, 6);
    std::vector<GLuint> old;
    for (int i = 0; i < numtiles; ++i) old.push_back(tiles[i].texture);
    WriteMap("room.map", RoomMap("200 100 0"));
    ASSERT_EQ(LoadMap("room.map"), 1);
    ASSERT_EQ(numtiles, 6);
    for (int i = 0; i < numtiles; ++i) {
        EXPECT_EQ(std::count(old.begin(), old.end(), tiles[i].texture), 0);
        EXPECT_TRUE(glIsTexture(tiles[i].texture));
        EXPECT_FALSE(glIsTexture(old[i]));
    }
    DrawAt(10.5f, 10.5f);
    EXPECT_TRUE(Near(At(512, 300), 200, 100, 0)) << At(512, 300);
}

TEST_F(WorldDrawing, TilesAreCutRowByRowAndPartTilesAreDropped) {
    WriteImage(Resource("forty.tga"), 40, 40, [](int x, int y) {
        if (x >= 32 || y >= 32) return kOrange;
        return y < 16 ? (x < 16 ? kRed : kGreen) : (x < 16 ? kBlue : kWhite);
    });
    WriteMap("forty.map", "Tavrel.app/Contents/Resources/forty.tga\n2\n2\n1\n1\n0\n0\n0 0 0\n\n0 1\n2 3\nsep\n0 0\n0 0\n");
    ASSERT_EQ(LoadMap("forty.map"), 1);
    EXPECT_EQ(numtiles, 4);
    // The player at (1, 2.25): cells (0, 0) .. (1, 1) centred on x 288, 352 and y 216, 264.
    DrawAt(1.0f, 2.25f);
    EXPECT_TRUE(Near(At(288, 264), 255, 0, 0)) << At(288, 264);
    EXPECT_TRUE(Near(At(352, 264), 0, 255, 0)) << At(352, 264);
    EXPECT_TRUE(Near(At(288, 216), 0, 0, 255)) << At(288, 216);
    EXPECT_TRUE(Near(At(352, 216), 255, 255, 255)) << At(352, 216);
}

// Everything a failed load could have touched.
struct Snapshot {
    int sizex, sizey, count;
    int** grid;
    tile* tileset;
    GLuint first;
    GLfloat clear[4];
    static Snapshot Take() {
        Snapshot s{MAP_SIZEX, MAP_SIZEY, numentities, map, tiles, tiles ? tiles[0].texture : 0, {}};
        glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clear);
        return s;
    }
    void ExpectUnchanged() const {
        const Snapshot now = Take();
        EXPECT_EQ(now.sizex, sizex);
        EXPECT_EQ(now.sizey, sizey);
        EXPECT_EQ(now.count, count);
        EXPECT_EQ(now.grid, grid);
        EXPECT_EQ(now.tileset, tileset);
        EXPECT_EQ(now.first, first);
        EXPECT_TRUE(glIsTexture(first));
        for (int i = 0; i < 4; ++i) EXPECT_EQ(now.clear[i], clear[i]);
    }
};

// Loads name expecting a refusal; returns what it printed on standard error.
std::string RefusedLoad(const std::string& name) {
    testing::internal::CaptureStderr();
    const int result = LoadMap(name);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, 0) << name;
    return err;
}

TEST_F(WorldDrawing, AMapThatCantBeLoadedLeavesTheCurrentMapInPlace) {
    const Snapshot before = Snapshot::Take();
    const std::string header = "Tavrel.app/Contents/Resources/tiles.tga\n";
    WriteMap("narrow.map", header + "0\n1\n0\n0\n0\n0\n9 9 9\n\n\nsep\n\n");
    WriteMap("short.map", header + "2\n2\n0\n0\n0\n0\n9 9 9\n\n0 0\n0 0\nsep\n0 0\n");
    WriteMap("crowded.map", header + "1\n1\n0\n0\n0\n5000\n9 9 9\n\n0\nsep\n0\nsep\n");
    WriteMap("untiled.map", "Tavrel.app/Contents/Resources/nothing.tga\n1\n1\n0\n0\n0\n0\n9 9 9\n\n0\nsep\n0\n");
    WriteMap("crlf.map", "Tavrel.app/Contents/Resources/tiles.tga\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n9 9 9\r\n\r\n0\r\nsep\r\n0\r\n");

    std::string err = RefusedLoad("missing.map");
    EXPECT_EQ(err, "Failed to load the map \"Tavrel.app/Contents/Resources/missing.map\": the file can't be opened\n");
    err = RefusedLoad("narrow.map");
    EXPECT_NE(err.find("narrow.map\": line 2: 0 columns"), std::string::npos) << err;
    err = RefusedLoad("short.map");
    EXPECT_NE(err.find("short.map\": the file ends after 13 lines, its header promises 14"), std::string::npos) << err;
    err = RefusedLoad("crowded.map");
    EXPECT_NE(err.find("crowded.map\": line 7: 5000 exits"), std::string::npos) << err;
    // The image's own line, then the map's.
    err = RefusedLoad("untiled.map");
    EXPECT_EQ(err.find("Failed to load the image \"Tavrel.app/Contents/Resources/nothing.tga\""), 0u) << err;
    EXPECT_NE(err.find("\nFailed to load the map \"Tavrel.app/Contents/Resources/untiled.map\": its tile set"),
              std::string::npos) << err;
    // A carriage return stays in the tile-set path, which then names no file.
    err = RefusedLoad("crlf.map");
    EXPECT_NE(err.find("tiles.tga\r\""), std::string::npos) << err;
    before.ExpectUnchanged();

    DrawAt(10.5f, 10.5f);
    EXPECT_TRUE(Near(At(320, 300), 0, 255, 0)) << At(320, 300);
}

} // namespace
