// tavrel-map as authors and CI run it: exit codes, the file:line format, help for every command,
// the shipped maps clean; and the Tiled extension in the real Tiled, both ways, on every shipped
// map, with tavrel-map's export and import.
#include "tests/map/mapfolder.h"

namespace {

using namespace tmap;
using tt::ShellQuote;

// A clean check or render prints nothing and help starts with its usage line; problems and
// usage errors may follow other lines. Export and import to and from files succeed in the
// real-Tiled tests below.
TEST_F(MapFolder, ExitCodesTellCleanFromProblemsFromUsageErrors) {
    WriteFile(dir_ + "broken.map", ReadFile(dir_ + "a.map") + "junk\n");
    std::string shipped;
    for (const char* name : kShipped)
        shipped += " " + ShellQuote(kResources + name);
    const struct {
        std::string args;
        int code;
        std::string says;
    } cases[] = {
        {"check" + shipped, 0, ""},
        {"render " + dir_ + "a.map -o " + dir_ + "a.png --exits --blocks --start --scale 2", 0, ""},
        {"check " + dir_ + "a.map " + dir_ + "broken.map", 1,
         dir_ + "broken.map:26: 1 lines after the end of the map are never read"},
        {"check " + dir_ + "missing.map", 1, dir_ + "missing.map:0: can't be opened"},
        {"check", 2, "name at least one map file"},
        {"check --frobnicate " + dir_ + "a.map", 2, "unknown option --frobnicate"},
        {"render " + dir_ + "a.map", 2, "name one map file and -o OUT.png"},
        {"render " + dir_ + "a.map -o x.png --scale 0", 2, "--scale takes 1 to 16, not 0"},
        {"export " + dir_ + "a.map -o x.tmx --encoding lz4", 2, "unknown encoding lz4"},
        {"import", 2, "name one TMX file and -o OUT.map"},
        {"paint", 2, "unknown command paint"},
        {"", 2, "name a command"},
        {"import " + dir_ + "a.map -o " + dir_ + "x.map", 1, "not readable as XML"},
        {"--help", 0, "usage: tavrel-map COMMAND"},
        {"check --help", 0, "usage: tavrel-map check"},
        {"render --help", 0, "usage: tavrel-map render"},
        {"import --help", 0, "usage: tavrel-map import"},
        {"export --help", 0, "usage: tavrel-map export"},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(Tool(c.args, &out), c.code) << c.args << "\n" << out;
        if (c.code != 0)
            EXPECT_NE(out.find(c.says), std::string::npos) << c.args << "\n" << out;
        else if (c.says.empty())
            EXPECT_EQ(out, "") << c.args;
        else
            EXPECT_EQ(out.rfind(c.says, 0), 0u) << c.args << "\n" << out;
    }
    EXPECT_EQ(ReadFile(dir_ + "a.png").substr(1, 3), "PNG");
}

// Tiled with the extension in a private configuration folder, beside copies of the shipped maps.
class RealTiled : public MapFolder {
  protected:
    void SetUp() override {
        MapFolder::SetUp();
        const std::string extensions = dir_ + "config/tiled/extensions/";
        tt::Sh("mkdir -p " + extensions + " && cp " +
               ShellQuote(std::string(TAVREL_SOURCE_DIR) + "/tools/tiled/tavrel-map.js") + " " + extensions);
        for (const char* name : kShipped)
            WriteFile(dir_ + name, ReadFile(kResources + name));
        WriteFile(dir_ + "tiles.tga", ReadFile(kResources + "tiles.tga"));
    }
    int Export(const std::string& format, const std::string& from, const std::string& to, std::string* out) {
        return tt::Sh(TiledExport(dir_, format, from, to), out);
    }
};

TEST_F(RealTiled, OpensEveryShippedMapAndSavesItBackByteForByte) {
    for (const char* name : kShipped) {
        const std::string stem = std::string(name).substr(0, std::string(name).find('.'));
        std::string out;
        // Tiled reads the .map through the extension and writes its own TMX...
        ASSERT_EQ(Export("tmx", name, stem + "-tiled.tmx", &out), 0) << out;
        ASSERT_EQ(Tool("import " + dir_ + stem + "-tiled.tmx -o " + dir_ + stem + "-imported.map", &out), 0)
            << out;
        EXPECT_EQ(ReadFile(dir_ + stem + "-imported.map"), ReadFile(kResources + name)) << name;
        // ...and writes a .map through the extension from the TMX tavrel-map exports.
        ASSERT_EQ(Tool("export " + dir_ + name + " -o " + dir_ + stem + ".tmx --encoding base64-zstd", &out),
                  0)
            << out;
        ASSERT_EQ(Export("tavrel", stem + ".tmx", stem + "-saved.map", &out), 0) << out;
        EXPECT_EQ(ReadFile(dir_ + stem + "-saved.map"), ReadFile(kResources + name)) << name;
    }
}

TEST_F(RealTiled, RefusesToSaveWhatTheGameCantShowAndSaysWhere) {
    std::string out;
    ASSERT_EQ(Tool("export " + dir_ + "a.map -o " + dir_ + "a.tmx", &out), 0) << out;
    std::string tmx = ReadFile(dir_ + "a.tmx");
    tmx.replace(tmx.find("\n4,4,4,4,4,\n"), 12, "\n4,2147483652,4,4,4,\n"); // flipped horizontally
    WriteFile(dir_ + "flipped.tmx", tmx);
    EXPECT_NE(Export("tavrel", "flipped.tmx", "flipped.map", &out), 0);
    EXPECT_NE(out.find("tile layer \"ground\", column 1 row 0 from the top: the tile is flipped"),
              std::string::npos)
        << out;
    EXPECT_EQ(ReadFile(dir_ + "flipped.map"), "");
}

} // namespace
