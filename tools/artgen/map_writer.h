// The map file writer: a WorldMap as the text the client parses.
#pragma once

#include "tools/artgen/world_map.h"

#include <string>

// The map file's text.
std::string WorldMapText(const WorldMap& map);
