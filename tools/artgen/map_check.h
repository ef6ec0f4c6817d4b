// Playability of the maps before they are written: the player's feet, blocked cells and exits
// by the same rules as the client's walking, and which cells can be reached on foot.
#pragma once

#include "tools/artgen/world_map.h"

#include <string>
#include <vector>

// A cell (world row, 0 = bottom) the player can't stand in; everything off the grid blocks.
bool Blocked(const WorldMap& m, int col, int worldrow);
// The player's feet at world position (x, y): two points 0.2 either side, half a unit below
// the position, cells by truncation; true when neither is blocked and the position is on the map.
bool FeetFree(const WorldMap& m, float x, float y);
// The exit on cell (col, worldrow), or null.
const WorldExit* ExitAt(const WorldMap& m, int col, int worldrow);
// True when every map can be played: sizes and tile indices valid, start and arrival places free
// for the player's feet, no arrival on an exit, every exit's map present, no way off the grid,
// every exit and arrival reachable from the start. Otherwise false with the reason in *error.
bool CheckWorldMaps(const std::vector<WorldMap>& maps, int tile_count, std::string* error);
