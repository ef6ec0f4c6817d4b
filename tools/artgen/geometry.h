// Every size the game's client assumes of the generated images, in one place: the tile set's
// grid, the sprite sheet's frames and the font's cells. The client reads the images by these
// numbers, so a change here is a change to the file formats.
#pragma once

// The tile set: 16 by 16 pixel tiles, 16 to a row.
constexpr int kTileSize = 16;
constexpr int kTilesPerRow = 16;
constexpr int kTileRows = 12;
constexpr int kTileCount = kTilesPerRow * kTileRows;

// The sprite sheet: blocks of 3 frames by 4 directions, each frame 24 by 32 pixels.
constexpr int kFrameWidth = 24;
constexpr int kFrameHeight = 32;
constexpr int kBlockWidth = 3 * kFrameWidth;   // 72
constexpr int kBlockHeight = 4 * kFrameHeight; // 128
constexpr int kSheetBlocksAcross = 4;
constexpr int kSheetBlocksDown = 2;

// The font image: 16 by 16 cells of 16 pixels; the game moves the pen 10 pixels a glyph.
constexpr int kFontCell = 16;
constexpr int kFontAdvance = 10;
constexpr int kFontCellsAcross = 16;
