// The figure half of the art generator: characters, the font and the chat panel.
#pragma once

#include "tools/artgen/art.h"

// Sprite sheet geometry: blocks of 3 frames by 4 directions, each frame 24 by 32 pixels.
constexpr int kFrameWidth = 24;
constexpr int kFrameHeight = 32;
constexpr int kBlockWidth = 3 * kFrameWidth;   // 72
constexpr int kBlockHeight = 4 * kFrameHeight; // 128
constexpr int kSheetBlocksAcross = 4;
constexpr int kSheetBlocksDown = 2;

// Font image geometry: 16 by 16 cells; the game moves the pen 10 pixels a glyph.
constexpr int kFontCell = 16;
constexpr int kFontAdvance = 10;

// The eight characters, block by block, row by row from the top-left.
Canvas DrawHeroSheet();
// The two character sets rasterised from DejaVu Sans Mono; false after printing what went wrong.
bool DrawFontSheet(Canvas& out);
// The framed panel behind the chat log.
Canvas DrawChatPanel();
