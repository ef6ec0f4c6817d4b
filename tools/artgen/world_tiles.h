// The world tile set: 16 by 16 pixel tiles, 16 to a row, and the index of every tile.
// The map builder places tiles by these names, so moving a tile only means editing this table.
#pragma once

#include "tools/artgen/canvas.h"
#include "tools/artgen/geometry.h"

#include <vector>

// Row 0: plain ground.
constexpr int T_GRASS = 0;        // four grass variants, 0..3 (2 has tufts, 3 tiny flowers)
constexpr int T_DIRT = 4;         // two dirt variants, 4..5
constexpr int T_SAND = 6;         // two sand variants, 6..7
constexpr int T_SHALLOW = 8;      // shallow water
constexpr int T_DEEP = 9;         // two deep-water variants, 9..10
constexpr int T_COBBLE = 11;      // two cobblestone variants, 11..12
constexpr int T_WOODFLOOR = 13;   // two wooden-floor variants, 13..14
constexpr int T_FORESTFLOOR = 15; // dark grass strewn with leaves

// Rows 1..4: transitions between two ground kinds chosen by which corners of the cell are of
// the second kind: base + mask, mask bit 1 top-left, 2 top-right, 4 bottom-left, 8 bottom-right.
constexpr int T_DIRT_GRASS = 16; // dirt with grass corners (mask 15 is all grass)
constexpr int T_GRASS_SAND = 32; // grass with sand corners
constexpr int T_SAND_WATER = 48; // sand with shallow-water corners
constexpr int T_WATER_DEEP = 64; // shallow water with deep-water corners
constexpr int kCornerBit[4] = {1, 2, 4, 8};

// Row 5: walls, doors, interior.
constexpr int T_STONEWALL_L = 80, T_STONEWALL = 81, T_STONEWALL_R = 82, T_STONEWALL_WINDOW = 83;
constexpr int T_STONEDOOR_TOP = 84, T_STONEDOOR = 85;
constexpr int T_WOODWALL_L = 86, T_WOODWALL = 87, T_WOODWALL_R = 88, T_WOODWALL_WINDOW = 89;
constexpr int T_WOODDOOR_TOP = 90, T_WOODDOOR = 91;
// The back wall of a room, seen face on, two tiles high: T_INWALL is its lower half with the
// panelling; the upper half is T_INWALL_UPPER, or one with a window, a picture or a clock.
constexpr int T_INWALL = 92, T_INWALL_WINDOW = 93;
constexpr int T_INWALL_TOP = 94; // the top of a wall, seen from above
constexpr int T_DOORMAT = 95;    // a mat on the floor by the way out

// Rows 6 and 7: roofs (second layer), nine pieces each: ridge, slope and eave rows,
// each left end, middle and right end; then a chimney standing on a middle slope piece.
constexpr int T_ROOF_RED = 96;
constexpr int T_ROOF_SLATE = 112;
constexpr int kRoofRidge = 0, kRoofSlope = 3, kRoofEave = 6, kRoofChimney = 9; // + 0 left, 1 middle, 2 right
// The rest of row 6: bridge, floors, garden.
constexpr int T_BRIDGE_TOP = 106;    // deck planks with the upstream railing
constexpr int T_BRIDGE_BOTTOM = 107; // deck planks with the downstream railing
constexpr int T_STONEFLOOR = 108;
constexpr int T_SOIL = 109; // tilled garden rows
constexpr int T_INWALL_PICTURE = 110;
constexpr int T_INWALL_CLOCK = 111;
// The rest of row 7: fences and small things (second layer).
constexpr int T_FENCE_H = 122, T_FENCE_V = 123, T_FENCE_POST = 124;
constexpr int T_SIGN = 125, T_LILYPAD = 126, T_REEDS = 127;

// Rows 8..10: objects larger than a tile (second layer), given by their top-left tile;
// the tile below a tile t is t + kTilesPerRow.
constexpr int T_TREE = 128;      // 2 by 3: crown on the upper four tiles, trunk on the lowest two
constexpr int T_PINE = 130;      // 2 by 3
constexpr int T_SMALLTREE = 132; // 1 by 2
constexpr int T_LAMP = 133;      // 1 by 2: lantern, post
constexpr int T_BED = 134;       // 1 by 2: head with pillow, foot
constexpr int T_SHELF = 135;     // 1 by 2: a bookshelf standing against the back wall
constexpr int T_TABLE = 136;     // 2 by 1
constexpr int T_WELL = 138;      // 2 by 2
constexpr int T_FIREPLACE = 140; // 2 by 2, against the back wall
constexpr int T_BUSH = 142, T_BERRYBUSH = 143;
constexpr int T_CHAIR_DOWN = 152, T_CHAIR_UP = 153; // the way the sitter faces
constexpr int T_FLOWERS_RED = 158, T_FLOWERS_YELLOW = 159;
constexpr int T_FLOWERS_WHITE = 164, T_ROCK_SMALL = 165, T_ROCK = 166, T_BARREL = 167;
constexpr int T_CRATE = 168, T_STUMP = 169, T_CHEST = 170, T_POTPLANT = 171;
constexpr int T_MUSHROOMS = 172, T_RUG_L = 173, T_RUG_R = 174, T_LOG = 175;
// Row 11: fence corners (second layer), named by the corner of the fenced area they close.
constexpr int T_FENCE_TL = 176, T_FENCE_TR = 177, T_FENCE_BL = 178, T_FENCE_BR = 179;
// Ends of a fence by a gate: the post with its rails going off to the right, or to the left.
constexpr int T_FENCE_END_L = 180, T_FENCE_END_R = 181;
constexpr int T_INWALL_UPPER = 182;

// How one run of tiles is drawn: variant v of the recipe goes to tile first + v.
struct TileRecipe {
    int first;
    int count;
    Canvas (*draw)(int variant);
};
// Every tile of the set, in drawing order; a picture larger than a tile covers the tiles to
// its right and below, which no other recipe draws.
extern const std::vector<TileRecipe> kTileRecipes;

// Draws the whole tile set.
Canvas DrawWorldTiles();
