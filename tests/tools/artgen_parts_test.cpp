// The generator's parts on small cases: the tile recipes' footprints, the paint kit's seamless
// noise and open-ended outlines, the TGA, PNG and map writers, the map checker's refusals, and
// the icon at every size.
#include "tools/artgen/icon.h"
#include "tools/artgen/map_check.h"
#include "tools/artgen/map_writer.h"
#include "tools/artgen/paint.h"
#include "tools/artgen/png.h"
#include "tools/artgen/tga.h"
#include "tools/artgen/world_maps.h"
#include "tools/artgen/world_tiles.h"
#include "core/map.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <functional>
#include <set>
#include <sstream>

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
    for (const WorldMap& m : BuildWorldMaps())
        for (std::size_t i = 0; i < m.ground.size(); ++i) {
            bool opaque = false;
            ASSERT_TRUE(TileInked(sheet, m.ground[i], &opaque) && opaque)
                << m.name << " ground tile " << m.ground[i] << " at cell " << i;
            if (m.layer2[i] >= 0) {
                ASSERT_TRUE(TileInked(sheet, m.layer2[i], &opaque))
                    << m.name << " second-layer tile " << m.layer2[i] << " at cell " << i;
            }
        }
}

// Ground drawn with Smooth joins its own copies, so the noise must repeat every tile exactly.
TEST(Paint, SmoothNoiseRepeatsEveryTile) {
    for (const int cell : {4, 8, 16})
        for (int y = 0; y < TILE_PIXELS; y += 3)
            for (int x = 0; x < TILE_PIXELS; x += 3) {
                const float fx = static_cast<float>(x), fy = static_cast<float>(y);
                const float v = Smooth(fx, fy, cell, 7);
                EXPECT_GE(v, 0.0f);
                EXPECT_LT(v, 1.0f);
                EXPECT_EQ(v, Smooth(fx + TILE_PIXELS, fy, cell, 7)) << cell << " at " << x << "," << y;
                EXPECT_EQ(v, Smooth(fx, fy - TILE_PIXELS, cell, 7)) << cell << " at " << x << "," << y;
            }
}

// A rail that runs to the canvas edge is outlined above and below but left open at its ends,
// where it meets the next tile's rail.
TEST(Paint, OutlineRingsShapesButLeavesEdgesOpen) {
    Canvas c(4, 5);
    for (int x = 0; x < 4; ++x)
        Px(c, x, 2, {200, 100, 50});
    Outline(c);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 4; ++x) {
            const int want = (y >= 1 && y <= 3) ? 255 : 0;
            EXPECT_EQ(Alpha(c, x, y), want) << x << "," << y;
        }
    EXPECT_EQ(Get(c, 0, 2).r, 200) << "the rail itself is untouched";
    EXPECT_LT(Get(c, 0, 1).r, 100) << "the outline is dark";
}

TEST(TgaWriter, HeaderAndPixelOrder) {
    Canvas c(2, 1);
    c.Put(0, 0, 1, 2, 3, 4);
    c.Put(1, 0, 5, 6, 7, 8);
    const struct {
        bool alpha;
        std::string header_tail, pixels;
    } cases[] = {
        {true, std::string("\x02\x00\x01\x00\x20\x28", 6),
         std::string("\x03\x02\x01\x04\x07\x06\x05\x08", 8)},
        {false, std::string("\x02\x00\x01\x00\x18\x20", 6), std::string("\x03\x02\x01\x07\x06\x05", 6)},
    };
    for (const auto& k : cases) {
        const std::string t = TgaBytes(c, k.alpha);
        const std::string footer = std::string(8, '\0') + "TRUEVISION-XFILE." + std::string(1, '\0');
        ASSERT_EQ(t.size(), 18 + k.pixels.size() + footer.size()) << k.alpha;
        EXPECT_EQ(t.substr(0, 3), std::string("\0\0\x02", 3));
        EXPECT_EQ(t.substr(12, 6), k.header_tail) << k.alpha;
        EXPECT_EQ(t.substr(18, k.pixels.size()), k.pixels) << k.alpha;
        EXPECT_EQ(t.substr(18 + k.pixels.size()), footer) << k.alpha;
    }
}

