// The generator reproduces the shipped files, its font fits the game's 10-pixel advance with a
// bolder second set, the characters' step frames move, and the world's maps are laid out to be
// explored.
#include "tools/artgen/art.h"
#include "tools/artgen/geometry.h"
#include "tools/artgen/icon.h"
#include "tools/artgen/world_maps.h"
#include "tools/artgen/world_tiles.h"
#include "tools/map/maptool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
    std::ostringstream s;
    s << std::ifstream(p, std::ios::binary).rdbuf();
    return s.str();
}

fs::path Resources() {
    return fs::path(TAVREL_SOURCE_DIR) / "resources";
}

maptool::Picture Load(const fs::path& p) {
    maptool::Picture picture;
    std::string why;
    EXPECT_TRUE(maptool::LoadPicture(p.string(), picture, why)) << p << ": " << why;
    return picture;
}

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
    const fs::path out = fs::temp_directory_path() / ("tavrel-artgen-" + std::to_string(::getpid()));
    fs::remove_all(out);
    fs::create_directories(out);
    ASSERT_TRUE(MakeWorldArt(out.string()) && MakeFigureArt(out.string()));
    ASSERT_TRUE(MakeIcons(out.string()));
    std::vector<std::string> names = {"tiles.tga",  "main.map",   "house.map",
                                      "forest.map", "Hero 1.tga", "chat.tga"};
    for (const int size : kIconSizes)
        names.push_back("icons/tavrel-" + std::to_string(size) + ".png");
    for (const std::string& name : names)
        EXPECT_TRUE(ReadAll(out / name) == ReadAll(Resources() / name))
            << name << " differs from the shipped file";
    // The TGA and PNG writers: what a reader makes of their bytes is what was drawn.
    EXPECT_TRUE(Load(out / "tiles.tga").rgba == DrawWorldTiles().rgba);
    EXPECT_TRUE(Load(out / "icons/tavrel-48.png").rgba == DrawIcon(48).rgba);

    ASSERT_EQ(ReadAll(out / "font.tga").substr(0, 18), ReadAll(Resources() / "font.tga").substr(0, 18))
        << "font.tga header";
    const maptool::Picture made = Load(out / "font.tga"), shipped = Load(Resources() / "font.tga");
    fs::remove_all(out);
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
    const maptool::Picture sheet = Load(Resources() / "Hero 1.tga");
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
// above); what it does not check is the design: big enough to explore, a second layer on the
// shipped tile set, and the village leading everywhere and back.
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
    for (const NamedMap& m : maps) {
        EXPECT_EQ(m.data.tilesetfile, kWorldTileSetPath) << m.name;
        EXPECT_TRUE(m.data.layer2) << m.name << " has no second layer";
    }
    const auto leads = [&](const std::string& from, const std::string& to) {
        const std::vector<entity_t>& exits = map(from).entities;
        return std::any_of(exits.begin(), exits.end(), [&](const entity_t& e) { return e.newmap == to; });
    };
    for (const char* other : {"house.map", "forest.map"})
        EXPECT_TRUE(leads("main.map", other) && leads(other, "main.map")) << "no way to and from " << other;
}

} // namespace
