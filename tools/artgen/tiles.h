// What the tile recipes share: the world's palette and the pieces one recipe borrows from
// another. Only the tiles_*.cpp files and the tile set's recipe table include this.
//
// Light falls from the top-left everywhere; every material has a five-step colour ramp
// (outline, dark, mid, light, highlight), and texture noise comes from the paint kit's fixed
// hashes, so the image is the same each run.
#pragma once

#include "tools/artgen/geometry.h"
#include "tools/artgen/paint.h"

// One palette for the whole world, so neighbouring tiles agree with each other.
inline const Ramp kGrass = {{{30, 72, 42}, {54, 112, 50}, {80, 146, 60}, {112, 176, 74}, {156, 204, 98}}};
inline const Ramp kForest = {{{20, 50, 34}, {36, 82, 44}, {52, 106, 50}, {74, 130, 58}, {110, 160, 74}}};
inline const Ramp kDirt = {{{82, 54, 34}, {128, 90, 56}, {162, 120, 78}, {190, 150, 102}, {214, 182, 132}}};
inline const Ramp kSand = {
    {{148, 120, 76}, {200, 176, 118}, {222, 202, 144}, {236, 222, 172}, {250, 242, 208}}};
inline const Ramp kShallow = {
    {{34, 82, 130}, {56, 120, 168}, {78, 154, 198}, {118, 190, 222}, {200, 234, 246}}};
inline const Ramp kDeep = {{{16, 36, 82}, {28, 58, 114}, {40, 80, 146}, {58, 106, 172}, {98, 146, 202}}};
inline const Ramp kStone = {{{42, 42, 54}, {86, 88, 102}, {122, 124, 136}, {158, 160, 168}, {198, 198, 204}}};
inline const Ramp kWood = {{{56, 34, 20}, {102, 64, 36}, {140, 94, 54}, {176, 126, 74}, {206, 162, 106}}};
inline const Ramp kDarkWood = {{{34, 20, 14}, {62, 38, 24}, {86, 54, 32}, {112, 74, 44}, {140, 98, 60}}};
inline const Ramp kRoofRed = {{{68, 22, 22}, {124, 42, 36}, {166, 64, 48}, {200, 96, 68}, {230, 140, 102}}};
inline const Ramp kSlate = {{{28, 34, 58}, {50, 62, 96}, {72, 90, 130}, {98, 120, 162}, {138, 160, 196}}};
inline const Ramp kLeaf = {{{18, 50, 30}, {34, 86, 42}, {56, 124, 50}, {92, 158, 62}, {138, 194, 86}}};
inline const Ramp kPine = {{{12, 40, 34}, {22, 68, 48}, {36, 96, 60}, {58, 128, 72}, {96, 162, 94}}};
inline const Ramp kPlaster = {
    {{96, 78, 58}, {168, 144, 110}, {204, 182, 144}, {224, 206, 170}, {242, 230, 202}}};
inline const Ramp kRed = {{{78, 18, 26}, {138, 34, 42}, {184, 56, 58}, {212, 96, 86}, {238, 148, 128}}};
inline const Ramp kBlue = {{{24, 34, 76}, {44, 62, 128}, {66, 92, 170}, {100, 130, 204}, {150, 176, 230}}};
inline const Ramp kYellow = {
    {{120, 80, 10}, {200, 150, 24}, {236, 196, 48}, {250, 224, 96}, {255, 246, 180}}};
inline const Ramp kWhite = {
    {{110, 110, 124}, {180, 182, 196}, {220, 222, 230}, {240, 240, 246}, {255, 255, 255}}};
inline const Ramp kIron = {{{24, 24, 30}, {44, 46, 54}, {68, 70, 80}, {98, 100, 112}, {140, 142, 154}}};

// The kinds of ground that blend into each other in the transition rows.
enum Ground { G_DIRT, G_GRASS, G_SAND, G_SHALLOW, G_DEEP };
// Which end of a row of wall or roof a piece is.
enum Edge { EDGE_NONE, EDGE_LEFT, EDGE_RIGHT };

// The centre of pixel v, where shapes are sampled.
inline float PixelCentre(int v) {
    return static_cast<float>(v) + 0.5f;
}

// ---- ground (tiles_ground.cpp) ---------------------------------------------------------------
Canvas GrassTile(int variant); // 2 has tufts, 3 tiny flowers
Canvas DirtTile(int variant);
Canvas SandTile(int variant);
Canvas ShallowTile(int variant);
Canvas DeepTile(int variant);
Canvas CobbleTile(int variant);
Canvas WoodFloorTile(int variant);
Canvas ForestFloorTile(int variant);
Canvas StoneFloorTile(int variant);
Canvas SoilTile(int variant);
// `upper` ground in the corners of `mask` (kCornerBit), `lower` ground elsewhere.
Canvas TransitionTile(Ground lower, Ground upper, int mask);

// ---- buildings (tiles_buildings.cpp) -------------------------------------------------------
Canvas StoneWall(Edge edge);
Canvas WoodWall(Edge edge);
Canvas WindowWall(bool stone);
// The door's arched top (top tile) or its lower part with knob and step (bottom tile).
Canvas DoorWall(bool stone, bool top);
// One roof piece: `row` 0 ridge, 1 slope, 2 eave; `end` which side.
Canvas RoofPiece(const Ramp& r, int row, Edge end, int seed);
Canvas Chimney(const Ramp& roof);
// The back wall of a room: upper half with the moulding, lower half with the panelling.
Canvas InWall(bool upper);
Canvas InWallWindow();
Canvas InWallPicture();
Canvas InWallClock();
Canvas InWallTop();
Canvas Doormat();
Canvas BridgeDeck(bool top_rail);
// Rails at two heights between posts; which sides the rails run to.
Canvas Fence(bool left, bool right, bool up, bool down);
Canvas Sign();

// ---- nature (tiles_nature.cpp) --------------------------------------------------------------
Canvas RoundTree();
Canvas PineTree();
Canvas SmallTree();
Canvas Bush(bool berries);
Canvas Flowers(const Ramp& petal, Rgb centre, int seed);
Canvas Rock(bool big);
Canvas Stump();
Canvas Log();
Canvas Mushrooms();
Canvas LilyPad();
Canvas Reeds();

// ---- furniture (tiles_furniture.cpp) -----------------------------------------------------------
Canvas Lamp();
Canvas Bed();
Canvas Shelf();
Canvas Table();
Canvas Chair(bool faces_down);
Canvas Well();
Canvas Fireplace();
Canvas Barrel();
Canvas Crate();
Canvas Chest();
Canvas PotPlant();
Canvas Rug(); // 2 by 1
