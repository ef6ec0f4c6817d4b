// The generator reproduces the shipped files byte for byte, and the shipped maps, read by the
// client's own parser, are the generator's maps and playable.
#include "tools/artgen/world_maps.h"
#include "core/map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <map>
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

TEST(ArtgenOutput, MatchesTheShippedResourcesByteForByte) {
    const fs::path out = fs::temp_directory_path() / ("tavrel-artgen-" + std::to_string(::getpid()));
    fs::remove_all(out);
    fs::create_directories(out);
    ASSERT_EQ(std::system(("'" TAVREL_ARTGEN "' '" + out.string() + "' > /dev/null").c_str()), 0);
    std::set<std::string> compared;
    for (const auto& entry : fs::directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        if (!fs::exists(Resources() / name)) continue;
        EXPECT_TRUE(ReadAll(entry.path()) == ReadAll(Resources() / name))
            << name << " differs from the shipped file";
        compared.insert(name);
    }
    for (const char* name :
         {"tiles.tga", "main.map", "house.map", "forest.map", "Hero 1.tga", "font.tga", "chat.tga"})
        EXPECT_TRUE(compared.count(name)) << name << " not written or not shipped";
    fs::remove_all(out);
}

// A shipped map as the client reads it, with row pointers for the walking's questions.
struct Shipped {
    MapData data;
    std::vector<int*> rows;
    bool FeetFree(float x, float y) { return !FeetBlocked(rows.data(), data.sizex, data.sizey, x, y); }
    int ExitAt(float x, float y) {
        return FindExit(data.entities.data(), static_cast<int>(data.entities.size()), x, y);
    }
};

class ShippedMaps : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const WorldMap& built : BuildWorldMaps()) {
            std::istringstream in(ReadAll(Resources() / built.name));
            Shipped& m = maps[built.name];
            std::string error;
            ASSERT_TRUE(ParseMap(in, m.data, error)) << built.name << ": " << error;
            EXPECT_EQ(in.peek(), EOF) << built.name << " holds more lines than its header promises";
            // The file says what the generator meant: no row cut short or shifted.
            EXPECT_TRUE(m.data.ground == built.ground && m.data.block == built.block &&
                        m.data.second == built.layer2)
                << built.name;
            for (int r = 0; r < m.data.sizey; ++r)
                m.rows.push_back(&m.data.block[std::size_t(r) * m.data.sizex]);
        }
        // Tiles in the shipped tile set, from its TGA header.
        const std::string t = ReadAll(Resources() / "tiles.tga");
        ASSERT_GE(t.size(), 18u);
        const auto u8 = [&](int i) { return static_cast<std::uint8_t>(t[static_cast<std::size_t>(i)]); };
        tiles = ((u8(12) | u8(13) << 8) / 16) * ((u8(14) | u8(15) << 8) / 16);
        ASSERT_GE(tiles, 64);
    }
    std::map<std::string, Shipped> maps;
    int tiles = 0;
};

TEST_F(ShippedMaps, AreBigEnoughAndNameTheShippedTileSetAndValidTiles) {
    EXPECT_GE(maps["main.map"].data.sizex, 40);
    EXPECT_GE(maps["main.map"].data.sizey, 30);
    EXPECT_GE(maps["forest.map"].data.sizex, 64);
    EXPECT_GE(maps["forest.map"].data.sizey, 64);
    for (auto& [name, m] : maps) {
        EXPECT_EQ(m.data.tilesetfile, "Tavrel.app/Contents/Resources/tiles.tga") << name;
        ASSERT_EQ(m.data.second.size(), m.data.ground.size()) << name << " has no second layer";
        for (std::size_t i = 0; i < m.data.ground.size(); ++i)
            ASSERT_TRUE(m.data.ground[i] >= 0 && m.data.ground[i] < tiles && m.data.second[i] < tiles &&
                        (m.data.block[i] == 0 || m.data.block[i] == 1))
                << name << " cell " << i;
    }
}

TEST_F(ShippedMaps, StartsAndArrivalsAreFreeAndOffExitsAndTheVillageLeadsEverywhereAndBack) {
    for (auto& [name, m] : maps) {
        EXPECT_TRUE(m.FeetFree(m.data.startposx, m.data.startposy)) << name << " start";
        EXPECT_EQ(m.ExitAt(m.data.startposx, m.data.startposy), -1) << name << " start on an exit";
        for (const entity_t& e : m.data.entities) {
            SCOPED_TRACE(name + " exit " + std::to_string(e.posx) + "," + std::to_string(e.posy) + " to " +
                         e.newmap);
            EXPECT_FALSE(CellBlocked(m.rows.data(), m.data.sizex, m.data.sizey, e.posx, e.posy));
            ASSERT_TRUE(fs::exists(Resources() / e.newmap) && maps.count(e.newmap));
            EXPECT_TRUE(maps[e.newmap].FeetFree(e.newposx, e.newposy)) << "lands blocked";
            EXPECT_EQ(maps[e.newmap].ExitAt(e.newposx, e.newposy), -1) << "lands on an exit";
        }
    }
    const auto leads = [&](const std::string& from, const std::string& to) {
        const std::vector<entity_t>& exits = maps[from].data.entities;
        return std::any_of(exits.begin(), exits.end(), [&](const entity_t& e) { return e.newmap == to; });
    };
    for (const char* other : {"house.map", "forest.map"})
        EXPECT_TRUE(leads("main.map", other) && leads(other, "main.map")) << "no way to and from " << other;
}

} // namespace
