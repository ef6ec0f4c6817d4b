// How the generator lays out its images. The sizes the client reads them by (tile, frame, glyph
// cell) are the game's own, in core/geometry.h; what is here is only the generator's choice of
// how many of each it draws.
#pragma once

#include "core/geometry.h"

// The tile set: 16 tiles to a row, 12 rows.
constexpr int kTilesPerRow = 16;
constexpr int kTileRows = 12;
constexpr int kTileCount = kTilesPerRow * kTileRows;

// The sprite sheet: 4 character blocks across, 2 down.
constexpr int kSheetBlocksAcross = 4;
constexpr int kSheetBlocksDown = 2;
