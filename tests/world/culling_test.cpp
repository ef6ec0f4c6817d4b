// Drawing only the cells that can show gives exactly the picture of drawing every cell:
// wherever the camera stands, on the map, at its edges and corners, far beyond them, and in
// windows of other shapes.
#include "core/map.h"
#include "frame/framework.h"
#include "world/tiling.h"

#include "characters/characters.h"
#include "tests/world/worldfolder.h"

#include <GL/gl.h>
#include <SDL.h>

#include <random>
#include <set>

namespace {

using namespace tworld;

// 40 by 30, every cell a tile chosen at random (some naming no tile), a second layer half empty.
std::string PatchworkMap() {
    std::mt19937 rng(12);
    std::uniform_int_distribution<int> ground(0, 6), second(-6, 6);
    std::string rows[2];
    for (int layer = 0; layer < 2; ++layer) {
        for (int i = 0; i < 40 * 30; ++i)
            rows[layer] +=
                std::to_string(layer == 0 ? ground(rng) : second(rng)) + (i % 40 == 39 ? "\n" : " ");
    }
    std::string block;
    for (int i = 0; i < 40 * 30; ++i)
        block += std::string("0") + (i % 40 == 39 ? "\n" : " ");
    return "Tavrel.app/Contents/Resources/tiles.tga\n40\n30\n5\n5\n1\n0\n10 20 30\n\n" + rows[0] + "sep\n" +
           block + "sep\n" + rows[1];
}

class Culling : public WorldFolder {
  protected:
    void SetUp() override {
        WorldFolder::SetUp();
        WriteMap("patchwork.map", PatchworkMap());
        ASSERT_EQ(LoadMap("patchwork.map"), 1);
    }
    void TearDown() override {
        drawallcells = false;
        FreeMap();
        FreeTileSet();
        WorldFolder::TearDown();
    }
    tt::Image Frame(float x, float y, bool all) {
        drawallcells = all;
        avatar.charposx = x;
        avatar.charposy = y;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        DrawWorld();
        return window_.ReadBack();
    }
    // Culled and whole frames at every position; returns how many distinct colours were seen,
    // so a test can tell that the frames showed the map and not only the background.
    std::size_t ExpectSame(int width, int height) {
        // The middle, the corners and edges, just inside and outside the last cells that show,
        // far away, and odd fractions.
        const float positions[] = {
            20.5f,  15.5f,  0,      0,       40,      30,      0,       30,    40,     0,       0.01f,
            15,     39.99f, 15,     20,      0.01f,   20,      29.99f,  -3.7f, 12.2f,  43.6f,   31.3f,
            -4.99f, -3.74f, 44.99f, 36.24f,  -5.01f,  10,      45.01f,  10,    20,     -3.76f,  20,
            36.26f, -300,   -200,   5000.5f, 9000.5f, 7.3333f, 4.6667f, 13.0f, 12.25f, 26.999f, 18.751f};
        std::set<std::tuple<int, int, int>> colours;
        for (std::size_t i = 0; i + 1 < std::size(positions); i += 2) {
            const float p[2] = {positions[i], positions[i + 1]};
            const tt::Image all = Frame(p[0], p[1], true);
            const tt::Image culled = Frame(p[0], p[1], false);
            EXPECT_EQ(all.width, width);
            EXPECT_EQ(all.height, height);
            EXPECT_TRUE(all.rgb == culled.rgb)
                << "camera over " << p[0] << ", " << p[1] << " in " << width << "x" << height;
            for (std::size_t at = 0; at + 2 < all.rgb.size(); at += 3 * 97)
                colours.emplace(all.rgb[at], all.rgb[at + 1], all.rgb[at + 2]);
        }
        return colours.size();
    }
    tt::GlWindow window_;
};

TEST_F(Culling, SamePictureAsDrawingEveryCellWhereverTheCameraStands) {
    EXPECT_GE(ExpectSame(640, 480), 8u) << "the frames should show the map's tiles and background";
}

TEST_F(Culling, SamePictureAfterTheWindowChangesShape) {
    for (const auto& [w, h] : {std::pair{900, 300}, {300, 700}, {1023, 767}}) {
        // As the game does on a resize: a new video mode, then the viewport.
        ASSERT_NE(SDL_SetVideoMode(w, h, 16, SDL_OPENGL | SDL_RESIZABLE), nullptr);
        resizeWindow(w, h);
        EXPECT_GE(ExpectSame(w, h), 8u) << w << "x" << h;
    }
}

} // namespace
