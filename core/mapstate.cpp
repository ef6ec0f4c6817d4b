// The current map in memory: installing a checked map file and releasing it.
#include "core/map.h"

#include <algorithm>
#include <utility>

int MAP_SIZEX = 0;
int MAP_SIZEY = 0;
float startposx = 0;
float startposy = 0;
int layer2 = 0;
int numentities = 0;
std::string tilesetfile;
int** map = nullptr;
int** map2 = nullptr;
int** blockmap = nullptr;
entity_t* entities = nullptr;
bool entitiesallocated = false;

static void FreeGrid(int**& grid, int rows) {
    if (!grid) return;
    for (int row = 0; row < rows; ++row)
        delete[] grid[row];
    delete[] grid;
    grid = nullptr;
}

// sizey rows of sizex values from cells (row-major, top row first); zeros when cells is empty.
static int** MakeGrid(const std::vector<int>& cells, int sizex, int sizey) {
    int** grid = new int*[sizey];
    for (int row = 0; row < sizey; ++row) {
        grid[row] = new int[sizex]();
        if (!cells.empty())
            std::copy_n(cells.begin() + static_cast<std::ptrdiff_t>(row) * sizex, sizex, grid[row]);
    }
    return grid;
}

void FreeMap() {
    if (entitiesallocated) {
        delete[] entities;
        entities = nullptr;
        entitiesallocated = false;
    }
    FreeGrid(map, MAP_SIZEY);
    FreeGrid(map2, MAP_SIZEY);
    FreeGrid(blockmap, MAP_SIZEY);
    // With the sizes at zero every later lookup sees an empty map instead of freed rows.
    MAP_SIZEX = 0;
    MAP_SIZEY = 0;
    numentities = 0;
}

void InstallMapData(MapData& data) {
    FreeMap();
    tilesetfile = data.tilesetfile;
    startposx = data.startposx;
    startposy = data.startposy;
    layer2 = data.layer2;
    // The second grid exists for every map; without a second layer it stays zero and unread.
    map = MakeGrid(data.ground, data.sizex, data.sizey);
    map2 = MakeGrid(data.second, data.sizex, data.sizey);
    blockmap = MakeGrid(data.block, data.sizex, data.sizey);
    MAP_SIZEX = data.sizex;
    MAP_SIZEY = data.sizey;
    numentities = static_cast<int>(data.entities.size());
    if (numentities > 0) {
        entities = new entity_t[numentities];
        std::move(data.entities.begin(), data.entities.end(), entities);
        entitiesallocated = true;
    }
    data = MapData();
}
