// tavrel-map as authors and CI run it: exit codes, the file:line format, help for every command,
// the shipped maps clean and unchanged through export and import; and the Tiled extension in
// the real Tiled, both ways, on every shipped map.
#include "tests/map/mapfolder.h"
#include "tests/support/support.h"

namespace {

using namespace tmap;
using tt::ShellQuote;

const std::string kTool = TAVREL_MAP;
const std::string kResources = std::string(TAVREL_SOURCE_DIR) + "/resources/";
const char* const kShipped[] = {"main.map", "house.map", "forest.map"};

// Runs the tool with args (shell words); its exit code, standard output and error in *out.
int Tool(const std::string& args, std::string* out = nullptr) {
    return tt::Sh(ShellQuote(kTool) + " " + args + " 2>&1", out);
}

TEST(MapCommand, EveryShippedMapIsClean) {
    std::string args, out;
    for (const char* name : kShipped)
        args += " " + ShellQuote(kResources + name);
    EXPECT_EQ(Tool("check" + args, &out), 0) << out;
    EXPECT_EQ(out, "");
}

TEST_F(MapFolder, ExitCodesTellCleanFromProblemsFromUsageErrors) {
    Write(dir_ + "broken.map", Read(dir_ + "a.map").replace(0, 0, "") + "junk\n");
    const struct {
        std::string args;
        int code;
        std::string says;
    } cases[] = {
        {"check " + dir_ + "a.map " + dir_ + "b.map", 0, ""},
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
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(Tool(c.args, &out), c.code) << c.args << "\n" << out;
        if (c.says.empty())
            EXPECT_EQ(out, "") << c.args;
        else
            EXPECT_NE(out.find(c.says), std::string::npos) << c.args << "\n" << out;
    }
}

TEST(MapCommand, EveryCommandExplainsItself) {
    const std::pair<const char*, const char*> cases[] = {
        {"--help", "usage: tavrel-map COMMAND"},       {"check --help", "usage: tavrel-map check"},
        {"render --help", "usage: tavrel-map render"}, {"import --help", "usage: tavrel-map import"},
        {"export --help", "usage: tavrel-map export"},
    };
    for (const auto& [args, says] : cases) {
        std::string out;
        EXPECT_EQ(Tool(args, &out), 0) << args;
        EXPECT_EQ(out.rfind(says, 0), 0u) << args << "\n" << out;
    }
}

TEST_F(MapFolder, ShippedMapsComeBackThroughExportAndImportAndRenderAsPngs) {
    for (const char* name : kShipped) {
        const std::string tmx = dir_ + name + ".tmx", back = dir_ + name, png = dir_ + name + ".png";
        std::string out;
        ASSERT_EQ(Tool("export " + kResources + name + " -o " + tmx + " --encoding base64-zlib", &out), 0)
            << out;
        ASSERT_EQ(Tool("import " + tmx + " -o " + back, &out), 0) << out;
        EXPECT_EQ(Read(back), Read(kResources + name)) << name;
        ASSERT_EQ(
            Tool("render " + kResources + name + " -o " + png + " --exits --blocks --start --scale 2", &out),
            0)
            << out;
        EXPECT_EQ(Read(png).substr(1, 3), "PNG") << name;
    }
}

// Tiled from Debian, without a display, with the extension in a private configuration folder.
class RealTiled : public MapFolder {
  protected:
    void SetUp() override {
        MapFolder::SetUp();
        const std::string extensions = dir_ + "config/tiled/extensions/";
        tt::Sh("mkdir -p " + extensions + " " + dir_ + "home && chmod 700 " + dir_ + "home && cp " +
               ShellQuote(std::string(TAVREL_SOURCE_DIR) + "/tools/tiled/tavrel-map.js") + " " + extensions);
        for (const char* name : kShipped)
            Write(dir_ + name, Read(kResources + name));
        Write(dir_ + "tiles.tga", Read(kResources + "tiles.tga"));
    }
    // tiled --export-map FORMAT from to; the exit code, with Tiled's output in *out.
    int Export(const std::string& format, const std::string& from, const std::string& to, std::string* out) {
        return tt::Sh("cd " + dir_ + " && HOME=" + dir_ + "home XDG_CONFIG_HOME=" + dir_ +
                          "config XDG_RUNTIME_DIR=" + dir_ +
                          "home QT_QPA_PLATFORM=offscreen timeout 60 tiled "
                          "--export-map " +
                          format + " " + dir_ + from + " " + dir_ + to + " 2>&1",
                      out);
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
        EXPECT_EQ(Read(dir_ + stem + "-imported.map"), Read(kResources + name)) << name;
        // ...and writes a .map through the extension from the TMX tavrel-map exports.
        ASSERT_EQ(Tool("export " + dir_ + name + " -o " + dir_ + stem + ".tmx --encoding base64-zstd", &out),
                  0)
            << out;
        ASSERT_EQ(Export("tavrel", stem + ".tmx", stem + "-saved.map", &out), 0) << out;
        EXPECT_EQ(Read(dir_ + stem + "-saved.map"), Read(kResources + name)) << name;
    }
}

TEST_F(RealTiled, RefusesToSaveWhatTheGameCantShowAndSaysWhere) {
    std::string out;
    ASSERT_EQ(Tool("export " + dir_ + "a.map -o " + dir_ + "a.tmx", &out), 0) << out;
    std::string tmx = Read(dir_ + "a.tmx");
    tmx.replace(tmx.find("\n4,4,4,4,4,\n"), 12, "\n4,2147483652,4,4,4,\n"); // flipped horizontally
    Write(dir_ + "flipped.tmx", tmx);
    EXPECT_NE(Export("tavrel", "flipped.tmx", "flipped.map", &out), 0);
    EXPECT_NE(out.find("tile layer \"ground\", column 1 row 0 from the top: the tile is flipped"),
              std::string::npos)
        << out;
    EXPECT_EQ(Read(dir_ + "flipped.map"), "");
}

} // namespace
