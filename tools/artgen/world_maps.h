// The game's maps as data: the village, the house and the forest, built in code.
#pragma once

#include "core/map.h"

#include <string>
#include <vector>

// Where every map file names its tile set: in the client's resource folder.
extern const char* const kWorldTileSetPath;

// A map and the file it is written to, such as "main.map".
struct NamedMap {
    std::string name;
    MapData data;
};

// The village, the house and the forest, joined by exits both ways.
std::vector<NamedMap> BuildWorldMaps();
