// Playability of the maps before they are written: which cells can be reached on foot, by the
// client's own walking rules (core/map.h).
#pragma once

#include "tools/artgen/world_maps.h"

#include <string>
#include <vector>

// Upper limit on a side of any map we write; the checker refuses anything larger.
constexpr int kMaxMapSide = 256;

// The player can stand at world position (x, y): on the map, and the feet on free cells.
bool StandsFree(const MapData& m, float x, float y);
// True when every map can be played: sizes and tile indices valid, start and arrival places free
// for the player's feet, no arrival on an exit, every exit's map present, no way off the grid,
// every exit and arrival reachable from the start. Otherwise false with the reason in *error.
bool CheckWorldMaps(const std::vector<NamedMap>& maps, int tile_count, std::string* error);
