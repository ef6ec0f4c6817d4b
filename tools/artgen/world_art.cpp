// The world's art: the tile set and the map files, drawn and checked in memory first.
#include "tools/artgen/art.h"
#include "tools/artgen/world_maps.h"
#include "tools/artgen/world_tiles.h"

#include <cstdio>

bool MakeWorldArt(const std::string& outdir) {
    const Canvas tiles = DrawWorldTiles();
    if (tiles.width != kTilesPerRow * kTileSize || tiles.height != kTileRows * kTileSize) {
        std::fprintf(stderr, "world art: tile set is %dx%d pixels, expected %dx%d\n", tiles.width,
                     tiles.height, kTilesPerRow * kTileSize, kTileRows * kTileSize);
        return false;
    }
    const std::vector<WorldMap> maps = BuildWorldMaps();
    std::string error;
    // A map that traps or strands the player is a bug in the builder; nothing is written then.
    if (!CheckWorldMaps(maps, kTileCount, &error)) {
        std::fprintf(stderr, "world art: %s\n", error.c_str());
        return false;
    }
    if (!WriteTga(outdir + "/tiles.tga", tiles, true)) return false;
    for (const WorldMap& m : maps)
        if (!WriteText(outdir + "/" + m.name, WorldMapText(m))) return false;
    return true;
}
