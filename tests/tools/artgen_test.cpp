// The generator reproduces the shipped files, its font fits the game's 10-pixel advance with a
// bolder second set, the characters' step frames move, and the world's maps are laid out to be
// explored; its parts on small cases: the tile recipes' footprints and the map checker's refusals.
#include "tests/map/mapfolder.h"
#include "tools/artgen/art.h"
#include "tools/artgen/geometry.h"
#include "tools/artgen/icon.h"
#include "tools/artgen/map_check.h"
#include "tools/artgen/world_maps.h"
#include "tools/artgen/world_tiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <set>
#include <string>
#include <vector>

namespace {

using tmap::kResources;
using tmap::Load;

// What a glyph looks like, coarsely: its inked box and its total coverage.
struct Ink {
    int left = GLYPH_SIZE, top = GLYPH_SIZE, right = -1, bottom = -1;
    long total = 0;
};

Ink GlyphInk(const maptool::Picture& font, int glyph) {
    Ink ink;
    const int cx = glyph % FONT_CELLS * GLYPH_SIZE, cy = glyph / FONT_CELLS * GLYPH_SIZE;
    for (int y = 0; y < GLYPH_SIZE; ++y)
        for (int x = 0; x < GLYPH_SIZE; ++x) {
            const int a = font.At(cx + x, cy + y)[3];
            if (a == 0) continue;
            ink.total += a;
            ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
        }
    return ink;
}

// Everything is compared byte for byte except the font (the icons too: zlib at a fixed level gives
// the same bytes on every run of one Debian release): FreeType's hinting and DejaVu's outlines
// move a glyph's edge pixels from one release to the next, so the font must only match glyph
// by glyph in where its ink lies and how much there is.
TEST(ArtgenOutput, MatchesTheShippedResources) {
    const tt::TempDir tmp;
    const std::string& out = tmp.path;
    ASSERT_TRUE(MakeWorldArt(out) && MakeFigureArt(out));
    ASSERT_TRUE(MakeIcons(out));
    std::vector<std::string> names(std::begin(tmap::kShipped), std::end(tmap::kShipped));
    names.insert(names.end(), {"tiles.tga", "Hero 1.tga", "chat.tga"});
    for (const int size : kIconSizes)
        names.push_back("icons/tavrel-" + std::to_string(size) + ".png");
    for (const std::string& name : names)
        EXPECT_TRUE(tt::ReadFile(out + name) == tt::ReadFile(kResources + name))
            << name << " differs from the shipped file";
    // The TGA and PNG writers: what a reader makes of their bytes is what was drawn.
    EXPECT_TRUE(Load(out + "tiles.tga").rgba == DrawWorldTiles().rgba);
    EXPECT_TRUE(Load(out + "icons/tavrel-48.png").rgba == DrawIcon(48).rgba);

    ASSERT_EQ(tt::ReadFile(out + "font.tga").substr(0, 18),
              tt::ReadFile(kResources + "font.tga").substr(0, 18))
        << "font.tga header";
    const maptool::Picture made = Load(out + "font.tga"), shipped = Load(kResources + "font.tga");
    std::vector<long> total; // ink of each shipped glyph, 128 * set + code - 32
    for (int glyph = 0; glyph < FONT_CELLS * FONT_CELLS; ++glyph) {
        const Ink a = GlyphInk(made, glyph), b = GlyphInk(shipped, glyph);
        SCOPED_TRACE("glyph " + std::to_string(glyph));
        total.push_back(b.total);
        // Ink right of the advance would be drawn over by, or over, the next letter.
        EXPECT_LT(std::max(a.right, b.right), 10);
        const bool printable = glyph % 128 > 0 && glyph % 128 < 95; // codes 33 to 126
        EXPECT_TRUE(printable ? b.total > 255 : b.total == 0);
        EXPECT_EQ(a.total == 0, b.total == 0);
        if (a.total == 0 || b.total == 0) continue;
        EXPECT_LE(std::abs(a.left - b.left), 1);
        EXPECT_LE(std::abs(a.right - b.right), 1);
        EXPECT_LE(std::abs(a.top - b.top), 1);
        EXPECT_LE(std::abs(a.bottom - b.bottom), 1);
        EXPECT_LE(std::abs(a.total - b.total), std::max(255L, b.total / 5));
    }
    // The second set is the bold one.
    const long regular = std::accumulate(total.begin() + 1, total.begin() + 95, 0L);
    EXPECT_GT(std::accumulate(total.begin() + 129, total.begin() + 223, 0L), regular + regular / 5);
}

// 4 by 2 blocks, one a character: 3 frames of 24 by 32 across, the 4 directions down.
TEST(HeroSheet, EightDifferentCharactersWhoseStepFramesMove) {
    const maptool::Picture sheet = Load(kResources + "Hero 1.tga");
    ASSERT_EQ(std::make_pair(sheet.width, sheet.height), std::make_pair(288, 256));
    // Pixel (x, y) of frame f facing direction d of block c.
    const auto at = [&](int c, int d, int f, int x, int y) {
        return sheet.At(c % 4 * 72 + f * 24 + x, c / 4 * 128 + d * 32 + y);
    };
    // Pixels (colour or alpha) in which one frame differs from another.
    const auto differ = [&](int c1, int d1, int f1, int c2, int d2, int f2) {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 24; ++x)
                n += !std::equal(at(c1, d1, f1, x, y), at(c1, d1, f1, x, y) + 4, at(c2, d2, f2, x, y));
        return n;
    };
    for (int block = 0; block < 8; ++block)
        for (int dir = 0; dir < 4; ++dir)
            for (const auto& [f, g] : {std::pair{0, 1}, {2, 1}, {0, 2}})
                EXPECT_GT(differ(block, dir, f, block, dir, g), 4)
                    << "block " << block << " direction " << dir << " frames " << f << " and " << g;
    // Compared in the picture a new player sees first: standing, facing down.
    for (int a = 0; a < 8; ++a)
        for (int b = a + 1; b < 8; ++b)
            EXPECT_GT(differ(a, 2, 1, b, 2, 1), 60) << "characters " << a << " and " << b;
}

// Playability is the generator's own check before it writes (a failure fails the output test
// above); what it does not check is the design: big enough to explore, a second layer on every
// map, and the village leading everywhere and back.
TEST(WorldMaps, AreBigAndTheVillageLeadsEverywhereAndBack) {
    const std::vector<NamedMap> maps = BuildWorldMaps();
    ASSERT_EQ(maps.size(), 3u);
    const auto map = [&](const std::string& name) -> const MapData& {
        return std::find_if(maps.begin(), maps.end(), [&](const NamedMap& m) { return m.name == name; })
            ->data;
    };
    EXPECT_GE(map("main.map").sizex, 40);
    EXPECT_GE(map("main.map").sizey, 30);
    EXPECT_GE(map("forest.map").sizex, 64);
    EXPECT_GE(map("forest.map").sizey, 64);
    for (const NamedMap& m : maps)
        EXPECT_TRUE(m.data.layer2) << m.name << " has no second layer";
    const auto leads = [&](const std::string& from, const std::string& to) {
        const std::vector<entity_t>& exits = map(from).entities;
        return std::any_of(exits.begin(), exits.end(), [&](const entity_t& e) { return e.newmap == to; });
    };
    for (const char* other : {"house.map", "forest.map"})
        EXPECT_TRUE(leads("main.map", other) && leads(other, "main.map")) << "no way to and from " << other;
}

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
