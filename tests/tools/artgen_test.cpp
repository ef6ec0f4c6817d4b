// The generator's world output: it reproduces the shipped files byte for byte; the shipped
// maps, read line by line here on their own, are well formed and playable; and the map
// checker the generator runs before writing refuses the faults that would strand a player.
#include <gtest/gtest.h>

#include "tools/artgen/world_maps.h"
#include "tools/artgen/world_tiles.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxSide = 1024;     // larger maps than this are refused while reading
constexpr int kMaxExits = 256;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

fs::path Resources() { return fs::path(TAVREL_SOURCE_DIR) / "resources"; }

// ---- an independent reader of the map file format ----

struct Exit {
    int posx, posy;
    float newposx, newposy;
    std::string newmap;
};

struct Map {
    std::string tileset;
    int w = 0, h = 0, layer2 = 0;
    float startx = 0, starty = 0;
    std::vector<std::vector<int>> ground, block, second;
    std::vector<Exit> exits;

    bool Blocked(int col, int worldrow) const {
        if (col < 0 || worldrow < 0 || col >= w || worldrow >= h) return true;
        return block[static_cast<std::size_t>(h - 1 - worldrow)][static_cast<std::size_t>(col)] == 1;
    }
    // The two feet probes, 0.2 either side and 0.5 below, truncated toward zero.
    bool FeetFree(float x, float y) const {
        const int row = static_cast<int>(y - 0.5f);
        return !Blocked(static_cast<int>(x + 0.2f), row) && !Blocked(static_cast<int>(x - 0.2f), row);
    }
    bool IsExit(int col, int worldrow) const {
        for (const Exit& e : exits)
            if (e.posx == col && e.posy == worldrow) return true;
        return false;
    }
};

// Single-space separated fields, as the client splits them; an empty field is an error here,
// because the generator never writes one.
bool Fields(const std::string& line, std::vector<std::string>* out) {
    out->clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t sp = line.find(' ', start);
        out->push_back(line.substr(start, sp == std::string::npos ? std::string::npos : sp - start));
        if (out->back().empty()) return false;
        if (sp == std::string::npos) return true;
        start = sp + 1;
    }
}

bool Whole(const std::string& s, int* v) {
    char* end = nullptr;
    const long n = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0') return false;
    *v = static_cast<int>(n);
    return true;
}

bool Decimal(const std::string& s, float* v) {
    char* end = nullptr;
    *v = std::strtof(s.c_str(), &end);
    return !s.empty() && *end == '\0';
}

