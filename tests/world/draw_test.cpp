// What the player sees of the world: tiles in their layers, the camera over the player, the
// background outside the map, only the cells that can show, and map exits as the walking meets them.
// Each test runs in a temporary folder holding Tavrel.app/Contents/Resources/ with a small tile set and
// maps made by the test, made the working directory so the game's relative paths resolve there.
#include "core/character.h"
#include "core/map.h"
#include "frame/framework.h"
#include "tests/graphics/imagefile.h"
#include "world/tiling.h"

#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <random>
#include <set>
#include <tuple>
#include <vector>

namespace {

using namespace timg;

const Rgba kGray{128, 128, 128, 255}, kOrange{255, 128, 0, 255}, kYellow{255, 255, 0, 255},
    kMagenta{255, 0, 255, 255}, kCyan{0, 255, 255, 255}, kBack{0, 0, 64, 255},
    kHalfBlueOverRed{127, 0, 128, 255};

// "tiles.tga", 56 by 40: 3 by 2 whole tiles (0 red, 1 green, 2 half-clear blue, 3 clear yellow, 4 white /
// black over magenta / cyan, 5 gray) and orange strips that no tile may show.
Rgba TileSetPixel(int x, int y) {
    const Rgba quarters[4] = {kWhite, kBlack, kMagenta, kCyan};
    const Rgba tiles[6] = {kRed, kGreen, {0, 0, 255, 128}, {255, 255, 0, 0}, {}, kGray};
    if (x >= 48 || y >= 32) return kOrange;
    const int index = (y / 16) * 3 + x / 16;
    return index == 4 ? quarters[(y % 16) / 8 * 2 + (x % 16) / 8] : tiles[index];
}

class World : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::current_path(folder_.path);
        WriteTga(Resource("tiles.tga"), 56, 40, TileSetPixel);
    }
    void TearDown() override {
        FreeMap();
        FreeTileSet();
        std::filesystem::current_path(oldcwd_);
    }
    static std::string Resource(const std::string& name) { return "Tavrel.app/Contents/Resources/" + name; }
    // Writes the map and makes it the current one.
    static void Load(const std::string& name, const std::string& text) {
        tt::WriteFile(Resource(name), text);
        ASSERT_EQ(LoadMap(name), 1) << name;
    }
    // One frame of the world with the player at (x, y).
    static void DrawAt(float x, float y) {
        avatar.charposx = x;
        avatar.charposy = y;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        DrawWorld();
    }
    // Then window pixels (x, y from the bottom left) and the colours they should show.
    void ExpectAt(float x, float y, std::initializer_list<std::tuple<int, int, Rgba>> probes) {
        DrawAt(x, y);
        for (const auto& [px, py, colour] : probes)
            EXPECT_TRUE(Near(window_.ReadPixel(px, py), colour)) << "at " << px << ", " << py;
    }

    tt::GlWindow window_;
    const TempDir folder_;
    const std::filesystem::path oldcwd_ = std::filesystem::current_path();
};

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

