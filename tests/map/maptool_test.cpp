// The map tool over plain files: the checker's findings on broken maps, the writer and the TMX
// mapping both ways, TMX refusals, and the drawing.
#include "tests/map/mapfolder.h"

#include <functional>
#include <sstream>
#include <tuple>

namespace {

using namespace tmap;
using maptool::Problem;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += l + "\n";
    return text;
}

using Edit = std::function<void(std::vector<std::string>&)>;
// Sets file line n (from 1) of the map.
Edit Set(int n, const std::string& text) {
    return [=](std::vector<std::string>& l) { l[static_cast<std::size_t>(n - 1)] = text; };
}

std::string Describe(const std::vector<Problem>& problems) {
    std::string out;
    for (const Problem& p : problems)
        out += "  " + std::to_string(p.line) + ": " + p.message + "\n";
    return out;
}

// The room's lines: header 1-9, ground 10-13, block 15-18, second layer 20-23, the exit 25.
TEST_F(MapFolder, EachFaultIsReportedOnItsLineWithWhatToDo) {
    for (const char* name : {"a.map", "b.map"}) // the rooms the faults are made in are clean
        ASSERT_EQ(Describe(maptool::CheckMap(dir_ + name, {})), "") << name;
    const std::vector<std::string> room = Lines(Room("b.map", "1.5 2.5"));
    const struct {
        Edit edit;
        int line;
        const char* says;
        std::size_t count; // problems in all
    } cases[] = {
        {[](auto& l) {
             for (auto& s : l)
                 s += "\r";
         },
         1, "CR LF (25 lines do)", 1},
        {[](auto& l) { l.resize(5); }, 5, "ends inside its header: line 6 should be the second-layer flag",
         1},
        {Set(2, "0"), 2, "0 columns: a map has 1 to 4096", 1},
        {Set(4, "left"), 4, "should be the start x, a decimal number like 7.5",
         2}, // and it reads as 0: blocked
        {Set(8, "0 0 300"), 8, "three numbers 0 to 255", 1},
        {Set(11, "3 0 0 0"), 11,
         "has 4 values, but line 2 says 5 columns: the client fills the last 1 cells with 0", 1},
        {Set(11, "3 0 0 0 3 3"), 11, "the client ignores the last 1", 1},
        {Set(12, "3 0  0 0"), 12, "an extra space before column 2 reads as a 0", 1},
        {Set(12, "3 0 x 0 0"), 12, "\"x\" in column 2 is not a whole number", 1},
        {[](auto& l) { l.erase(l.begin() + 12); }, 13, "should be ground row 4 of 4 but is \"block\"", 1},
        {[](auto& l) { l.insert(l.begin() + 13, "3 3 3 3 3"); }, 14, "has more rows than the 4 that line 3",
         1},
        {Set(10, "3 3 9 3 3"), 10, "ground row 1: 9 in column 2 is not a tile of the tile set, which has 4",
         1},
        {Set(21, "-1 4 4 -1 -5"), 21, "second layer row 2: 4 in column 1 (and 1 more cells)", 1},
        {Set(16, "1 0 2 0 1"), 16, "block map row 2: 2 in column 2 neither blocks nor is 0", 1},
        {Set(6, "0"), 20, "should be an exit but is a row of numbers", 1},
        {[](auto& l) { l.erase(l.begin() + 18, l.begin() + 23); }, 20,
         "should be second layer row 1 of 4 but is \"4 1 1.5 2.5 b.map\"", 1},
        {Set(7, "2"), 25, "the file ends after 1 exits, but line 7 promises 2", 1},
        {Set(7, "0"), 25, "more exits follow than the 0 that line 7 promises", 2}, // and the open edge
        {[](auto& l) { l.push_back("junk"); }, 26, "1 lines after the end of the map are never read", 1},
        {[](auto& l) { l[5] = "0", l[6] = "0", l.resize(23); }, 19,
         "second-layer rows follow, but line 6 says", 2},
        {Set(1, "Tavrel.app/Contents/Resources/none.tga"), 1, "the tile-set image can't be read", 1},
        {Set(4, "0.5"), 4, "the start position (0.5, 1.5) puts the feet", 1},
        {Set(5, "7.5"), 4, "the start position (1.5, 7.5) lies outside the 5 by 4 map", 1},
        {[](auto& l) { l[3] = "4.5", l[4] = "1.5"; }, 4, "lies on the exit on line 25", 1},
        {Set(15, "1 1 0 1 1"), 15, "the edge cell (2, 3) is free and no exit", 1},
        {Set(25, "5 1 1.5 2.5 b.map"), 25, "the exit cell (5, 1) lies outside the 5 by 4 map", 2},
        {Set(17, "1 0 0 0 1"), 25, "the exit cell (4, 1) and the cell below it are blocked", 1},
        {[](auto& l) { l[6] = "2", l.push_back("4 1 1.5 2.5 b.map"); }, 26,
         "also the cell of the exit on line 25", 1},
        {Set(25, "4 1 1.5 2.5 nowhere.map"), 25, "the target map \"nowhere.map\" can't be opened", 1},
        {Set(25, "4 1 1.5 2.5 a|b.map"), 25, "would be dropped by the server", 2},
        {Set(25, "4 1 1.5 2.5 " + std::string(70, 'x') + ".map"), 25,
         "target map name is 74 bytes, at most 64", 1},
        {Set(25, "4 1 1.5 -0.5 b.map"), 25, "the arrival (1.5, -0.5) on b.map lies outside that map", 1},
        {Set(25, "4 1 0.5 1.5 b.map"), 25, "the arrival (0.5, 1.5) on b.map puts the feet", 1},
        {Set(25, "4 1 4.5 1.5 b.map"), 25, "lies on an exit of that map (to a.map), which fires at once", 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines = room;
        c.edit(lines);
        WriteFile(dir_ + "broken.map", Join(lines));
        const std::vector<Problem> found = maptool::CheckMap(dir_ + "broken.map", {});
        bool seen = false;
        for (const Problem& p : found)
            seen = seen || (p.line == c.line && p.message.find(c.says) != std::string::npos);
        EXPECT_TRUE(seen && found.size() == c.count)
            << "wanted line " << c.line << ": " << c.says << "\ngot:\n"
            << Describe(found);
    }
}

// The shipped maps, and maps with an odd edge of everything the mapping carries (exits outside
// the grid, a negative start, a block value that doesn't block, a second layer off, no exits,
// numbers that need every digit or an exponent), come back byte for byte through the writer and
// through TMX in every encoding.
TEST(MapWriter, MapsComeBackByteForByteThroughTheWriterAndEveryTmxEncoding) {
    std::vector<std::pair<std::string, std::string>> maps = {
        {"odd", "x/y.tga\n2\n1\n-0.5\n1e-05\n0\n2\n255 0 7\nground\n0 5\nblock\n2 1\nexits\n"
                "-3 7 0.12345679 3e+30 far/away.map\n0 0 16777215 -2.25 a\n"},
        {"one cell", "t.tga\n1\n1\n0.1\n1234567\n0\n0\n0 0 0\nground\n0\nblock\n0\n"},
    };
    for (const char* name : kShipped)
        maps.emplace_back(name, ReadFile(kResources + name));
    for (const auto& [name, file] : maps) {
        const MapData m = ParseText(file);
        EXPECT_EQ(Written(m), file) << name;
        const std::string image = m.tilesetfile.substr(m.tilesetfile.rfind('/') + 1);
        for (const std::string& encoding : maptool::TmxEncodings()) {
            std::string tmx, why;
            ASSERT_TRUE(maptool::ExportTmx(m, image, 256, 192, encoding, tmx, why)) << why;
            MapData back;
            ASSERT_TRUE(maptool::ImportTmx(tmx, "", back, why)) << name << " " << encoding << ": " << why;
            EXPECT_EQ(Written(back), file) << name << " " << encoding;
        }
    }
}

TEST(Tmx, WhatTheGameCantRepresentIsRefusedWithWhereItIs) {
    const MapData m = ParseText(Room("b.map", "1.5 2.5"));
    std::string tmx, why;
    ASSERT_TRUE(maptool::ExportTmx(m, "tiles.tga", 32, 32, "csv", tmx, why));
    const auto replace = [&](const std::string& from, const std::string& to) {
        std::string t = tmx;
        const std::size_t at = t.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? t : t.replace(at, from.size(), to);
    };
    const std::tuple<std::string, const char*> cases[] = {
        {replace("orthogonal", "isometric"), "the map is isometric; the game draws orthogonal maps only"},
        {replace("infinite=\"0\"", "infinite=\"1\""), "the map is infinite"},
        {replace("tilewidth=\"16\"", "tilewidth=\"32\""), "the map's tiles are 32 by 16 pixels"},
        {replace("<tileset ",
                 "<tileset firstgid=\"100\" name=\"more\"><image source=\"x.png\"/></tileset><tileset "),
         "the map has 2 tile sets (first \"more\")"},
        {replace("\n4,4,4,4,4,\n", "\n4,2147483652,4,4,4,\n"),
         "tile layer \"ground\", column 1 row 0 from the top: the tile is flipped"},
        {replace("\n4,4,4,4,4,\n", "\n4,4,0,4,4,\n"),
         "tile layer \"ground\", column 2 row 0 from the top is empty"},
        {replace("name=\"layer2\"", "name=\"decor\""),
         "tile layer \"decor\": the game has only the tile layers"},
        {replace("name=\"block\"", "name=\"ground\""), "two tile layers are named \"ground\""},
        {replace("<property name=\"startx\"", "<property name=\"x\""), "the map has no property \"startx\""},
        {replace("name=\"arrivaly\" type=\"float\" value=\"2.5\"", "name=\"arrivaly\" value=\"north\""),
         "property \"arrivaly\" is \"north\", not a number"},
        {replace("width=\"16\" height=\"16\"", "width=\"32\" height=\"16\""),
         "exit object 1 \"b.map\" covers more"},
        {replace("<property name=\"map\" value=\"b.map\" />", ""),
         "exit object 1 \"b.map\" has no property \"map\""},
        {replace("<objectgroup", "<imagelayer id=\"9\" name=\"sky\" /><objectgroup"), "imagelayer \"sky\""},
        {replace("name=\"exits\"", "name=\"npcs\""),
         "object layer \"npcs\": the game has only the object layer exits"},
        {replace("#000040", "#80000040"), "translucent"},
        {replace("<properties>\n    <property name=\"map\"",
                 "<ellipse /><properties>\n    <property name=\"map\""),
         "is not a rectangle but a ellipse"},
        {replace("encoding=\"csv\"", "encoding=\"base64\" compression=\"lz4\""),
         "compression \"lz4\" is unknown"},
        {replace("<layer id=\"1\" name=\"ground\"", "<layer id=\"1\" name=\"ground\" offsetx=\"8\""),
         "shifted"},
    };
    for (const auto& [text, says] : cases) {
        MapData out;
        std::string problem;
        EXPECT_FALSE(maptool::ImportTmx(text, "", out, problem)) << says;
        EXPECT_NE(problem.find(says), std::string::npos) << "wanted: " << says << "\ngot: " << problem;
    }
}

TEST(Tmx, WhatTiledCantHoldIsNotExported) {
    const std::pair<std::function<void(MapData&)>, const char*> cases[] = {
        {[](MapData& m) { m.background[1] = 256; }, "the background colour has a value outside 0 to 255"},
        {[](MapData& m) { m.layer2 = 2; }, "the second-layer flag is 2; write 1 (or 0) first"},
        {[](MapData& m) { m.ground[6] = -1; }, "ground row 2, column 1 holds -1, which names no tile"},
        {[](MapData& m) { m.second[7] = -2; },
         "second layer row 2, column 2 holds -2; write -1 for an empty"},
    };
    for (const auto& [edit, says] : cases) {
        MapData m = ParseText(Room("b.map", "1.5 2.5"));
        edit(m);
        std::string tmx, why;
        EXPECT_FALSE(maptool::ExportTmx(m, "tiles.tga", 32, 32, "csv", tmx, why)) << says;
        EXPECT_EQ(why.rfind(says, 0), 0u) << "wanted: " << says << "\ngot: " << why;
    }
    MapData off = ParseText(Room("b.map", "1.5 2.5")); // an off second layer's cells are never written
    off.layer2 = 0, off.second[7] = -2;
    std::string tmx, why;
    EXPECT_TRUE(maptool::ExportTmx(off, "tiles.tga", 32, 32, "csv", tmx, why)) << why;
}

// A new map from Tiled imports as the client reads it: the tile set read from its own file
// beside the map and named by the client's path to it, tile ids one above the tile indices.
TEST_F(MapFolder, ANewMapSavedByTiledImportsAsTheClientReadsIt) {
    WriteFile(dir_ + "village.tsx", kVillageTsx);
    MapData m;
    std::string why;
    ASSERT_TRUE(maptool::ImportTmx(TiledMap(3, 2, "1.5", "0.5", "96,15,16,\n15,15,96", "1,0,0,\n0,0,1"), dir_,
                                   m, why))
        << why;
    EXPECT_EQ(std::tuple(m.tilesetfile, m.sizex, m.sizey, m.startposx, m.startposy, m.layer2),
              std::tuple(std::string("Tavrel.app/Contents/Resources/tiles.tga"), 3, 2, 1.5f, 0.5f, 0));
    EXPECT_EQ(m.ground, (std::vector<int>{95, 14, 15, 14, 14, 95}));
    EXPECT_EQ(m.block, (std::vector<int>{1, 0, 0, 0, 0, 1}));
    EXPECT_TRUE(m.second.empty() && m.entities.empty());
}

TEST_F(MapFolder, RenderingLaysTheSecondLayerOverAnOpaqueGroundAndShowsTheBackgroundForUnknownTiles) {
    // Ground: red, an index of no tile, the transparent green tile (drawn opaque on the ground).
    const MapData m = ParseText("t.tga\n3\n1\n0.5\n0.5\n1\n0\n10 20 30\n-\n0 9 2\n-\n1 0 0\n-\n1 -1 -1\n");
    const maptool::Picture tiles = Load(dir_ + "tiles.tga");
    maptool::Picture out;
    std::string why;
    const struct {
        maptool::RenderOptions options;
        int x, y, r, g, b;
    } probes[] = {
        {{1, false, false, false}, 8, 8, 127, 0, 128}, // blue at alpha 128 over red
        {{1, false, false, false}, 24, 8, 10, 20, 30}, // no such tile: the background
        {{1, false, false, false}, 40, 8, 0, 255, 0},  // alpha ignored on the ground
        {{2, false, false, false}, 95, 31, 0, 255, 0}, // twice the size
        {{1, true, false, false}, 40, 8, 0, 255, 0},   // a free cell stays as it is
    };
    for (const auto& p : probes) {
        ASSERT_TRUE(maptool::RenderMap(m, tiles, p.options, out, why)) << why;
        EXPECT_EQ(std::make_tuple(out.width, out.height),
                  std::make_tuple(48 * p.options.scale, 16 * p.options.scale));
        const std::uint8_t* px = out.At(p.x, p.y);
        EXPECT_EQ(std::make_tuple(int{px[0]}, int{px[1]}, int{px[2]}), std::make_tuple(p.r, p.g, p.b))
            << p.x << "," << p.y << " scale " << p.options.scale;
    }
    // Blocked cells are shaded red; the start mark draws over the map.
    maptool::Picture plain, marked;
    ASSERT_TRUE(maptool::RenderMap(m, tiles, {1, false, false, false}, plain, why));
    ASSERT_TRUE(maptool::RenderMap(m, tiles, {1, true, false, true}, marked, why));
    EXPECT_GT(marked.At(2, 2)[0], plain.At(2, 2)[0] - 1);
    EXPECT_LT(marked.At(2, 2)[2], plain.At(2, 2)[2]);
    EXPECT_NE(std::vector<std::uint8_t>(marked.At(8, 8), marked.At(8, 8) + 3),
              std::vector<std::uint8_t>(plain.At(8, 8), plain.At(8, 8) + 3)); // the start cross at (0.5, 0.5)
}

} // namespace
