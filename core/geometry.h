// The sizes the game reads its images by: tiles in a tile set, frames in the sprite sheet, glyph
// cells in the font. The client cuts the images by these numbers and the art generator draws them
// by the same ones, so a change here is a change to the image formats.
#pragma once

// Side of one tile in a tile-set image, pixels; one tile covers one world unit.
constexpr int TILE_PIXELS = 16;

// One character block of the sprite sheet: 3 frames across by 4 directions down, each frame
// CHAR_FRAME_W by CHAR_FRAME_H pixels.
constexpr int CHAR_FRAME_W = 24, CHAR_FRAME_H = 32;
constexpr int CHAR_BLOCK_W = 3 * CHAR_FRAME_W, CHAR_BLOCK_H = 4 * CHAR_FRAME_H;

// The font image is a grid of FONT_CELLS by FONT_CELLS glyph cells.
constexpr int FONT_CELLS = 16;
// Glyphs, and so display lists, the font has.
constexpr int FONT_GLYPHS = FONT_CELLS * FONT_CELLS;
// Side of the square a glyph covers in the 640 by 480 text space; the shipped font's cells are
// this many pixels, so text shows one image pixel per screen pixel in a 640 by 480 window.
constexpr int GLYPH_SIZE = 16;
// How far the pen moves right after each glyph, in text-space units.
constexpr int GLYPH_ADVANCE = 10;