// Reads a map file strictly: every count matches, every value is a number, lines end in LF.
::testing::AssertionResult ReadMap(const fs::path& p, Map* m) {
    const std::string text = ReadAll(p);
    if (text.empty()) return ::testing::AssertionFailure() << p << " is missing or empty";
    if (text.find('\r') != std::string::npos) return ::testing::AssertionFailure() << p << " has a carriage return";
    if (text.back() != '\n') return ::testing::AssertionFailure() << p << " doesn't end with a line feed";
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    if (lines.size() < 9) return ::testing::AssertionFailure() << p << " header cut short";
    int entities = 0;
    m->tileset = lines[0];
    if (!Whole(lines[1], &m->w) || !Whole(lines[2], &m->h) || !Decimal(lines[3], &m->startx) ||
        !Decimal(lines[4], &m->starty) || !Whole(lines[5], &m->layer2) || !Whole(lines[6], &entities))
        return ::testing::AssertionFailure() << p << " header values aren't numbers";
    if (m->w < 1 || m->h < 1 || m->w > kMaxSide || m->h > kMaxSide || entities < 0 || entities > kMaxExits)
        return ::testing::AssertionFailure() << p << " header sizes out of range";
    std::vector<std::string> f;
    int rgb;
    if (!Fields(lines[7], &f) || f.size() != 3) return ::testing::AssertionFailure() << p << " background isn't three values";
    for (const std::string& s : f)
        if (!Whole(s, &rgb) || rgb < 0 || rgb > 255) return ::testing::AssertionFailure() << p << " background value " << s;
    const std::size_t grids = m->layer2 ? 3 : 2;
    const std::size_t expected = 9 + grids * (static_cast<std::size_t>(m->h) + 1) - 1 + (entities ? 1 + entities : 0);
    if (lines.size() != expected)
        return ::testing::AssertionFailure() << p << " has " << lines.size() << " lines, its header says " << expected;
    std::size_t at = 9;
    std::vector<std::vector<int>>* targets[3] = {&m->ground, &m->block, &m->second};
    for (std::size_t g = 0; g < grids; ++g) {
        if (g > 0) ++at; // separator
        for (int r = 0; r < m->h; ++r, ++at) {
            if (!Fields(lines[at], &f) || f.size() != static_cast<std::size_t>(m->w))
                return ::testing::AssertionFailure() << p << " line " << at + 1 << " doesn't hold " << m->w << " values";
            std::vector<int> row;
            for (const std::string& s : f) {
                int v;
                if (!Whole(s, &v)) return ::testing::AssertionFailure() << p << " line " << at + 1 << ": " << s;
                row.push_back(v);
            }
            targets[g]->push_back(row);
        }
    }
    if (entities) ++at;
    for (int i = 0; i < entities; ++i, ++at) {
        Exit e;
        if (!Fields(lines[at], &f) || f.size() != 5 || !Whole(f[0], &e.posx) || !Whole(f[1], &e.posy) ||
            !Decimal(f[2], &e.newposx) || !Decimal(f[3], &e.newposy))
            return ::testing::AssertionFailure() << p << " exit line " << at + 1 << " malformed";
        e.newmap = f[4];
        m->exits.push_back(e);
    }
    return ::testing::AssertionSuccess();
}

// Tiles in the shipped tile set, from its TGA header.
int ShippedTileCount() {
    const std::string t = ReadAll(Resources() / "tiles.tga");
    if (t.size() < 18) return 0;
    const int w = static_cast<std::uint8_t>(t[12]) | static_cast<std::uint8_t>(t[13]) << 8;
    const int h = static_cast<std::uint8_t>(t[14]) | static_cast<std::uint8_t>(t[15]) << 8;
    return (w / 16) * (h / 16);
}

const char* const kMaps[] = {"main.map", "house.map", "forest.map"};

// ---- reproducibility ----

TEST(ArtgenOutput, MatchesTheShippedResourcesByteForByte) {
    const fs::path out = fs::temp_directory_path() / ("tavrel-artgen-" + std::to_string(::getpid()));
    fs::remove_all(out);
    fs::create_directories(out);
    const std::string command = std::string("'") + TAVREL_ARTGEN + "' '" + out.string() + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::set<std::string> compared;
    for (const auto& entry : fs::directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        if (!fs::exists(Resources() / name)) continue;
        EXPECT_TRUE(ReadAll(entry.path()) == ReadAll(Resources() / name)) << name << " differs from the shipped file";
        compared.insert(name);
    }
    for (const char* name : {"tiles.tga", "main.map", "house.map", "forest.map"})
        EXPECT_TRUE(compared.count(name)) << name << " not written or not shipped";
    fs::remove_all(out);
}

// ---- the shipped maps ----

class ShippedMaps : public ::testing::Test {
  protected:
    void SetUp() override {
        tiles = ShippedTileCount();
        ASSERT_GE(tiles, 64);
        for (const char* name : kMaps) ASSERT_TRUE(ReadMap(Resources() / name, &maps[name]));
    }
    int tiles = 0;
    std::map<std::string, Map> maps;
};

TEST_F(ShippedMaps, AreBigEnoughAndNameTheShippedTileSetAndValidTiles) {
    EXPECT_GE(maps["main.map"].w, 40);
    EXPECT_GE(maps["main.map"].h, 30);
    EXPECT_GE(maps["forest.map"].w, 64);
    EXPECT_GE(maps["forest.map"].h, 64);
    for (auto& [name, m] : maps) {
        EXPECT_EQ(m.tileset, "Tavrel.app/Contents/Resources/tiles.tga") << name;
        EXPECT_NE(m.layer2, 0) << name << " has no second layer";
        for (int r = 0; r < m.h; ++r)
            for (int c = 0; c < m.w; ++c) {
                const int g = m.ground[r][c], s = m.second[r][c], b = m.block[r][c];
                ASSERT_TRUE(g >= 0 && g < tiles) << name << " ground " << g << " at " << c << "," << r;
                ASSERT_LT(s, tiles) << name << " second layer at " << c << "," << r;
                ASSERT_TRUE(b == 0 || b == 1) << name << " block " << b << " at " << c << "," << r;
            }
    }
}

