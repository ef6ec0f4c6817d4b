// A temporary folder holding Tavrel.app/Contents/Resources/ with a small tile set and maps made by
// the test, made the working directory so the game's relative paths resolve there, and a window to
// draw the world in.
#pragma once

#include "core/character.h"
#include "core/map.h"
#include "frame/framework.h"
#include "tests/graphics/imagefile.h"
#include "world/tiling.h"

#include <GL/gl.h>

#include <filesystem>
#include <tuple>

namespace tworld {

using namespace timg;

const Rgba kGray{128, 128, 128, 255}, kOrange{255, 128, 0, 255};

// "tiles.tga", 56 by 40: 3 by 2 whole tiles (0 red, 1 green, 2 half-clear blue, 3 clear yellow, 4 white /
// black over magenta / cyan, 5 gray) and orange strips that no tile may show.
inline Rgba TileSetPixel(int x, int y) {
    const Rgba quarters[4] = {kWhite, kBlack, {255, 0, 255, 255}, {0, 255, 255, 255}};
    const Rgba tiles[6] = {kRed, kGreen, {0, 0, 255, 128}, {255, 255, 0, 0}, {}, kGray};
    if (x >= 48 || y >= 32) return kOrange;
    const int index = (y / 16) * 3 + x / 16;
    return index == 4 ? quarters[(y % 16) / 8 * 2 + (x % 16) / 8] : tiles[index];
}

class WorldFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/world_testXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder_ = dir;
        oldcwd_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_);
        WriteTga(Resource("tiles.tga"), 56, 40, TileSetPixel);
    }
    void TearDown() override {
        FreeMap();
        FreeTileSet();
        std::filesystem::current_path(oldcwd_);
        std::filesystem::remove_all(folder_);
    }
    static std::string Resource(const std::string& name) { return "Tavrel.app/Contents/Resources/" + name; }
    static void WriteMap(const std::string& name, const std::string& text) {
        tt::WriteFile(Resource(name), text);
    }
    // Writes the map and makes it the current one.
    static void Load(const std::string& name, const std::string& text) {
        WriteMap(name, text);
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
    std::filesystem::path folder_, oldcwd_;
};

} // namespace tworld