// What a PNG reader makes of the writer's bytes: the same size and the same RGBA pixels.
TEST(PngWriter, ReadsBackAsTheCanvas) {
    Canvas c(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            c.Put(x, y, static_cast<std::uint8_t>(40 * x), static_cast<std::uint8_t>(90 * y), 200,
                  static_cast<std::uint8_t>(x == 1 ? 0 : 128 + x));
    const std::string bytes = PngBytes(c);
    ASSERT_GT(bytes.size(), 8u);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) << image.message;
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_TRUE(pixels == c.rgba);
}

// Every size is drawn for itself: square, (nearly) clear outside the rounded grass, the house opaque in
// the middle, its roof red above its lit windows.
TEST(Icon, EverySizeShowsTheHouseOnClearCorners) {
    for (const int size : kIconSizes) {
        SCOPED_TRACE("size " + std::to_string(size));
        const Canvas icon = DrawIcon(size);
        ASSERT_EQ(icon.width, size);
        ASSERT_EQ(icon.height, size);
        for (const auto& corner : {std::make_pair(0, 0), {size - 1, 0}, {0, size - 1}, {size - 1, size - 1}})
            EXPECT_LT(Alpha(icon, corner.first, corner.second), 32); // at most a trace of the rim
        const auto at = [&](double x, double y) {
            return Get(icon, static_cast<int>(x * size), static_cast<int>(y * size));
        };
        EXPECT_EQ(Alpha(icon, size / 2, size / 2), 255);
        const Rgb roof = at(0.5, 0.4), grass = at(0.15, 0.3), window = at(0.32, 0.71);
        EXPECT_GT(roof.r, roof.g + 60);
        EXPECT_GT(grass.g, grass.r + 40);
        EXPECT_GT(window.r + window.g, 350);
    }
}

// A 5 by 4 walled village with one way out east into a 3 by 3 room, and the room.
std::vector<WorldMap> TinyWorld() {
    auto walled = [](const std::string& name, int w, int h, float sx, float sy) {
        WorldMap m;
        m.name = name;
        m.width = w, m.height = h, m.startx = sx, m.starty = sy;
        const std::size_t cells = static_cast<std::size_t>(w * h);
        m.ground.assign(cells, 0);
        m.layer2.assign(cells, -1);
        m.block.assign(cells, 0);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                m.block[m.Cell(c, r)] = (r == 0 || c == 0 || r == h - 1 || c == w - 1);
        return m;
    };
    WorldMap main = walled("main.map", 5, 4, 2.5f, 1.5f);
    main.block[main.Cell(4, 1)] = 0;
    main.exits.push_back({4, 2, 1.5f, 1.5f, "room.map"});
    return {main, walled("room.map", 3, 3, 1.5f, 1.5f)};
}

