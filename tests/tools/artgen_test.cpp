// The generator reproduces the shipped files, and the shipped maps, read by the client's own
// parser, are the generator's maps and playable.
#include "tools/artgen/art.h"
#include "tools/artgen/geometry.h"
#include "tools/artgen/icon.h"
#include "tools/artgen/map_check.h"
#include "tools/artgen/world_maps.h"
#include "core/map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

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

// Alpha of pixel (x, y) of a 32-bit top-down TGA held in `t`.
int AlphaAt(const std::string& t, int width, int x, int y) {
    return static_cast<unsigned char>(t[static_cast<std::size_t>(18 + (y * width + x) * 4 + 3)]);
}

// What a glyph looks like, coarsely: its inked box and its total coverage.
struct Ink {
    int left = GLYPH_SIZE, top = GLYPH_SIZE, right = -1, bottom = -1;
    long total = 0;
};

Ink GlyphInk(const std::string& t, int glyph) {
    Ink ink;
    const int cx = glyph % FONT_CELLS * GLYPH_SIZE, cy = glyph / FONT_CELLS * GLYPH_SIZE;
    for (int y = 0; y < GLYPH_SIZE; ++y)
        for (int x = 0; x < GLYPH_SIZE; ++x) {
            const int a = AlphaAt(t, FONT_CELLS * GLYPH_SIZE, cx + x, cy + y);
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

    const std::string made = ReadAll(out / "font.tga"), shipped = ReadAll(Resources() / "font.tga");
    fs::remove_all(out);
    ASSERT_EQ(made.size(), shipped.size());
    ASSERT_EQ(made.substr(0, 18), shipped.substr(0, 18)) << "font.tga header";
    for (int glyph = 0; glyph < FONT_CELLS * FONT_CELLS; ++glyph) {
        const Ink a = GlyphInk(made, glyph), b = GlyphInk(shipped, glyph);
        SCOPED_TRACE("glyph " + std::to_string(glyph));
        EXPECT_EQ(a.total == 0, b.total == 0);
        if (a.total == 0 || b.total == 0) continue;
        EXPECT_LE(std::abs(a.left - b.left), 1);
        EXPECT_LE(std::abs(a.right - b.right), 1);
        EXPECT_LE(std::abs(a.top - b.top), 1);
        EXPECT_LE(std::abs(a.bottom - b.bottom), 1);
        EXPECT_LE(std::abs(a.total - b.total), std::max(255L, b.total / 5));
    }
}

// The shipped maps as the client's own parser reads them.
class ShippedMaps : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const NamedMap& built : BuildWorldMaps()) {
            std::istringstream in(ReadAll(Resources() / built.name));
            NamedMap& m = maps.emplace_back(NamedMap{built.name, {}});
            std::string error;
            ASSERT_TRUE(ParseMap(in, m.data, error)) << built.name << ": " << error;
            EXPECT_EQ(in.peek(), EOF) << built.name << " holds more lines than its header promises";
            // The file says what the generator meant: no row cut short or shifted.
            EXPECT_TRUE(m.data.ground == built.data.ground && m.data.block == built.data.block &&
                        m.data.second == built.data.second)
                << built.name;
        }
        // Tiles in the shipped tile set, from its TGA header.
        const std::string t = ReadAll(Resources() / "tiles.tga");
        ASSERT_GE(t.size(), 18u);
        const auto u8 = [&](int i) { return static_cast<std::uint8_t>(t[static_cast<std::size_t>(i)]); };
        tiles = ((u8(12) | u8(13) << 8) / 16) * ((u8(14) | u8(15) << 8) / 16);
        ASSERT_GE(tiles, 64);
    }
    const MapData& Map(const std::string& name) const {
        return std::find_if(maps.begin(), maps.end(), [&](const NamedMap& m) { return m.name == name; })
            ->data;
    }
    std::vector<NamedMap> maps;
    int tiles = 0;
};

// What the client reads is as playable as what the generator checked, on the shipped tile set,
// and big enough to explore.
TEST_F(ShippedMaps, AreBigPlayableOnTheShippedTileSetAndTheVillageLeadsEverywhereAndBack) {
    ASSERT_EQ(maps.size(), 3u);
    std::string error;
    EXPECT_TRUE(CheckWorldMaps(maps, tiles, &error)) << error;
    EXPECT_GE(Map("main.map").sizex, 40);
    EXPECT_GE(Map("main.map").sizey, 30);
    EXPECT_GE(Map("forest.map").sizex, 64);
    EXPECT_GE(Map("forest.map").sizey, 64);
    for (const NamedMap& m : maps) {
        EXPECT_EQ(m.data.tilesetfile, kWorldTileSetPath) << m.name;
        EXPECT_TRUE(m.data.layer2) << m.name << " has no second layer";
    }
    const auto leads = [&](const std::string& from, const std::string& to) {
        const std::vector<entity_t>& exits = Map(from).entities;
        return std::any_of(exits.begin(), exits.end(), [&](const entity_t& e) { return e.newmap == to; });
    };
    for (const char* other : {"house.map", "forest.map"})
        EXPECT_TRUE(leads("main.map", other) && leads(other, "main.map")) << "no way to and from " << other;
}

} // namespace
