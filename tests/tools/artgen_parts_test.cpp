// The generator's parts on small cases: the tile recipes' footprints and the map checker's
// refusals.
#include "tools/artgen/map_check.h"
#include "tools/artgen/world_maps.h"
#include "tools/artgen/world_tiles.h"
#include "core/map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

namespace {

bool TileInked(const Canvas& sheet, int tile, bool* opaque) {
    bool inked = false;
    *opaque = true;
    for (int y = 0; y < TILE_PIXELS; ++y)
        for (int x = 0; x < TILE_PIXELS; ++x) {
            const int a =
                sheet.At(tile % kTilesPerRow * TILE_PIXELS + x, tile / kTilesPerRow * TILE_PIXELS + y)[3];
            inked = inked || a != 0;
            *opaque = *opaque && a == 255;
        }
    return inked;
}

// A picture bigger than a tile covers the tiles right of and below its index: no two recipes may
// claim one tile, nor run off the sheet or wrap into the next row.
TEST(TileRecipes, FootprintsStayOnTheSheetAndNeverOverlap) {
    std::set<int> claimed;
    for (const TileRecipe& r : kTileRecipes)
        for (int v = 0; v < r.count; ++v) {
            const Canvas c = r.draw(v);
            const int first = r.first + v, across = c.width / TILE_PIXELS, down = c.height / TILE_PIXELS;
            SCOPED_TRACE("tile " + std::to_string(first));
            ASSERT_TRUE(c.width % TILE_PIXELS == 0 && c.height % TILE_PIXELS == 0 && across > 0 && down > 0);
            ASSERT_LE(first % kTilesPerRow + across, kTilesPerRow);
            ASSERT_LE(first / kTilesPerRow + down, kTileRows);
            for (int dy = 0; dy < down; ++dy)
                for (int dx = 0; dx < across; ++dx)
                    EXPECT_TRUE(claimed.insert(first + dy * kTilesPerRow + dx).second) << "drawn twice";
        }
}

// Every tile a map names is drawn; a ground tile has no holes the background would show through.
TEST(TileRecipes, EveryTileTheMapsUseIsDrawnAndGroundIsOpaque) {
    const Canvas sheet = DrawWorldTiles();
    ASSERT_EQ(sheet.width, kTilesPerRow * TILE_PIXELS);
    ASSERT_EQ(sheet.height, kTileRows * TILE_PIXELS);
    for (const NamedMap& named : BuildWorldMaps()) {
        const MapData& m = named.data;
        for (std::size_t i = 0; i < m.ground.size(); ++i) {
            bool opaque = false;
            ASSERT_TRUE(TileInked(sheet, m.ground[i], &opaque) && opaque)
                << named.name << " ground tile " << m.ground[i] << " at cell " << i;
            if (m.second[i] >= 0) {
                ASSERT_TRUE(TileInked(sheet, m.second[i], &opaque))
                    << named.name << " second-layer tile " << m.second[i] << " at cell " << i;
            }
        }
    }
}

// Index of cell (col, row), row 0 at the top.
std::size_t Cell(const MapData& m, int col, int row) {
    return static_cast<std::size_t>(row * m.sizex + col);
}

// A 5 by 4 walled village with one way out east into a 3 by 3 room, and the room.
std::vector<NamedMap> TinyWorld() {
    auto walled = [](const std::string& name, int w, int h, float sx, float sy) {
        NamedMap named{name, {}};
        MapData& m = named.data;
        m.sizex = w, m.sizey = h, m.startposx = sx, m.startposy = sy, m.layer2 = 1;
        const std::size_t cells = static_cast<std::size_t>(w * h);
        m.ground.assign(cells, 0);
        m.second.assign(cells, -1);
        m.block.assign(cells, 0);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                m.block[Cell(m, c, r)] = (r == 0 || c == 0 || r == h - 1 || c == w - 1);
        return named;
    };
    NamedMap main = walled("main.map", 5, 4, 2.5f, 1.5f);
    main.data.block[Cell(main.data, 4, 1)] = 0;
    main.data.entities.push_back({4, 2, 1.5f, 1.5f, "room.map"});
    return {main, walled("room.map", 3, 3, 1.5f, 1.5f)};
}

TEST(MapCheck, RefusesEveryWayAMapCanTrapOrStrandThePlayer) {
    std::string error;
    ASSERT_TRUE(CheckWorldMaps(TinyWorld(), kTileCount, &error)) << error;
    const struct {
        const char* what;
        std::function<void(MapData& main, MapData& room)> breakit;
        const char* error;
    } cases[] = {
        {"no columns", [](MapData& m, MapData&) { m.sizex = 0; }, "main.map: bad size"},
        {"too tall", [](MapData& m, MapData&) { m.sizey = kMaxMapSide + 1; }, "main.map: bad size"},
        {"short grid", [](MapData& m, MapData&) { m.block.pop_back(); }, "grid sizes differ"},
        {"no second layer", [](MapData& m, MapData&) { m.layer2 = 0; }, "grid sizes differ"},
        {"ground tile", [](MapData& m, MapData&) { m.ground[6] = kTileCount; },
         "ground tile out of range at column 1 row 1"},
        {"negative ground", [](MapData& m, MapData&) { m.ground[0] = -1; }, "ground tile out of range"},
        {"second layer", [](MapData& m, MapData&) { m.second[0] = kTileCount; },
         "second-layer tile out of range"},
        {"block value", [](MapData& m, MapData&) { m.block[0] = 2; }, "block value not 0 or 1"},
        {"background", [](MapData& m, MapData&) { m.background[2] = 256; }, "background colour out of range"},
        {"start in a wall", [](MapData& m, MapData&) { m.startposx = 1.1f; }, "start position blocked"},
        // The feet stand on a free cell of the top row, the player above the map.
        {"start off the map", [](MapData& m, MapData&) { m.block[Cell(m, 2, 0)] = 0, m.startposy = 4.1f; },
         "start position blocked"},
        {"start on the exit", [](MapData& m, MapData&) { m.entities[0].posy = 1, m.entities[0].posx = 2; },
         "start on an exit"},
        {"gap in the wall", [](MapData& m, MapData&) { m.block[Cell(m, 0, 2)] = 0; },
         "the edge can be reached at column 0 row 2"},
        {"walled-off exit", [](MapData& m, MapData&) { m.block[Cell(m, 3, 1)] = m.block[Cell(m, 3, 2)] = 1; },
         "exit at 4,2 can't be reached from the start"},
        {"exit on a wall", [](MapData& m, MapData&) { m.block[Cell(m, 4, 1)] = 1; },
         "exit at 4,2 on a blocked cell"},
        {"exit off the grid",
         [](MapData& m, MapData&) { m.entities[0].posx = 5, m.block[Cell(m, 4, 1)] = 1; },
         "exit at 5,2 off the grid"},
        {"unknown map", [](MapData& m, MapData&) { m.entities[0].newmap = "nowhere.map"; },
         "leads to an unknown map nowhere.map"},
        {"arrival in a wall", [](MapData& m, MapData&) { m.entities[0].newposx = 0.5f; },
         "lands on a blocked place"},
        {"arrival on an exit",
         [](MapData&, MapData& r) {
             r.entities.push_back({1, 1, 2.5f, 1.5f, "main.map"});
         },
         "lands on an exit of room.map"},
        {"arrival out of reach", [](MapData&, MapData& r) { r.startposy = 0.5f; },
         "lands where the start of room.map can't reach"},
    };
    for (const auto& k : cases) {
        std::vector<NamedMap> world = TinyWorld();
        k.breakit(world[0].data, world[1].data);
        error.clear();
        EXPECT_FALSE(CheckWorldMaps(world, kTileCount, &error)) << k.what;
        EXPECT_NE(error.find(k.error), std::string::npos) << k.what << ": " << error;
    }
    std::vector<NamedMap> world = TinyWorld();
    world[0].name = "town.map";
    EXPECT_FALSE(CheckWorldMaps(world, kTileCount, &error));
    EXPECT_EQ(error, "main.map: missing");
}

} // namespace
