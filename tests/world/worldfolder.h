// A temporary folder holding Tavrel.app/Contents/Resources/ with a small tile set and maps
// made by the test, made the working directory so the game's relative paths resolve there.
#pragma once

#include "tests/graphics/imagefile.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace tworld {

using timg::Rgba;

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kHalfBlue{0, 0, 255, 128},
    kClearYellow{255, 255, 0, 0}, kGray{128, 128, 128, 255}, kWhite{255, 255, 255, 255},
    kBlack{0, 0, 0, 255}, kMagenta{255, 0, 255, 255}, kCyan{0, 255, 255, 255}, kBlue{0, 0, 255, 255},
    kOrange{255, 128, 0, 255};

// The colour of pixel (x, y) of the test tile set "tiles.tga": 56 by 40 pixels, 3 by 2 whole
// tiles (0 red, 1 green, 2 half-transparent blue, 3 fully transparent yellow, 4 quartered
// white / black over magenta / cyan, 5 gray) and orange strips that no tile may show.
inline Rgba TileSetPixel(int x, int y) {
    if (x >= 48 || y >= 32) return kOrange;
    const int index = (y / 16) * 3 + x / 16;
    const int u = x % 16, v = y % 16;
    switch (index) {
    case 0: return kRed;
    case 1: return kGreen;
    case 2: return kHalfBlue;
    case 3: return kClearYellow;
    case 4: return v < 8 ? (u < 8 ? kWhite : kBlack) : (u < 8 ? kMagenta : kCyan);
    default: return kGray;
    }
}

inline void WriteImage(const std::string& path, int w, int h, Rgba (*pixel)(int, int)) {
    std::vector<Rgba> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels.push_back(pixel(x, y));
    timg::WriteTga(path, w, h, pixels, true);
}

class WorldFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/world_testXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder_ = dir;
        char cwd[PATH_MAX];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        oldcwd_ = cwd;
        ASSERT_EQ(chdir(folder_.c_str()), 0);
        WriteImage(Resource("tiles.tga"), 56, 40, TileSetPixel);
    }
    void TearDown() override {
        if (chdir(oldcwd_.c_str()) != 0) ADD_FAILURE() << "can't return to " << oldcwd_;
        if (!HasFailure()) tt::Sh("rm -rf '" + folder_ + "'");
        else std::printf("test folder kept: %s\n", folder_.c_str());
    }
    static std::string Resource(const std::string& name) { return "Tavrel.app/Contents/Resources/" + name; }
    static void WriteMap(const std::string& name, const std::string& text) { tt::WriteFile(Resource(name), text); }

    std::string folder_, oldcwd_;
};

} // namespace tworld
