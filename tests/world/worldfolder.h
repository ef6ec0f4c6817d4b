// A temporary folder holding Tavrel.app/Contents/Resources/ with a small tile set and maps
// made by the test, made the working directory so the game's relative paths resolve there.
#pragma once

#include "tests/graphics/imagefile.h"

#include <filesystem>

namespace tworld {

using timg::Rgba;

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255}, kWhite{255, 255, 255, 255},
    kGray{128, 128, 128, 255}, kOrange{255, 128, 0, 255};

// "tiles.tga", 56 by 40: 3 by 2 whole tiles (0 red, 1 green, 2 half-clear blue, 3 clear yellow, 4 white /
// black over magenta / cyan, 5 gray) and orange strips that no tile may show.
inline Rgba TileSetPixel(int x, int y) {
    const Rgba quarters[4] = {kWhite, {0, 0, 0, 255}, {255, 0, 255, 255}, {0, 255, 255, 255}};
    const Rgba tiles[6] = {kRed, kGreen, {0, 0, 255, 128}, {255, 255, 0, 0}, {}, kGray};
    if (x >= 48 || y >= 32) return kOrange;
    const int index = (y / 16) * 3 + x / 16;
    return index == 4 ? quarters[(y % 16) / 8 * 2 + (x % 16) / 8] : tiles[index];
}

inline void WriteImage(const std::string& path, int w, int h, Rgba (*pixel)(int, int)) {
    std::vector<Rgba> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels.push_back(pixel(x, y));
    timg::WriteTga(path, w, h, pixels, true);
}

class WorldFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/world_testXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder_ = dir;
        oldcwd_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_);
        WriteImage(Resource("tiles.tga"), 56, 40, TileSetPixel);
    }
    void TearDown() override {
        std::filesystem::current_path(oldcwd_);
        std::filesystem::remove_all(folder_);
    }
    static std::string Resource(const std::string& name) { return "Tavrel.app/Contents/Resources/" + name; }
    static void WriteMap(const std::string& name, const std::string& text) {
        tt::WriteFile(Resource(name), text);
    }

    std::filesystem::path folder_, oldcwd_;
};

} // namespace tworld
