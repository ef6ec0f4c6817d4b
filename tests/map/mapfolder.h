// A temporary folder with a small tile set and maps for the map tool tests, and the map and
// picture readers they share with the generator's tests.
#pragma once

#include "tests/core/maptext.h"
#include "tests/graphics/imagefile.h"
#include "tools/map/maptool.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tmap {

using tt::ReadFile;
using tt::WriteFile;
const std::string kResources = std::string(TAVREL_SOURCE_DIR) + "/resources/";
const char* const kShipped[] = {"main.map", "house.map", "forest.map"};

inline maptool::Picture Load(const std::string& path) {
    maptool::Picture picture;
    std::string why;
    EXPECT_TRUE(maptool::LoadPicture(path, picture, why)) << path << ": " << why;
    return picture;
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

// A new map as Tiled saves it: its tile set in village.tsx beside it (see kVillageTsx), csv
// layers, no second layer and no exits, the start as custom properties, the background as the
// map's colour.
inline std::string TiledMap(int width, int height, const std::string& startx, const std::string& starty,
                            const std::string& ground_csv, const std::string& block_csv) {
    std::string tmx = R"(<?xml version="1.0" encoding="UTF-8"?>
<map version="1.8" tiledversion="1.8.2" orientation="orthogonal" renderorder="right-down" $SIZE tilewidth="16" tileheight="16" infinite="0" backgroundcolor="#203040" nextlayerid="3" nextobjectid="1">
 <properties>
  <property name="startx" type="float" value="$STARTX"/>
  <property name="starty" type="float" value="$STARTY"/>
 </properties>
 <tileset firstgid="1" source="village.tsx"/>
 <layer id="1" name="ground" $SIZE>
  <data encoding="csv">
$GROUND
</data>
 </layer>
 <layer id="2" name="block" $SIZE opacity="0.5">
  <data encoding="csv">
$BLOCK
</data>
 </layer>
</map>
)";
    const std::string size =
        "width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\"";
    const std::pair<std::string, std::string> fills[] = {{"$SIZE", size},
                                                         {"$STARTX", startx},
                                                         {"$STARTY", starty},
                                                         {"$GROUND", ground_csv},
                                                         {"$BLOCK", block_csv}};
    for (const auto& [key, value] : fills)
        for (std::size_t at = tmx.find(key); at != std::string::npos; at = tmx.find(key, at + value.size()))
            tmx.replace(at, key.size(), value);
    return tmx;
}

const char* const kVillageTsx = R"(<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.8" tiledversion="1.8.2" name="village" tilewidth="16" tileheight="16" tilecount="192" columns="16">
 <image source="tiles.tga" width="256" height="192"/>
</tileset>
)";

#ifdef TAVREL_MAP // the generator's tests read pictures and maps only
// Runs tavrel-map with args (shell words); its exit code, standard output and error in *out.
inline int Tool(const std::string& args, std::string* out = nullptr) {
    return tt::Sh(tt::ShellQuote(TAVREL_MAP) + " " + args + " 2>&1", out);
}
#endif

// Runs Tiled from Debian in dir without a display, with a private home and the configuration
// (extensions) in dir/config: tiled --export-map FORMAT from to, its output on standard output.
inline std::string TiledExport(const std::string& dir, const std::string& format, const std::string& from,
                               const std::string& to) {
    return "cd '" + dir +
           "' && mkdir -p home && chmod 700 home && HOME=$PWD/home XDG_CONFIG_HOME=$PWD/config "
           "XDG_RUNTIME_DIR=$PWD/home QT_QPA_PLATFORM=offscreen timeout 60 tiled --export-map " +
           format + " " + from + " " + to + " 2>&1";
}

// The folder holds tiles.tga, 32 by 32 pixels of four plain tiles: 0 opaque red, 1 blue at alpha
// 128, 2 green at alpha 0, 3 opaque white; and the rooms a.map and b.map.
class MapFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        const timg::Rgba colours[4] = {timg::kRed, {0, 0, 255, 128}, {0, 255, 0, 0}, timg::kWhite};
        timg::WriteTga(dir_ + "tiles.tga", 32, 32,
                       [&](int x, int y) { return colours[(y / 16) * 2 + x / 16]; });
        WriteFile(dir_ + "a.map", Room("b.map", "1.5 2.5"));
        WriteFile(dir_ + "b.map", Room("a.map", "2.5 1.5"));
    }
    const tt::TempDir tmp_;
    const std::string& dir_ = tmp_.path;
};

} // namespace tmap
