// The tile set, loading maps with their tile sets, the drawing of the layers, and the collision
// and map-exit tests of the local player.
#pragma once

#include "core/geometry.h"
#include "core/map.h"

#include <GL/gl.h>

#include <functional>

#include <string>
#include <vector>

// One 16 by 16 pixel tile of the tile set.
struct tile {
    GLuint texture = 0; // OpenGL texture of the tile's image
};

// Most tiles one tile-set image may hold (a 2048 by 2048 pixel image).
constexpr int MAX_TILES = 16384;

// Loads the image tileset and makes it the current tile set; 1 on success, 0 (tiles unchanged,
// a line on standard error) when the image can't be loaded or holds no whole tile.
int load_tile_set(std::string tileset);
// Cuts the image tileset into one texture per whole tile, row by row from the top left,
// touching nothing current. False, with why, when it can't: no texture is left behind then.
bool BuildTileSet(const std::string& tileset, std::vector<GLuint>& textures, std::string& why);
// Makes textures the current tile set; the textures of the tile set it replaces are deleted.
void InstallTileSet(const std::vector<GLuint>& textures);
// Deletes the current tile set's textures and releases tiles; needs the OpenGL context that made
// them. The game never needs it (a new map replaces the tile set); a test that closes its
// window uses it so the next window's fresh texture names aren't taken for stale ones.
void FreeTileSet();
// Draws the ground layer and, when the map has one, the second layer; indices naming no tile are skipped.
// Only the cells the current camera can show are drawn, unless drawallcells is set.
void draw_tiles();
// True when one of the avatar's feet stands on a blocked cell or outside the map.
bool detect_collision();
// True when the avatar stood on a map exit and has been moved to its target map and position;
// announce hears the target map's name after it has been read and before it becomes current.
// A target map that can't be loaded changes nothing and is reported once per arrival on the exit.
bool detect_entity(const std::function<void(const std::string&)>& announce);
// Sets the clear colour from 0..255 components (unclamped).
void SetBackgroundColor(int r, int g, int b);

// A map file read and checked, with its tile set already made, ready to become the current map.
struct PreparedMap {
    MapData data;
    std::vector<GLuint> textures; // the tile set, by tile index
};
// Reads the map file filename in the resource folder and makes its tile set, changing nothing
// current. False when LoadMap would fail, after printing the same line.
bool PrepareMap(const std::string& filename, PreparedMap& out);
// Makes a prepared map the current map and tile set and sets its background colour.
void InstallPreparedMap(PreparedMap& prepared);
// Replaces the current map and tile set by the map file filename in the resource folder.
// Returns 1 on success; 0 when the file can't be opened, is impossible, or its tile set
// can't be loaded: then one line naming the file and the problem is on standard error and
// the current map and tile set are unchanged.
int LoadMap(std::string filename);

// The tiles of the current tile set, by tile index; replaced whole by each load of a map.
extern tile* tiles;
// Number of records in tiles; 0 until the first map is loaded.
extern int numtiles;
// True once tiles holds an array the next tile set must release.
extern bool tilesallocated;
// When true, draw_tiles draws every cell of the map instead of only those that can show; the
// picture is the same. Set only by tests and benchmarks that compare the two; never reset.
extern bool drawallcells;
