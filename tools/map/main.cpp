// tavrel-map: the map author's command-line tool.
#include "tools/map/maptool.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace maptool;

const char* const kUsage =
    "usage: tavrel-map COMMAND [ARGS]\n"
    "  check FILE...                     report what would make maps misbehave in the game\n"
    "  render FILE -o OUT.png [options]  draw a map as the game does\n"
    "  import IN.tmx -o OUT.map          turn a map saved in Tiled into a game map\n"
    "  export IN.map -o OUT.tmx          turn a game map into a map for Tiled\n"
    "tavrel-map COMMAND --help tells more; docs/maps.md describes the map format.\n";

const char* const kCheckHelp =
    "usage: tavrel-map check [--root DIR] FILE...\n"
    "Reads each map file as the game would and prints one line per problem, as FILE:LINE: message:\n"
    "header values, missing or extra rows and values, tiles outside the tile set, a second layer\n"
    "that the flag on line 6 doesn't match, exits that can't be stepped on or lead nowhere, arrivals\n"
    "that are blocked or on an exit of the target, a start on a blocked cell, free edge cells that\n"
    "let the player walk off the map, map names the server would drop, and CR LF line ends.\n"
    "Target maps are looked for beside FILE. The tile-set path of line 1 is relative to the folder\n"
    "the game starts in: --root DIR names that folder; without it a path in\n"
    "Tavrel.app/Contents/Resources/ is looked for beside FILE.\n"
    "Exit status: 0 when every file is clean, 1 when a problem was found, 2 on a usage error.\n";

const char* const kRenderHelp =
    "usage: tavrel-map render FILE -o OUT.png [--root DIR] [--scale N] [--blocks] [--exits] [--start]\n"
    "Draws the whole map into a PNG, 16 pixels per cell times N (1 to 16, default 1), as the game\n"
    "draws it: the ground, the second layer over it by its alpha, the background colour where a\n"
    "cell names no tile.\n"
    "  --blocks  shade blocked cells red\n"
    "  --exits   outline exits in yellow and write their target map and arrival beside them\n"
    "  --start   mark the start position with a cross\n"
    "--root DIR: as for check.\n";

const char* const kImportHelp =
    "usage: tavrel-map import IN.tmx -o OUT.map\n"
    "Reads a map saved by Tiled and writes the game's map file. The map must be orthogonal, finite,\n"
    "of 16 by 16 pixel tiles, on one tile set cut from one image, with the tile layers \"ground\"\n"
    "(every cell a tile), \"layer2\" (optional; empty cells stay empty) and \"block\" (a cell with\n"
    "the first tile of the tile set blocks, an empty cell is free), an optional object layer\n"
    "\"exits\" of one-cell rectangles with the properties map, arrivalx and arrivaly, and the map\n"
    "properties startx and starty. Anything else (flipped tiles, more tile sets, other layers,\n"
    "other tile sizes, infinite or isometric maps) is refused with what and where it is.\n"
    "Layer data may be CSV, XML, base64, or base64 compressed with zlib, gzip or zstd.\n"
    "Run tavrel-map check on the result before playing it.\n";

const char* const kExportHelp =
    "usage: tavrel-map export IN.map -o OUT.tmx [--root DIR] [--encoding E]\n"
    "Writes a map for Tiled; tavrel-map import gives back the same map file, byte for byte.\n"
    "The TMX names the tile-set image by a path relative to OUT.tmx. --encoding chooses how the\n"
    "layers are stored: csv (default), base64, base64-zlib, base64-gzip, base64-zstd.\n"
    "--root DIR: as for check.\n";

int Usage(const char* help, const std::string& problem) {
    std::fprintf(stderr, "tavrel-map: %s\n%s", problem.c_str(), help);
    return 2;
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

// Options shared by the subcommands; anything else starting with "-" is a usage error.
struct Options {
    std::vector<std::string> files;
    std::string out, root, encoding = "csv";
    int scale = 1;
    bool blocks = false, exits = false, start = false;
};

bool ParseOptions(const std::vector<std::string>& args, const std::vector<std::string>& allowed, Options& o,
                  std::string& problem) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool known = std::find(allowed.begin(), allowed.end(), a) != allowed.end();
        if (a.size() > 1 && a[0] == '-' && !known) return (problem = "unknown option " + a), false;
        const bool takes = a == "-o" || a == "--root" || a == "--scale" || a == "--encoding";
        if (takes && i + 1 == args.size()) return (problem = a + " needs a value"), false;
        if (a == "-o")
            o.out = args[++i];
        else if (a == "--root")
            o.root = args[++i];
        else if (a == "--encoding")
            o.encoding = args[++i];
        else if (a == "--scale") {
            const std::string& v = args[++i];
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (*end || n < 1 || n > 16) return (problem = "--scale takes 1 to 16, not " + v), false;
            o.scale = static_cast<int>(n);
        } else if (a == "--blocks")
            o.blocks = true;
        else if (a == "--exits")
            o.exits = true;
        else if (a == "--start")
            o.start = true;
        else
            o.files.push_back(a);
    }
    return true;
}

