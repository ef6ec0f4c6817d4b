// The author's loop end to end: a map drawn in Tiled is imported, checked, copied into the
// resource folder and given an exit from the village; the real client walks into it.
#include "tests/map/mapfolder.h"
#include "tests/support/support.h"

#include <cstdio>
#include <tuple>

namespace {

using namespace tmap;
using namespace tt;

TEST(AuthorsLoop, AMapDrawnInTiledIsWalkedIntoFromTheVillage) {
    ClientSession run("Eve", 1);
    const std::string resources = run.box.Resource("");
    // An 8 by 6 meadow: grass inside a ring of trees that blocks.
    std::string ground, block;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool edge = x == 0 || y == 0 || x == 7 || y == 5;
            ground += edge ? ",96" : ",15";
            block += edge ? ",1" : ",0";
        }
    WriteFile(resources + "village.tsx", kVillageTsx);
    WriteFile(resources + "drawn.tmx", TiledMap(8, 6, "2.5", "2.5", ground.substr(1), block.substr(1)));
    // Tiled saves through its own writer first, so the file the tool reads is Tiled's.
    std::string out;
    ASSERT_EQ(Sh(TiledExport(resources, "tmx", "drawn.tmx", "meadow.tmx"), &out), 0) << out;
    ASSERT_EQ(Tool("import " + resources + "meadow.tmx -o " + resources + "meadow.map", &out), 0) << out;

    // An exit from the village: the cell two steps right of the start leads to the meadow.
    MapData village;
    std::string why;
    ASSERT_TRUE(maptool::ReadMapFile(resources + "main.map", village, why)) << why;
    village.entities.insert(village.entities.begin(),
                            {static_cast<int>(village.startposx) + 2, static_cast<int>(village.startposy),
                             2.5f, 3.5f, "meadow.map"});
    WriteFile(resources + "main.map", Written(village));
    EXPECT_EQ(Tool("check " + resources + "meadow.map " + resources + "main.map", &out), 0) << out;

    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.peer.ReadUntil("3|", 5s));
    run.Hold("d", 1200); // the exit starts 1.5 units to the right
    EXPECT_EQ(run.peer.ReadUntil("4|", 5s), "4|Eve|meadow.map");
    const auto arrival = run.peer.Next(2s).value_or("none");
    float x = 0, y = 0;
    char map[64] = "";
    ASSERT_EQ(std::sscanf(arrival.c_str(), "3|Eve|%f|%f|%*d|%*d|%*d|%*d|%63s", &x, &y, map), 3) << arrival;
    EXPECT_EQ(std::tuple(x, y, std::string(map)), std::tuple(2.5f, 3.5f, std::string("meadow.map")));
}

} // namespace
