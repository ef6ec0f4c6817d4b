// The tile set, the drawing of the world, and the collision and map-exit tests.
#pragma once

#include <GL/gl.h>

#include <string>

// One 16 by 16 pixel tile of the tile set.
struct tile {
    GLuint texture = 0; // OpenGL texture of the tile's image
};

// Loads the image tileset and rebuilds tiles from it; returns 1.
int load_tile_set(std::string tileset);
// Draws the ground layer and, when the map has one, the second layer.
void draw_tiles();
// Per frame: camera over the avatar, tiles, remote players, avatar, chat panel and text.
void DrawWorld();
// True when one of the avatar's feet stands on a blocked cell.
bool detect_collision();
// True when the avatar stood on a map exit and has been moved to its target map and position.
bool detect_entity();

// The tiles of the current tile set, by tile index; replaced whole by each load_tile_set.
extern tile* tiles;
// True once tiles holds an array the next load_tile_set must release.
extern bool tilesallocated;