int Check(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return std::fputs(kCheckHelp, stdout), 0;
    Options o;
    std::string problem;
    if (!ParseOptions(args, {"--root"}, o, problem)) return Usage(kCheckHelp, problem);
    if (o.files.empty()) return Usage(kCheckHelp, "name at least one map file");
    int found = 0;
    for (const std::string& file : o.files)
        for (const Problem& p : CheckMap(file, Places{o.root})) {
            std::printf("%s:%d: %s\n", file.c_str(), p.line, p.message.c_str());
            ++found;
        }
    return found ? 1 : 0;
}

// Reads a map for render and export; prints why not.
bool Load(const std::string& file, const Options& o, MapData& map, Picture& tiles, std::string& tilepath) {
    std::string why;
    if (!ReadMapFile(file, map, why)) {
        std::fprintf(stderr, "%s: %s; run tavrel-map check on it\n", file.c_str(), why.c_str());
        return false;
    }
    tilepath = TileSetPath(file, map.tilesetfile, Places{o.root});
    if (!LoadPicture(tilepath, tiles, why)) {
        std::fprintf(stderr,
                     "%s:1: the tile-set image can't be read (%s: %s); pass --root with the folder the game "
                     "starts in\n",
                     file.c_str(), tilepath.c_str(), why.c_str());
        return false;
    }
    return true;
}

int Render(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return std::fputs(kRenderHelp, stdout), 0;
    Options o;
    std::string problem;
    if (!ParseOptions(args, {"-o", "--root", "--scale", "--blocks", "--exits", "--start"}, o, problem))
        return Usage(kRenderHelp, problem);
    if (o.files.size() != 1 || o.out.empty()) return Usage(kRenderHelp, "name one map file and -o OUT.png");
    MapData map;
    Picture tiles, out;
    std::string tilepath, why;
    if (!Load(o.files[0], o, map, tiles, tilepath)) return 1;
    if (!RenderMap(map, tiles, RenderOptions{o.scale, o.blocks, o.exits, o.start}, out, why) ||
        !SavePng(o.out, out, why)) {
        std::fprintf(stderr, "%s: %s\n", o.out.c_str(), why.c_str());
        return 1;
    }
    return 0;
}

bool WriteAll(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (out) return true;
    std::fprintf(stderr, "%s: can't be written\n", path.c_str());
    return false;
}

// path relative to the folder of the file "from" (both as given on the command line).
std::string RelativeTo(const std::string& path, const std::string& from);

int Export(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return std::fputs(kExportHelp, stdout), 0;
    Options o;
    std::string problem;
    if (!ParseOptions(args, {"-o", "--root", "--encoding"}, o, problem)) return Usage(kExportHelp, problem);
    if (o.files.size() != 1 || o.out.empty()) return Usage(kExportHelp, "name one map file and -o OUT.tmx");
    const auto& names = TmxEncodings();
    if (std::find(names.begin(), names.end(), o.encoding) == names.end())
        return Usage(kExportHelp, "unknown encoding " + o.encoding);
    MapData map;
    Picture tiles;
    std::string tilepath, tmx, why;
    if (!Load(o.files[0], o, map, tiles, tilepath)) return 1;
    if (!ExportTmx(map, RelativeTo(tilepath, o.out), tiles.width, tiles.height, o.encoding, tmx, why)) {
        std::fprintf(stderr, "%s: %s\n", o.files[0].c_str(), why.c_str());
        return 1;
    }
    return WriteAll(o.out, tmx) ? 0 : 1;
}

int Import(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return std::fputs(kImportHelp, stdout), 0;
    Options o;
    std::string problem;
    if (!ParseOptions(args, {"-o"}, o, problem)) return Usage(kImportHelp, problem);
    if (o.files.size() != 1 || o.out.empty()) return Usage(kImportHelp, "name one TMX file and -o OUT.map");
    std::ifstream in(o.files[0], std::ios::binary);
    if (!in) return std::fprintf(stderr, "%s: can't be opened\n", o.files[0].c_str()), 1;
    std::stringstream text;
    text << in.rdbuf();
    const std::size_t slash = o.files[0].rfind('/');
    MapData map;
    std::string why;
    if (!ImportTmx(text.str(), slash == std::string::npos ? "" : o.files[0].substr(0, slash + 1), map, why)) {
        std::fprintf(stderr, "%s: %s\n", o.files[0].c_str(), why.c_str());
        return 1;
    }
    std::ostringstream out;
    WriteMap(out, map);
    return WriteAll(o.out, out.str()) ? 0 : 1;
}

std::string RelativeTo(const std::string& path, const std::string& from) {
    namespace fs = std::filesystem;
    const fs::path base = fs::absolute(fs::path(from)).parent_path();
    return fs::absolute(fs::path(path))
        .lexically_normal()
        .lexically_relative(base.lexically_normal())
        .generic_string();
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 1 ? 2 : 1), argv + argc);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "check") return Check(args);
    if (command == "render") return Render(args);
    if (command == "import") return Import(args);
    if (command == "export") return Export(args);
    if (command == "--help" || command == "-h" || command == "help") return std::fputs(kUsage, stdout), 0;
    std::fputs(command.empty() ? "tavrel-map: name a command\n"
                               : ("tavrel-map: unknown command " + command + "\n").c_str(),
               stderr);
    std::fputs(kUsage, stderr);
    return 2;
}
