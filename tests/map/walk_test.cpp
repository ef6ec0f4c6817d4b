// The author's loop end to end: a map drawn in Tiled is imported, checked, copied into the
// resource folder and given an exit from the village; the real client walks into it.
#include "tests/map/mapfolder.h"
#include "tests/support/support.h"

#include <cstdio>
#include <sstream>

namespace {

using namespace tmap;
using namespace tt;

// An 8 by 6 meadow as Tiled saves a new map: its tile set in a .tsx file of its own, the layers
// as zlib-compressed base64, the start and the exits' targets as custom properties. Grass
// inside a ring of trees that blocks.
std::string MeadowTmx() {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<map version="1.8" tiledversion="1.8.2" orientation="orthogonal" renderorder="right-down" width="8" height="6" tilewidth="16" tileheight="16" infinite="0" backgroundcolor="#203040" nextlayerid="4" nextobjectid="1">
 <properties>
  <property name="startx" type="float" value="2.5"/>
  <property name="starty" type="float" value="2.5"/>
 </properties>
 <tileset firstgid="1" source="village.tsx"/>
 <layer id="1" name="ground" width="8" height="6">
  <data encoding="csv">
96,96,96,96,96,96,96,96,
96,15,15,15,15,15,15,96,
96,15,16,15,15,16,15,96,
96,15,15,15,16,15,15,96,
96,15,15,15,15,15,15,96,
96,96,96,96,96,96,96,96
</data>
 </layer>
 <layer id="2" name="block" width="8" height="6" opacity="0.5">
  <data encoding="csv">
1,1,1,1,1,1,1,1,
1,0,0,0,0,0,0,1,
1,0,0,0,0,0,0,1,
1,0,0,0,0,0,0,1,
1,0,0,0,0,0,0,1,
1,1,1,1,1,1,1,1
</data>
 </layer>
</map>
)";
}

const char* const kTileSet = R"(<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.8" tiledversion="1.8.2" name="village" tilewidth="16" tileheight="16" tilecount="192" columns="16">
 <image source="tiles.tga" width="256" height="192"/>
</tileset>
)";

TEST(AuthorsLoop, AMapDrawnInTiledIsWalkedIntoFromTheVillage) {
    ClientSession run("Eve", 1);
    const std::string resources = run.box.Resource("");
    // Tiled saves through its own writer first, so the file the tool reads is Tiled's.
    Write(resources + "village.tsx", kTileSet);
    Write(resources + "drawn.tmx", MeadowTmx());
    const std::string tool = ShellQuote(TAVREL_MAP) + " ";
    std::string out;
    ASSERT_EQ(Sh("cd " + ShellQuote(resources) +
                     " && mkdir -p h && chmod 700 h && HOME=$PWD/h XDG_RUNTIME_DIR=$PWD/h "
                     "QT_QPA_PLATFORM=offscreen timeout 60 tiled --export-map tmx drawn.tmx meadow.tmx 2>&1",
                 &out),
              0)
        << out;
    ASSERT_EQ(Sh(tool + "import " + ShellQuote(resources + "meadow.tmx") + " -o " +
                     ShellQuote(resources + "meadow.map") + " 2>&1",
                 &out),
              0)
        << out;

    // An exit from the village: the cell two steps right of the start leads to the meadow.
    MapData village;
    std::string why;
    ASSERT_TRUE(maptool::ReadMapFile(resources + "main.map", village, why)) << why;
    entity_t exit;
    exit.posx = static_cast<int>(village.startposx) + 2;
    exit.posy = static_cast<int>(village.startposy);
    exit.newposx = 2.5f;
    exit.newposy = 3.5f;
    exit.newmap = "meadow.map";
    village.entities.insert(village.entities.begin(), exit);
    std::ostringstream text;
    WriteMap(text, village);
    Write(resources + "main.map", text.str());
    EXPECT_EQ(Sh(tool + "check " + ShellQuote(resources + "meadow.map") + " " +
                     ShellQuote(resources + "main.map") + " 2>&1",
                 &out),
              0)
        << out;

    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.peer.ReadUntil("3|", 5s));
    run.Hold("d", 1200); // the exit starts 1.5 units to the right
    EXPECT_EQ(run.peer.ReadUntil("4|", 5s), "4|Eve|meadow.map");
    const auto arrival = run.peer.ReadMessage(2s).value_or("none");
    float x = 0, y = 0;
    char map[64] = "";
    ASSERT_EQ(std::sscanf(arrival.c_str(), "3|Eve|%f|%f|%*d|%*d|%*d|%*d|%63s", &x, &y, map), 3) << arrival;
    EXPECT_EQ(std::string(map), "meadow.map");
    EXPECT_FLOAT_EQ(x, 2.5f);
    EXPECT_FLOAT_EQ(y, 3.5f);
}

} // namespace
