// The tile set, the drawing of the world, and the collision and map-exit tests.
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

// One 16 by 16 pixel tile of the tile set.
struct tile {
    GLuint texture = 0; // OpenGL texture of the tile's image
};

// Side of one tile in the tile-set image, pixels.
constexpr int TILE_PIXELS = 16;
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
void draw_tiles();
// Per frame: camera over the avatar, tiles, remote players, avatar, chat panel and text.
void DrawWorld();
// True when one of the avatar's feet stands on a blocked cell or outside the map.
bool detect_collision();
// True when the avatar stood on a map exit and has been moved to its target map and position.
// A target map that can't be loaded changes nothing and is reported once per arrival on the exit.
bool detect_entity();

// The tiles of the current tile set, by tile index; replaced whole by each load of a map.
extern tile* tiles;
// Number of records in tiles; 0 until the first map is loaded.
extern int numtiles;
// True once tiles holds an array the next tile set must release.
extern bool tilesallocated;
