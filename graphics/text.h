// The bitmap font: 16 by 16 glyph cells, one display list per glyph, text in a fixed 640 by 480 space.
#pragma once

#include "frame/config.h"

#include <GL/gl.h>

// Where the font image lives.
#define FONT_FILE RESOURCE_DIR "font.tga"

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