// With the player at (10.5, 10.5) the camera looks 1.25 units below him: the window shows x
// 5.5..15.5 and y 4.25..14.25, so cell (c, r) is centred on pixel ((c - 5) * 64, (r - 3.75) * 48).
TEST_F(World, LayersInOrderTheSecondBlendedUprightTilesAndTheCamera) {
    Load("room.map", RoomMap());
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

// 40 by 30, every cell a tile chosen at random (some naming no tile), a second layer half empty.
std::string PatchworkMap() {
    std::mt19937 rng(12);
    std::uniform_int_distribution<int> ground(0, 6), second(-6, 6);
    std::string rows[3];
    for (int layer = 0; layer < 3; ++layer)
        for (int i = 0; i < 40 * 30; ++i)
            rows[layer] += std::to_string(layer == 0   ? ground(rng)
                                          : layer == 1 ? 0
                                                       : second(rng)) +
                           (i % 40 == 39 ? "\n" : " ");
    return "Tavrel.app/Contents/Resources/tiles.tga\n40\n30\n5\n5\n1\n0\n10 20 30\n\n" + rows[0] + "sep\n" +
           rows[1] + "sep\n" + rows[2];
}

// Drawing only the cells that can show gives exactly the picture of drawing every cell: wherever the
// camera stands, on the map, at its edges and corners, far beyond them, and in windows of other shapes.
TEST_F(World, CullingGivesThePictureOfDrawingEveryCellWhereverTheCameraStandsInWindowsOfAnyShape) {
    Load("patchwork.map", PatchworkMap());
    const auto frame = [this](float x, float y, bool all) {
        drawallcells = all;
        DrawAt(x, y);
        return window_.ReadBack();
    };
    // The middle, two opposite corners, just inside and outside the last cells that show, far away,
    // and odd fractions.
    const float positions[] = {20.5f,   15.5f,   0,       0,       40,     30,     -3.7f,   12.2f,
                               43.6f,   31.3f,   -4.99f,  -3.74f,  44.99f, 36.24f, -5.01f,  10,
                               45.01f,  10,      20,      -3.76f,  20,     36.26f, -300,    -200,
                               5000.5f, 9000.5f, 7.3333f, 4.6667f, 13.0f,  12.25f, 26.999f, 18.751f};
    for (const auto& [w, h] : {std::pair{640, 480}, {900, 300}, {300, 700}, {1023, 767}}) {
        // As the game does on a resize: a new video mode, then the viewport.
        ASSERT_NE(SDL_SetVideoMode(w, h, 16, SDL_OPENGL | SDL_RESIZABLE), nullptr);
        resizeWindow(w, h);
        std::set<std::tuple<int, int, int>> colours;
        for (std::size_t i = 0; i + 1 < std::size(positions); i += 2) {
            const float x = positions[i], y = positions[i + 1];
            const tt::Image all = frame(x, y, true), culled = frame(x, y, false);
            ASSERT_EQ(std::make_pair(all.width, all.height), std::make_pair(w, h));
            EXPECT_TRUE(all.rgb == culled.rgb) << "camera over " << x << ", " << y << " in " << w << "x" << h;
            for (std::size_t at = 0; at + 2 < all.rgb.size(); at += 3 * 97)
                colours.emplace(all.rgb[at], all.rgb[at + 1], all.rgb[at + 2]);
        }
        EXPECT_GE(colours.size(), 8u) << "the frames should show the map's tiles and background";
    }
}

// A target that can't be loaded (no file, a broken file, no tile set) is read before anything current is
// touched, so it changes nothing; it is reported once per arrival, not once per frame. The room is 5 by 2
// on a dark blue background. Exits on world row 1: (1, 1) to a missing map, (2, 1) to a map without its
// tile set, (3, 1) to a short file, two on (4, 1) of which the first goes to hall.map.
TEST_F(World, ExitsToATargetThatCantBeLoadedAreReportedOncePerArrivalAndChangeNothing) {
    tt::WriteFile(Resource("hall.map"),
                  Resource("tiles.tga\n5\n1\n0\n0\n0\n0\n0 0 0\n\n1 0 1 0 1\nsep\n0\n"));
    tt::WriteFile(Resource("untiled.map"), Resource("none.tga\n1\n1\n0\n0\n0\n0\n200 0 0\n\n0\nsep\n0\n"));
    tt::WriteFile(Resource("short.map"),
                  Resource("tiles.tga\n2\n2\n0\n0\n0\n0\n200 0 0\n\n0 0\n0 0\nsep\n0 0\n"));
    const std::string room =
        "tiles.tga\n5\n2\n0.5\n0.5\n0\n5\n0 0 64\n\n0 0 0 0 0\n0 0 0 0 0\nsep\n0 0 0 0 0\n"
        "0 0 0 0 0\nsep\n1 1 0.5 0.5 nowhere.map\n2 1 0.5 0.5 untiled.map\n"
        "3 1 0.5 0.5 short.map\n4 1 3.25 1.75 hall.map\n4 1 0.5 0.5 room.map\n";
    Load("room.map", Resource(room));
    avatar.map = "room.map";
    std::vector<std::string> announced; // what the server would be told
    const auto exit = [&announced] {
        return detect_entity([&announced](const std::string& target) { announced.push_back(target); });
    };
    const auto current = [] {
        return std::tuple(map, tiles, tiles[0].texture, MAP_SIZEX, MAP_SIZEY, numentities, entities);
    };
    const auto before = current();
    const std::string image = "Failed to load the image \"" + Resource("none.tga") + "\"";
    const struct {
        float x, y;
        std::string why, first; // the report's end, and the line before it if any; none when why is empty
    } steps[] = {
        {1.5f, 1.5f, "nowhere.map\": the file can't be opened\n", ""},
        {1.1f, 1.9f, "", ""}, // moving about on the same cell is the same arrival
        {0.5f, 1.5f, "", ""}, // leaving and coming back is a new one
        {1.5f, 1.5f, "nowhere.map\": the file can't be opened\n", ""},
        {2.5f, 1.5f, "untiled.map\": its tile set \"" + Resource("none.tga") + "\" can't be loaded\n", image},
        {3.5f, 1.5f, "short.map\": the file ends after 13 lines, its header promises 14\n", ""},
    };
    for (const auto& s : steps) {
        avatar.charposx = s.x;
        avatar.charposy = s.y;
        testing::internal::CaptureStderr();
        for (int frame = 0; frame < 3; ++frame)
            EXPECT_FALSE(exit());
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string line = s.why.empty() ? "" : "Failed to load the map \"" + Resource(s.why);
        EXPECT_EQ(err.rfind(s.first, 0), 0u) << err;
        EXPECT_EQ(err.find(line), err.size() - line.size()) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), !s.why.empty() + !s.first.empty()) << err;
        EXPECT_TRUE(avatar.map == "room.map" && avatar.charposx == s.x && avatar.charposy == s.y)
            << avatar.map;
        EXPECT_EQ(current(), before);
    }
    EXPECT_TRUE(announced.empty()); // the server hears of none of it
    // The room's tiles and background are still drawn.
    ExpectAt(2.5f, 1.5f, {{320, 300, kRed}, {10, 470, kBack}});

    // A working exit still works afterwards: the first of the two on its cell. The hall's tile set has the
    // room's file name but is read again (the file has changed), and the room's textures go.
    const GLuint first = tiles[0].texture, last = tiles[numtiles - 1].texture;
    WriteTga(Resource("tiles.tga"), 32, 16, [](int x, int) { return x < 16 ? kBlue : kWhite; });
    avatar.charposx = 4.9f;
    avatar.charposy = 1.1f;
    ASSERT_TRUE(exit());
    EXPECT_EQ(announced, std::vector<std::string>{"hall.map"});
    EXPECT_EQ(std::make_tuple(avatar.map, avatar.charposx, avatar.charposy, MAP_SIZEX),
              std::make_tuple(std::string("hall.map"), 3.25f, 1.75f, 5));
    EXPECT_FALSE(exit()); // the hall has no exits
    EXPECT_FALSE(glIsTexture(first) || glIsTexture(last));
    // The hall's cells 1 and 2 (x 256 and 320) hold tiles 0 and 1, its black background above them.
    ExpectAt(2.5f, 0.5f, {{256, 300, kBlue}, {320, 300, kWhite}, {320, 470, kBlack}});
}

} // namespace
