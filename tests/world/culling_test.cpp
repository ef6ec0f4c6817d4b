// Drawing only the cells that can show gives exactly the picture of drawing every cell: wherever
// the camera stands, on the map, at its edges and corners, far beyond them, and in windows of other
// shapes.
#include "tests/world/worldfolder.h"

#include <SDL.h>

#include <random>
#include <set>

namespace {

using namespace tworld;

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

class Culling : public WorldFolder {
  protected:
    void TearDown() override {
        drawallcells = false;
        WorldFolder::TearDown();
    }
    tt::Image Frame(float x, float y, bool all) {
        drawallcells = all;
        DrawAt(x, y);
        return window_.ReadBack();
    }
};

TEST_F(Culling, SamePictureAsDrawingEveryCellWhereverTheCameraStandsInWindowsOfAnyShape) {
    Load("patchwork.map", PatchworkMap());
    // The middle, the corners and edges, just inside and outside the last cells that show, far
    // away, and odd fractions.
    const float positions[] = {20.5f,   15.5f,   0,       0,       40,     30,     0,       30,     40,
                               0,       0.01f,   15,      39.99f,  15,     20,     0.01f,   20,     29.99f,
                               -3.7f,   12.2f,   43.6f,   31.3f,   -4.99f, -3.74f, 44.99f,  36.24f, -5.01f,
                               10,      45.01f,  10,      20,      -3.76f, 20,     36.26f,  -300,   -200,
                               5000.5f, 9000.5f, 7.3333f, 4.6667f, 13.0f,  12.25f, 26.999f, 18.751f};
    for (const auto& [w, h] : {std::pair{640, 480}, {900, 300}, {300, 700}, {1023, 767}}) {
        // As the game does on a resize: a new video mode, then the viewport.
        ASSERT_NE(SDL_SetVideoMode(w, h, 16, SDL_OPENGL | SDL_RESIZABLE), nullptr);
        resizeWindow(w, h);
        std::set<std::tuple<int, int, int>> colours;
        for (std::size_t i = 0; i + 1 < std::size(positions); i += 2) {
            const float x = positions[i], y = positions[i + 1];
            const tt::Image all = Frame(x, y, true), culled = Frame(x, y, false);
            ASSERT_EQ(std::make_pair(all.width, all.height), std::make_pair(w, h));
            EXPECT_TRUE(all.rgb == culled.rgb) << "camera over " << x << ", " << y << " in " << w << "x" << h;
            for (std::size_t at = 0; at + 2 < all.rgb.size(); at += 3 * 97)
                colours.emplace(all.rgb[at], all.rgb[at + 1], all.rgb[at + 2]);
        }
        EXPECT_GE(colours.size(), 8u) << "the frames should show the map's tiles and background";
    }
}

} // namespace
