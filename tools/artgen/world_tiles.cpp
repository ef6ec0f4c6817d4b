// The tile set's recipe table: which recipe draws which tile. The recipes themselves live in
// tiles_ground.cpp, tiles_buildings.cpp, tiles_nature.cpp and tiles_furniture.cpp.
#include "tools/artgen/world_tiles.h"

#include "tools/artgen/tiles.h"

namespace {

constexpr Edge kEdges[3] = {EDGE_LEFT, EDGE_NONE, EDGE_RIGHT}; // left end, middle, right end

// Roof piece i of nine: rows ridge, slope, eave, each left end, middle, right end.
Canvas RedRoof(int i) {
    return RoofPiece(kRoofRed, i / 3, kEdges[i % 3], 200);
}
Canvas SlateRoof(int i) {
    return RoofPiece(kSlate, i / 3, kEdges[i % 3], 201);
}

} // namespace

const std::vector<TileRecipe> kTileRecipes = {
    // Row 0: plain ground.
    {T_GRASS, 4, GrassTile},
    {T_DIRT, 2, DirtTile},
    {T_SAND, 2, SandTile},
    {T_DEEP, 2, DeepTile},
    {T_COBBLE, 2, CobbleTile},
    {T_WOODFLOOR, 2, WoodFloorTile},
    {T_SHALLOW, 1, ShallowTile},
    {T_FORESTFLOOR, 1, ForestFloorTile},
    // Rows 1..4: transitions, by corner mask.
    {T_DIRT_GRASS, 16, [](int mask) { return TransitionTile(G_DIRT, G_GRASS, mask); }},
    {T_GRASS_SAND, 16, [](int mask) { return TransitionTile(G_GRASS, G_SAND, mask); }},
    {T_SAND_WATER, 16, [](int mask) { return TransitionTile(G_SAND, G_SHALLOW, mask); }},
    {T_WATER_DEEP, 16, [](int mask) { return TransitionTile(G_SHALLOW, G_DEEP, mask); }},
    // Row 5: walls, doors, interior.
    {T_STONEWALL_L, 3, [](int i) { return StoneWall(kEdges[i]); }},
    {T_WOODWALL_L, 3, [](int i) { return WoodWall(kEdges[i]); }},
    {T_STONEWALL_WINDOW, 1, [](int) { return WindowWall(true); }},
    {T_WOODWALL_WINDOW, 1, [](int) { return WindowWall(false); }},
    {T_STONEDOOR, 1, [](int) { return DoorWall(true, false); }},
    {T_STONEDOOR_TOP, 1, [](int) { return DoorWall(true, true); }},
    {T_WOODDOOR, 1, [](int) { return DoorWall(false, false); }},
    {T_WOODDOOR_TOP, 1, [](int) { return DoorWall(false, true); }},
    {T_INWALL, 1, [](int) { return InWall(false); }},
    {T_INWALL_UPPER, 1, [](int) { return InWall(true); }},
    {T_INWALL_WINDOW, 1, [](int) { return InWallWindow(); }},
    {T_INWALL_TOP, 1, [](int) { return InWallTop(); }},
    {T_DOORMAT, 1, [](int) { return Doormat(); }},
    // Rows 6 and 7: roofs, then bridge, floors, garden, pictures, fences, small things.
    {T_ROOF_RED, 9, RedRoof},
    {T_ROOF_RED + kRoofChimney, 1, [](int) { return Chimney(kRoofRed); }},
    {T_ROOF_SLATE, 9, SlateRoof},
    {T_ROOF_SLATE + kRoofChimney, 1, [](int) { return Chimney(kSlate); }},
    {T_BRIDGE_TOP, 1, [](int) { return BridgeDeck(true); }},
    {T_BRIDGE_BOTTOM, 1, [](int) { return BridgeDeck(false); }},
    {T_STONEFLOOR, 1, StoneFloorTile},
    {T_SOIL, 1, SoilTile},
    {T_INWALL_PICTURE, 1, [](int) { return InWallPicture(); }},
    {T_INWALL_CLOCK, 1, [](int) { return InWallClock(); }},
    {T_FENCE_H, 1, [](int) { return Fence(true, true, false, false); }},
    {T_FENCE_V, 1, [](int) { return Fence(false, false, true, true); }},
    {T_FENCE_POST, 1, [](int) { return Fence(false, false, false, false); }},
    {T_FENCE_TL, 1, [](int) { return Fence(false, true, false, true); }},
    {T_FENCE_TR, 1, [](int) { return Fence(true, false, false, true); }},
    {T_FENCE_BL, 1, [](int) { return Fence(false, true, true, false); }},
    {T_FENCE_BR, 1, [](int) { return Fence(true, false, true, false); }},
    {T_FENCE_END_L, 1, [](int) { return Fence(false, true, false, false); }},
    {T_FENCE_END_R, 1, [](int) { return Fence(true, false, false, false); }},
    {T_SIGN, 1, [](int) { return Sign(); }},
    {T_LILYPAD, 1, [](int) { return LilyPad(); }},
    {T_REEDS, 1, [](int) { return Reeds(); }},
    // Rows 8..10: objects, by their top-left tile.
    {T_TREE, 1, [](int) { return RoundTree(); }},
    {T_PINE, 1, [](int) { return PineTree(); }},
    {T_SMALLTREE, 1, [](int) { return SmallTree(); }},
    {T_LAMP, 1, [](int) { return Lamp(); }},
    {T_BED, 1, [](int) { return Bed(); }},
    {T_SHELF, 1, [](int) { return Shelf(); }},
    {T_TABLE, 1, [](int) { return Table(); }},
    {T_WELL, 1, [](int) { return Well(); }},
    {T_FIREPLACE, 1, [](int) { return Fireplace(); }},
    {T_BUSH, 1, [](int) { return Bush(false); }},
    {T_BERRYBUSH, 1, [](int) { return Bush(true); }},
    {T_CHAIR_DOWN, 1, [](int) { return Chair(true); }},
    {T_CHAIR_UP, 1, [](int) { return Chair(false); }},
    {T_FLOWERS_RED, 1, [](int) { return Flowers(kRed, kYellow[2], 389); }},
    {T_FLOWERS_YELLOW, 1, [](int) { return Flowers(kYellow, kRoofRed[2], 397); }},
    {T_FLOWERS_WHITE, 1, [](int) { return Flowers(kWhite, kYellow[2], 401); }},
    {T_ROCK_SMALL, 1, [](int) { return Rock(false); }},
    {T_ROCK, 1, [](int) { return Rock(true); }},
    {T_BARREL, 1, [](int) { return Barrel(); }},
    {T_CRATE, 1, [](int) { return Crate(); }},
    {T_STUMP, 1, [](int) { return Stump(); }},
    {T_CHEST, 1, [](int) { return Chest(); }},
    {T_POTPLANT, 1, [](int) { return PotPlant(); }},
    {T_MUSHROOMS, 1, [](int) { return Mushrooms(); }},
    {T_RUG_L, 1, [](int) { return Rug(); }},
    {T_LOG, 1, [](int) { return Log(); }},
};

Canvas DrawWorldTiles() {
    Canvas sheet(kTilesPerRow * TILE_PIXELS, kTileRows * TILE_PIXELS);
    for (const TileRecipe& r : kTileRecipes)
        for (int v = 0; v < r.count; ++v)
            PasteAt(sheet, r.draw(v), r.first + v);
    return sheet;
}
