// The current map: its grids, start position, exits, background colour and tile-set name.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

// One map exit: stepping on cell (posx, posy) moves the player to (newposx, newposy) on newmap.
struct entity_t {
    int posx = 0;       // column of the trigger cell
    int posy = 0;       // world row of the trigger cell, 0 = bottom row
    float newposx = 0;  // arrival x on the target map
    float newposy = 0;  // arrival y on the target map
    std::string newmap; // target map file name, relative to the resource folder
};

// Largest number of columns or rows a map may have.
constexpr int MAX_MAP_SIZE = 4096;
// Largest number of cells (columns times rows) a map may have. An empty line is a whole row of
// zeros, so without it a 12 KB file could make 4096 by 4096 grids: seconds and hundreds of MB.
constexpr long MAX_MAP_CELLS = 1L << 20;
// Longest line of a map file, bytes; a longer one is refused rather than buffered whole.
constexpr std::size_t MAX_MAP_LINE = 1 << 20;
// Largest number of exits a map may have.
constexpr int MAX_MAP_ENTITIES = 4096;

// A whole map file, read and checked, before it becomes the current map.
struct MapData {
    std::string tilesetfile; // tile-set image path, the whole first line
    int sizex = 0;           // columns, 1..MAX_MAP_SIZE
    int sizey = 0;           // rows, 1..MAX_MAP_SIZE; sizex * sizey <= MAX_MAP_CELLS
    float startposx = 0;     // start position, world units
    float startposy = 0;
    int layer2 = 0;                // non-zero when the second layer is present
    int background[3] = {0, 0, 0}; // red, green, blue as written (unclamped)
    std::vector<int> ground;       // sizey rows of sizex values, top row first
    std::vector<int> second;       // as ground when layer2 is set, otherwise empty
    std::vector<int> block;        // as ground
    std::vector<entity_t> entities;
};

// Reads a whole map file from in into out. False, with error saying which line and why, when the
// header is impossible, a start or exit target is not a finite number, an exit names a map longer
// than MAX_MAP_NAME, a line is longer than MAX_MAP_LINE, or the file ends before the last line
// it promises. The grids grow with the rows read, never ahead of them.
bool ParseMap(std::istream& in, MapData& out, std::string& error);

// Writes data as a map file, LF line ends, with the separator lines "ground", "block", "layer2"
// and "exits"; ParseMap gives back the same data, and a file this writes comes back byte for byte.
void WriteMap(std::ostream& out, const MapData& data);
// The shortest text of a map file's decimal numbers that reads back as exactly value: "%g" when
// that is exact ("7.5", "33.5"), more digits only when it isn't.
std::string FormatMapFloat(float value);

// The cell (col, world row) of a grid of sizey row pointers to sizex values, row 0 at the top,
// is blocked: its value is 1, or it lies outside the grid.
bool CellBlocked(int* const* grid, int sizex, int sizey, int col, int worldrow);
// The same of a map not yet installed, its block grid; a cell the grid is too short for blocks.
bool CellBlocked(const MapData& data, int col, int worldrow);
// The feet of a player at (px, py) stand on a blocked cell: probes at (px +- 0.2, py - 0.5),
// truncated toward zero.
bool FeetBlocked(int* const* grid, int sizex, int sizey, float px, float py);
bool FeetBlocked(const MapData& data, float px, float py);
// Index of the first exit whose trigger cell holds the position (px, py) truncated toward zero,
// or -1. A cell outside the grid fires too (no grid is read): the player's position reaches the
// row above the top one whenever the top row is free, which is how a map puts a door on its edge.
int FindExit(const entity_t* list, int count, float px, float py);
int FindExit(const MapData& data, float px, float py);

// Makes data the current map: releases the old one, fills the globals below. data is emptied.
void InstallMapData(MapData& data);

// Releases the grids and exits of the current map and empties the sizes; nothing when there is none.
void FreeMap();

// Columns of every grid of the current map; 0 until the first LoadMap and after FreeMap.
extern int MAP_SIZEX;
// Rows of every grid of the current map; 0 until the first LoadMap and after FreeMap.
extern int MAP_SIZEY;
// Start position of the current map, world units; set by each LoadMap.
extern float startposx;
extern float startposy;
// Non-zero when the current map has a second layer; set by each LoadMap.
extern int layer2;
// Number of exits of the current map; set by each LoadMap, 0 after FreeMap.
extern int numentities;
// Tile-set image path as the map file names it; set by each LoadMap.
extern std::string tilesetfile;
// Ground layer, [row][column], row 0 at the top; null until LoadMap and after FreeMap.
extern int** map;
// Second layer, negative = empty; only read when layer2 is set; null until LoadMap and after FreeMap.
extern int** map2;
// Block map: 1 blocks, anything else is free; null until LoadMap and after FreeMap.
extern int** blockmap;
// The exits, numentities of them; valid while entitiesallocated.
extern entity_t* entities;
// True exactly while entities holds an array FreeMap must release.
extern bool entitiesallocated;
