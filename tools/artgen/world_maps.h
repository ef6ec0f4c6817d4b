// The game's maps as data: built in code, checked for playability, written as map files.
#pragma once

#include <string>
#include <vector>

// Where every map file names its tile set, relative to the client's working folder.
extern const char* const kWorldTileSetPath;

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

    int At(const std::vector<int>& grid, int col, int row) const {
        return grid[static_cast<std::size_t>(row) * width + col];
    }
};

// The village, the house and the forest, joined by exits both ways.
std::vector<WorldMap> BuildWorldMaps();
// True when every map can be played: sizes and tile indices valid, start and arrival places free
// for the player's feet, no arrival on an exit, every exit's map present, no way off the grid,
// every exit and arrival reachable from the start. Otherwise false with the reason in *error.
bool CheckWorldMaps(const std::vector<WorldMap>& maps, int tile_count, std::string* error);
// The map file's text.
std::string WorldMapText(const WorldMap& map);
