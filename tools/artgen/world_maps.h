// The game's maps as data: the village, the house and the forest, built in code.
#pragma once

#include "tools/artgen/world_map.h"

#include <vector>

// The village, the house and the forest, joined by exits both ways.
std::vector<WorldMap> BuildWorldMaps();
