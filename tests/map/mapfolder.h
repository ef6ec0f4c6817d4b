// A temporary folder with a small tile set and maps for the map tool tests.
#pragma once

#include "tools/artgen/tga.h"
#include "tools/map/maptool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace tmap {

inline void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A 32 by 32 pixel tile set of four plain tiles, RGBA: 0 opaque red, 1 blue at alpha 128,
// 2 green at alpha 0, 3 opaque white. Written as TGA with the TrueVision 2.0 footer, which
// Tiled's image reader needs.
inline std::string TileSetTga() {
    const std::uint8_t colours[4][4] = {
        {255, 0, 0, 255}, {0, 0, 255, 128}, {0, 255, 0, 0}, {255, 255, 255, 255}};
    Canvas tiles(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const std::uint8_t* c = colours[(y / 16) * 2 + x / 16];
            tiles.Put(x, y, c[0], c[1], c[2], c[3]);
        }
    return TgaBytes(tiles, true);
}

// Two clean 5 by 4 maps on that tile set that lead to each other: a walled room, free inside,
// with its exit on the free edge cell (4, 1) of the right wall.
inline std::string Room(const std::string& target, const std::string& arrival) {
    return "Tavrel.app/Contents/Resources/tiles.tga\n5\n4\n1.5\n1.5\n1\n1\n0 0 64\nground\n"
           "3 3 3 3 3\n3 0 0 0 3\n3 0 0 0 0\n3 3 3 3 3\nblock\n"
           "1 1 1 1 1\n1 0 0 0 1\n1 0 0 0 0\n1 1 1 1 1\nlayer2\n"
           "-1 -1 -1 -1 -1\n-1 -1 1 -1 -1\n-1 -1 -1 -1 -1\n-1 -1 -1 -1 -1\nexits\n"
           "4 1 " +
           arrival + " " + target + "\n";
}

class MapFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char templ[] = "/tmp/tavrel-maptest-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir_ = std::string(templ) + "/";
        Write(dir_ + "tiles.tga", TileSetTga());
        Write(dir_ + "a.map", Room("b.map", "1.5 2.5"));
        Write(dir_ + "b.map", Room("a.map", "2.5 1.5"));
    }
    void TearDown() override {
        if (!HasFailure()) std::system(("rm -rf " + dir_).c_str());
    }
    std::string dir_;
};

} // namespace tmap