TEST_F(ShippedMaps, StartsAndArrivalsAreFreeAndAwayFromExits) {
    for (auto& [name, m] : maps) {
        EXPECT_TRUE(m.FeetFree(m.startx, m.starty)) << name << " start";
        EXPECT_FALSE(m.IsExit(static_cast<int>(m.startx), static_cast<int>(m.starty))) << name << " start on an exit";
        for (const Exit& e : m.exits) {
            const std::string which = name + " exit " + std::to_string(e.posx) + "," + std::to_string(e.posy);
            EXPECT_FALSE(m.Blocked(e.posx, e.posy)) << which << " can't be stepped on";
            ASSERT_TRUE(fs::exists(Resources() / e.newmap)) << which << " leads to missing " << e.newmap;
            ASSERT_TRUE(maps.count(e.newmap)) << which;
            const Map& t = maps[e.newmap];
            EXPECT_TRUE(t.FeetFree(e.newposx, e.newposy)) << which << " lands blocked";
            EXPECT_FALSE(t.IsExit(static_cast<int>(e.newposx), static_cast<int>(e.newposy))) << which << " lands on an exit";
        }
    }
}

TEST_F(ShippedMaps, JoinTheVillageToEachOtherMapBothWays) {
    auto leads = [&](const std::string& from, const std::string& to) {
        for (const Exit& e : maps[from].exits)
            if (e.newmap == to) return true;
        return false;
    };
    for (const char* other : {"house.map", "forest.map"}) {
        EXPECT_TRUE(leads("main.map", other)) << "no way from the village to " << other;
        EXPECT_TRUE(leads(other, "main.map")) << "no way back from " << other;
    }
    // Going through the house door and straight back out lands in front of the door, beside
    // the exit cell, not on it.
    const Exit& in = maps["main.map"].exits.front();
    ASSERT_EQ(in.newmap, "house.map");
    for (const Exit& out : maps["house.map"].exits) {
        EXPECT_EQ(static_cast<int>(out.newposx), in.posx);
        EXPECT_EQ(static_cast<int>(out.newposy), in.posy - 1);
    }
}

// ---- the tile set ----

TEST(ShippedTileSet, GroundTilesAreOpaqueAndEveryUsedTileIsTextured) {
    const std::string t = ReadAll(Resources() / "tiles.tga");
    ASSERT_GE(t.size(), 18u);
    const int w = static_cast<std::uint8_t>(t[12]) | static_cast<std::uint8_t>(t[13]) << 8;
    const int h = static_cast<std::uint8_t>(t[14]) | static_cast<std::uint8_t>(t[15]) << 8;
    ASSERT_EQ(static_cast<std::uint8_t>(t[16]), 32);
    ASSERT_EQ(t.size(), 18u + static_cast<std::size_t>(w) * h * 4);
    auto pixel = [&](int tile, int x, int y) {
        const int px = (tile % (w / 16)) * 16 + x, py = (tile / (w / 16)) * 16 + y;
        return t.substr(18 + (static_cast<std::size_t>(py) * w + px) * 4, 4);
    };
    std::set<int> ground, second;
    for (const char* name : kMaps) {
        Map m;
        ASSERT_TRUE(ReadMap(Resources() / name, &m));
        for (int r = 0; r < m.h; ++r)
            for (int c = 0; c < m.w; ++c) {
                ground.insert(m.ground[r][c]);
                if (m.second[r][c] >= 0) second.insert(m.second[r][c]);
            }
    }
    // Texture, not a flat square: several colours, none covering most of the tile.
    for (int tile : ground) {
        std::map<std::string, int> colours;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const std::string p = pixel(tile, x, y);
                ASSERT_EQ(static_cast<std::uint8_t>(p[3]), 255) << "ground tile " << tile << " not opaque";
                ++colours[p];
            }
        int most = 0;
        for (const auto& c : colours) most = std::max(most, c.second);
        EXPECT_GE(colours.size(), 3u) << "ground tile " << tile << " is nearly flat";
        EXPECT_LT(most, 256 * 3 / 4) << "ground tile " << tile << " is mostly one colour";
    }
    // Objects stand on the ground: clear pixels round them, solid ones inside. Roof pieces
    // cover whole cells, so they only need to be drawn.
    for (int tile : second) {
        int clear = 0, solid = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const int a = static_cast<std::uint8_t>(pixel(tile, x, y)[3]);
                clear += a == 0;
                solid += a == 255;
            }
        const bool roof = (tile >= T_ROOF_RED && tile < T_ROOF_RED + 10) || (tile >= T_ROOF_SLATE && tile < T_ROOF_SLATE + 10);
        EXPECT_GT(solid, 0) << "second-layer tile " << tile << " is empty";
        if (!roof) {
            EXPECT_GT(clear, 0) << "second-layer tile " << tile << " has no transparency";
        }
    }
}

