// Loading a map file with its tile set. The file is read and checked and the tile set made
// before the current map is touched, so a bad map never leaves the game without one.
#include "core/map.h"

#include "core/config.h"
#include "core/quit.h"
#include "world/tiling.h"

#include <cstdio>
#include <fstream>

bool PrepareMap(const std::string& filename, PreparedMap& out) {
    const std::string path = RESOURCE_DIR + filename;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "Failed to load the map \"%s\": the file can't be opened\n", path.c_str());
        return false;
    }
    std::string error;
    if (!ParseMap(in, out.data, error)) {
        std::fprintf(stderr, "Failed to load the map \"%s\": %s\n", path.c_str(), error.c_str());
        return false;
    }
    if (!BuildTileSet(out.data.tilesetfile, out.textures, error)) {
        std::fprintf(stderr, "Failed to load the map \"%s\": its tile set \"%s\" %s\n", path.c_str(),
                     out.data.tilesetfile.c_str(), error.c_str());
        return false;
    }
    return true;
}

void InstallPreparedMap(PreparedMap& prepared) {
    const int r = prepared.data.background[0];
    const int g = prepared.data.background[1];
    const int b = prepared.data.background[2];
    InstallMapData(prepared.data);
    InstallTileSet(prepared.textures);
    prepared.textures.clear();
    SetBackgroundColor(r, g, b);
}

int LoadMap(std::string filename) {
    PreparedMap prepared;
    if (!PrepareMap(filename, prepared)) return 0;
    InstallPreparedMap(prepared);
    return 1;
}
