// tavrel-map: checking, drawing, and Tiled import and export of the game's map files, over the
// client's own map parser and writer.
#pragma once

#include "core/map.h"

#include <cstdint>
#include <string>
#include <vector>

namespace maptool {

// Side of one tile in a tile-set image, pixels.
constexpr int TILE = 16;

// One finding of the checker: the line of the map file it is about (0: the file as a whole).
struct Problem {
    int line = 0;
    std::string message;
};

// Where the files a map names are found. A map's tile-set path is relative to the runnable
// folder (the folder the client starts in); target maps are relative to the resource folder.
struct Places {
    // The runnable folder; empty: the map's own folder is taken as the resource folder and a
    // tile-set path starting with the resource folder's name is looked up beside the map.
    std::string root;
};

// Everything in the map file path that would make the map misbehave in the client.
std::vector<Problem> CheckMap(const std::string& path, const Places& places);

// An RGBA picture, rows top to bottom.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
    std::size_t Offset(int x, int y) const {
        return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) *
               4;
    }
    std::uint8_t* At(int x, int y) { return &rgba[Offset(x, y)]; }
    const std::uint8_t* At(int x, int y) const { return &rgba[Offset(x, y)]; }
};

// Reads an image the way the client does (SDL_image); false with why.
bool LoadPicture(const std::string& path, Picture& out, std::string& why);
// Writes an RGBA picture as a PNG; false with why.
bool SavePng(const std::string& path, const Picture& picture, std::string& why);

// The file a map's tile-set path names, on this machine.
std::string TileSetPath(const std::string& mapfile, const std::string& written, const Places& places);
// The file of a target map name, beside mapfile.
std::string TargetMapPath(const std::string& mapfile, const std::string& name);
// Reads and parses a map file; false with why ("can't be opened" or the parser's reason).
bool ReadMapFile(const std::string& path, MapData& out, std::string& why);

struct RenderOptions {
    int scale = 1;       // each tile pixel becomes scale by scale pixels
    bool blocks = false; // shade blocked cells
    bool exits = false;  // outline exits and write their targets beside them
    bool start = false;  // mark the start position
};
// Draws the map as the client does: background colour, opaque ground, blended second layer.
bool RenderMap(const MapData& map, const Picture& tileset, const RenderOptions& options, Picture& out,
               std::string& why);

// Turns a map into Tiled's TMX text; image is the tile-set image's path as the TMX should name
// it (relative to the TMX file), width and height its size in pixels. False with why when the
// map holds something TMX can't carry.
// encoding: how the tile layers' data is written, one of TmxEncodings().
bool ExportTmx(const MapData& map, const std::string& image, int width, int height,
               const std::string& encoding, std::string& tmx, std::string& why);
// The layer data encodings Tiled knows and ExportTmx writes: "csv" first, the default.
const std::vector<std::string>& TmxEncodings();
// Reads Tiled's TMX text (tsxdir: where external tile sets are looked up). False with why, which
// names what the game can't represent and where, instead of dropping it.
bool ImportTmx(const std::string& tmx, const std::string& tsxdir, MapData& out, std::string& why);

// The map name the server passes on: 1 to MAX_MAP_NAME printable ASCII bytes, no "|".
bool ServerTakesMapName(const std::string& name);

} // namespace maptool