TEST(MapCheck, RefusesEveryWayAMapCanTrapOrStrandThePlayer) {
    std::string error;
    ASSERT_TRUE(CheckWorldMaps(TinyWorld(), kTileCount, &error)) << error;
    const struct {
        const char* what;
        std::function<void(WorldMap& main, WorldMap& room)> breakit;
        const char* error;
    } cases[] = {
        {"no village", [](WorldMap& m, WorldMap&) { m.name = "town.map"; }, "main.map: missing"},
        {"no columns", [](WorldMap& m, WorldMap&) { m.width = 0; }, "main.map: bad size"},
        {"too tall", [](WorldMap& m, WorldMap&) { m.height = kMaxMapSide + 1; }, "main.map: bad size"},
        {"short grid", [](WorldMap& m, WorldMap&) { m.block.pop_back(); }, "grid sizes differ"},
        {"ground tile", [](WorldMap& m, WorldMap&) { m.ground[6] = kTileCount; },
         "ground tile out of range at column 1 row 1"},
        {"negative ground", [](WorldMap& m, WorldMap&) { m.ground[0] = -1; }, "ground tile out of range"},
        {"second layer", [](WorldMap& m, WorldMap&) { m.layer2[0] = kTileCount; },
         "second-layer tile out of range"},
        {"block value", [](WorldMap& m, WorldMap&) { m.block[0] = 2; }, "block value not 0 or 1"},
        {"background", [](WorldMap& m, WorldMap&) { m.background[2] = 256; },
         "background colour out of range"},
        {"start in a wall", [](WorldMap& m, WorldMap&) { m.startx = 1.1f; }, "start position blocked"},
        {"start on the exit", [](WorldMap& m, WorldMap&) { m.exits[0].posy = 1, m.exits[0].posx = 2; },
         "start on an exit"},
        {"gap in the wall", [](WorldMap& m, WorldMap&) { m.block[m.Cell(0, 2)] = 0; },
         "the edge can be reached at column 0 row 2"},
        {"walled-off exit", [](WorldMap& m, WorldMap&) { m.block[m.Cell(3, 1)] = m.block[m.Cell(3, 2)] = 1; },
         "exit at 4,2 can't be reached from the start"},
        {"exit on a wall", [](WorldMap& m, WorldMap&) { m.block[m.Cell(4, 1)] = 1; },
         "exit at 4,2 on a blocked cell"},
        {"exit off the grid", [](WorldMap& m, WorldMap&) { m.exits[0].posx = 5, m.block[m.Cell(4, 1)] = 1; },
         "exit at 5,2 off the grid"},
        {"unknown map", [](WorldMap& m, WorldMap&) { m.exits[0].newmap = "nowhere.map"; },
         "leads to an unknown map nowhere.map"},
        {"arrival in a wall", [](WorldMap& m, WorldMap&) { m.exits[0].newposx = 0.5f; },
         "lands on a blocked place"},
        {"arrival on an exit",
         [](WorldMap&, WorldMap& r) {
             r.exits.push_back({1, 1, 2.5f, 1.5f, "main.map"});
         },
         "lands on an exit of room.map"},
    };
    for (const auto& k : cases) {
        std::vector<WorldMap> world = TinyWorld();
        k.breakit(world[0], world[1]);
        error.clear();
        EXPECT_FALSE(CheckWorldMaps(world, kTileCount, &error)) << k.what;
        EXPECT_NE(error.find(k.error), std::string::npos) << k.what << ": " << error;
    }
}

// The writer's text, read back by the client's own parser, is the same map.
TEST(MapWriter, TheClientReadsBackWhatWasWritten) {
    WorldMap m = TinyWorld()[0];
    m.ground[3] = 17, m.layer2[7] = 130, m.background[1] = 68;
    m.exits.push_back({4, 2, 9.75f, 30.5f, "forest.map"});
    std::istringstream in(WorldMapText(m));
    MapData d;
    std::string error;
    ASSERT_TRUE(ParseMap(in, d, error)) << error;
    EXPECT_EQ(in.peek(), EOF);
    EXPECT_EQ(d.tilesetfile, kWorldTileSetPath);
    EXPECT_EQ(d.sizex, m.width);
    EXPECT_EQ(d.sizey, m.height);
    EXPECT_EQ(d.startposx, m.startx);
    EXPECT_EQ(d.startposy, m.starty);
    EXPECT_TRUE(std::equal(m.background, m.background + 3, d.background));
    EXPECT_TRUE(d.ground == m.ground && d.block == m.block && d.second == m.layer2);
    ASSERT_EQ(d.entities.size(), m.exits.size());
    for (std::size_t i = 0; i < m.exits.size(); ++i) {
        EXPECT_EQ(d.entities[i].posx, m.exits[i].posx);
        EXPECT_EQ(d.entities[i].posy, m.exits[i].posy);
        EXPECT_EQ(d.entities[i].newposx, m.exits[i].newposx);
        EXPECT_EQ(d.entities[i].newposy, m.exits[i].newposy);
        EXPECT_EQ(d.entities[i].newmap, m.exits[i].newmap);
    }
}

} // namespace
