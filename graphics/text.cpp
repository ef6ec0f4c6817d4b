// The bitmap font: one texture of 16 by 16 cells and one display list per glyph, so a string
// costs one bind and one glCallLists however long it is.
#include "graphics/text.h"

#include "graphics/texture.h"

#include <cstring>

GLuint fonttexture = 0;
GLuint base = 0;

void LoadFontTexture() {
    // Without the font no chat can be read or written: stop rather than play mute.
    fonttexture = TextureFromFileOrQuit(FONT_FILE, "font");
}

void BuildFont() {
    base = glGenLists(FONT_GLYPHS);
    glBindTexture(GL_TEXTURE_2D, fonttexture);
    const float cell = 1.0f / FONT_CELLS;
    for (int g = 0; g < FONT_GLYPHS; g++) {
        const float m = float(g % FONT_CELLS) * cell;
        const float q = float(g / FONT_CELLS) * cell;
        glNewList(base + static_cast<GLuint>(g), GL_COMPILE);
        glBegin(GL_QUADS);
        // t = 0 is the image's top row, so the cell's top edge goes to the quad's top edge.
        glTexCoord2f(m, q + cell);
        glVertex2i(0, 0);
        glTexCoord2f(m + cell, q + cell);
        glVertex2i(GLYPH_SIZE, 0);
        glTexCoord2f(m + cell, q);
        glVertex2i(GLYPH_SIZE, GLYPH_SIZE);
        glTexCoord2f(m, q);
        glVertex2i(0, GLYPH_SIZE);
        glEnd();
        glTranslated(GLYPH_ADVANCE, 0, 0);
        glEndList();
    }
}

void glPrint(int x, int y, const char* string, int set, float r, float g, float b) {
    if (set > 1) set = 1;
    // Nothing passes a negative set; reading it as set 0 keeps the list base inside the font.
    if (set < 0) set = 0;
    glBindTexture(GL_TEXTURE_2D, fonttexture);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, TEXT_SPACE_WIDTH, 0, TEXT_SPACE_HEIGHT, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor4f(r, g, b, 1.0f);
    glTranslated(x, y, 0);
    // Code n is list base + n - 32 + 128 * set; codes without a glyph name no list and are skipped
    // by OpenGL, so they neither draw nor move the pen.
    // Unsigned wrap-around is intended: base - 32 lets a byte code index its glyph directly.
    glListBase(base - 32u + 128u * static_cast<GLuint>(set));
    glCallLists(GLsizei(std::strlen(string)), GL_BYTE, string);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
}

void FreeFont() {
    // Quit may come before the font, or even the OpenGL context, exists.
    if (base == 0) return;
    glDeleteLists(base, FONT_GLYPHS);
    base = 0;
}
