// The current map: its grids, start position, exits, background colour and tile-set name.
#pragma once

#include <string>

// One map exit: stepping on cell (posx, posy) moves the player to (newposx, newposy) on newmap.
struct entity_t {
    int posx = 0;         // column of the trigger cell
    int posy = 0;         // world row of the trigger cell, 0 = bottom row
    float newposx = 0;    // arrival x on the target map
    float newposy = 0;    // arrival y on the target map
    std::string newmap;   // target map file name, relative to the resource folder
};

// Replaces the current map by the map file filename in the resource folder.
int LoadMap(std::string filename);
// Releases the grids and exits of the current map; nothing when there is none.
void FreeMap();

// Columns of every grid of the current map; 0 until the first LoadMap.
extern int MAP_SIZEX;
// Rows of every grid of the current map; 0 until the first LoadMap.
extern int MAP_SIZEY;
// Start position of the current map, world units.
extern float startposx;
extern float startposy;
// Non-zero when the current map has a second layer.
extern int layer2;
// Number of exits of the current map.
extern int numentities;
// Tile-set image path as the map file names it.
extern std::string tilesetfile;
// Ground layer, [row][column], row 0 at the top.
extern int** map;
// Second layer, negative = empty; only read when layer2 is set.
extern int** map2;
// Block map: 1 blocks, anything else is free.
extern int** blockmap;
// The exits, numentities of them; valid while entitiesallocated.
extern entity_t* entities;
// True exactly while entities holds an array FreeMap must release.
extern bool entitiesallocated;
