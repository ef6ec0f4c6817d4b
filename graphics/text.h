// The bitmap font: 16 by 16 glyph cells, one display list per glyph, text in a fixed 640 by 480 space.
#pragma once

#include "core/config.h"
#include "core/geometry.h"

#include <GL/gl.h>

// Where the font image lives.
#define FONT_FILE RESOURCE_DIR FONT_NAME

// The text space is always this big, whatever the window's size.
constexpr int TEXT_SPACE_WIDTH = 640;
constexpr int TEXT_SPACE_HEIGHT = 480;

// The glyph that code draws in character set `set` (above 1 acts as 1, below 0 as 0), or -1 when
// the code has no glyph there; glPrint's list base arithmetic picks exactly this glyph.
constexpr int GlyphFor(unsigned char code, int set) {
    const int s = set > 1 ? 1 : (set < 0 ? 0 : set);
    const int n = code < 128 ? code : code - 256; // glPrint hands the bytes over as GL_BYTE
    const int g = n - 32 + 128 * s;
    return g >= 0 && g < FONT_GLYPHS ? g : -1;
}

// Loads the font image as fonttexture.
void LoadFontTexture();
// Makes the 256 glyph display lists starting at base.
void BuildFont();
// Draws string with its first glyph's lower-left corner at (x, y) of the 640 by 480 text space.
void glPrint(int x, int y, const char* string, int set, float r, float g, float b);
// Deletes the glyph display lists; nothing when the font was never built.
void FreeFont();

// Texture of the font image; 0 until LoadFontTexture.
extern GLuint fonttexture;
// First of the 256 glyph display lists; 0 until BuildFont.
extern GLuint base;
