// The map record the generator builds and writes: the one place that says what a map file
// holds. The client reads the same fields from the file (core/map.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Where every map file names its tile set, relative to the client's working folder.
extern const char* const kWorldTileSetPath;
// Upper limit on a side of any map we write; the checker refuses anything larger.
constexpr int kMaxMapSide = 256;

// One map exit: stepping on cell (posx, posy) (world row, 0 = bottom) moves the player to
// (newposx, newposy) on newmap.
struct WorldExit {
    int posx = 0, posy = 0;
    float newposx = 0, newposy = 0;
    std::string newmap;
};

// A whole map. The grids are row-major with row 0 at the top, as the file lists them.
struct WorldMap {
    std::string name; // file name, such as "main.map"
    int width = 0, height = 0;
    float startx = 0, starty = 0; // world units
    int background[3] = {0, 0, 0};
    std::vector<int> ground, block, layer2; // layer2: negative = nothing there
    std::vector<WorldExit> exits;

    // Index of grid cell (col, row), row 0 at the top.
    std::size_t Cell(int col, int row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(col);
    }
    int At(const std::vector<int>& grid, int col, int row) const { return grid[Cell(col, row)]; }
};
