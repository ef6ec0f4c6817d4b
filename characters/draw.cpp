// Drawing one figure: a textured square centred on its drawn position.
#include "characters/characters.h"

#include <cmath>

void draw_character(character* c) {
    // A figure at a position that is not a number would be drawn anywhere or nowhere.
    if (!std::isfinite(c->charposx) || !std::isfinite(c->charposy)) return;
    const int set = sprite_set_for(*c, sprites.size());
    if (set < 0) return;

    glEnable(GL_BLEND);
    glPushMatrix();
    glTranslatef(c->charposx, c->charposy, 0.0f);
    glBindTexture(GL_TEXTURE_2D,
                  sprites[static_cast<std::size_t>(set)][static_cast<std::size_t>(picture_for(*c))]);
    // Texture row 0 is the top row of the picture, so t = 0 goes to the top edge.
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(CHARACTER_HALF_SIZE, CHARACTER_HALF_SIZE, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-CHARACTER_HALF_SIZE, CHARACTER_HALF_SIZE, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-CHARACTER_HALF_SIZE, -CHARACTER_HALF_SIZE, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(CHARACTER_HALF_SIZE, -CHARACTER_HALF_SIZE, 0.0f);
    glEnd();
    glPopMatrix();
    glDisable(GL_BLEND);
}