// ---- the generator's own checker ----

class MapChecker : public ::testing::Test {
  protected:
    void SetUp() override {
        maps = BuildWorldMaps();
        ASSERT_TRUE(CheckWorldMaps(maps, kTileCount, &error)) << error;
    }
    WorldMap& Named(const std::string& n) {
        for (WorldMap& m : maps)
            if (m.name == n) return m;
        throw std::runtime_error("no map " + n);
    }
    void SetBlock(WorldMap& m, int col, int worldrow, int v) {
        m.block[static_cast<std::size_t>(m.height - 1 - worldrow) * m.width + col] = v;
    }
    bool Refused(const std::string& expected_words) {
        const bool ok = CheckWorldMaps(maps, kTileCount, &error);
        if (ok) {
            ADD_FAILURE() << "accepted, expected: " << expected_words;
        } else {
            EXPECT_NE(error.find(expected_words), std::string::npos) << error;
        }
        return !ok;
    }
    std::vector<WorldMap> maps;
    std::string error;
};

TEST_F(MapChecker, RefusesAnArrivalOnAnExitOrABlockedPlace) {
    WorldMap& house = Named("house.map");
    WorldExit& back = house.exits.front(); // back to the village
    WorldMap& main = Named("main.map");
    const WorldExit door = main.exits.front();
    back.newposx = door.posx + 0.5f;
    back.newposy = door.posy + 0.5f; // right on the house door: the player would bounce
    EXPECT_TRUE(Refused("lands on an exit"));
    back.newposy = door.posy + 1.5f; // the wall above the door
    EXPECT_TRUE(Refused("lands on a blocked place"));
}

TEST_F(MapChecker, RefusesABlockedStartAWayOffTheGridAndAnUnknownMap) {
    WorldMap& main = Named("main.map");
    SetBlock(main, static_cast<int>(main.startx), static_cast<int>(main.starty - 0.5f), 1);
    EXPECT_TRUE(Refused("start position blocked"));
    SetUp();
    // Clear a lane from the start straight up through the thicket: the edge becomes reachable.
    WorldMap& fresh = Named("main.map");
    for (int w = fresh.height - 1; w >= 0; --w) SetBlock(fresh, static_cast<int>(fresh.startx), w, 0);
    EXPECT_TRUE(Refused("edge can be reached"));
    SetUp();
    Named("forest.map").exits.back().newmap = "cave.map";
    EXPECT_TRUE(Refused("unknown map cave.map"));
}

TEST_F(MapChecker, RefusesTileIndicesOutsideTheTileSet) {
    Named("house.map").ground[5] = kTileCount;
    EXPECT_TRUE(Refused("ground tile out of range"));
    SetUp();
    Named("house.map").layer2[5] = kTileCount;
    EXPECT_TRUE(Refused("second-layer tile out of range"));
}

} // namespace
