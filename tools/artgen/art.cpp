// Draws everything in memory, checks it, then writes the files.
#include "tools/artgen/art.h"

#include "core/resources.h"

#include "tools/artgen/figure_art.h"
#include "tools/artgen/icon.h"
#include "tools/artgen/map_check.h"
#include "tools/artgen/png.h"
#include "tools/artgen/tga.h"
#include "tools/artgen/world_maps.h"
#include "tools/artgen/world_tiles.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}

bool MakeWorldArt(const std::string& outdir) {
    const Canvas tiles = DrawWorldTiles();
    const std::vector<NamedMap> maps = BuildWorldMaps();
    std::string error;
    // A map that traps or strands the player is a bug in the builder; nothing is written then.
    if (!CheckWorldMaps(maps, kTileCount, &error)) {
        std::fprintf(stderr, "world art: %s\n", error.c_str());
        return false;
    }
    const std::string tileset = std::filesystem::path(kWorldTileSetPath).filename().string();
    if (!WriteFile(outdir + "/" + tileset, TgaBytes(tiles, true))) return false;
    for (const NamedMap& m : maps) {
        std::ostringstream text;
        WriteMap(text, m.data);
        if (!WriteFile(outdir + "/" + m.name, text.str())) return false;
    }
    return true;
}

bool MakeFigureArt(const std::string& outdir) {
    Canvas font;
    if (!DrawFontSheet(font)) return false;
    return WriteFile(outdir + "/" SPRITE_SHEET_NAME, TgaBytes(DrawHeroSheet(), true)) &&
           WriteFile(outdir + "/" FONT_NAME, TgaBytes(font, true)) &&
           WriteFile(outdir + "/" CHAT_PANEL_NAME, TgaBytes(DrawChatPanel(), true));
}

bool MakeIcons(const std::string& outdir) {
    const std::string folder = outdir + "/icons";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "cannot make %s: %s\n", folder.c_str(), ec.message().c_str());
        return false;
    }
    for (const int size : kIconSizes) {
        const std::string png = PngBytes(DrawIcon(size));
        if (png.empty() || !WriteFile(folder + "/tavrel-" + std::to_string(size) + ".png", png)) return false;
    }
    return true;
}
