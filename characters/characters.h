// The sprite sets, and the loading, animation and drawing of figures (OpenGL context needed).
#pragma once

#include "core/character.h"
#include "core/config.h"

#include <GL/gl.h>

#include <array>
#include <string>
#include <vector>

// The 12 pictures of one sprite set, numbered direction * 3 + frame.
using sprite_set = std::array<GLuint, 12>;

// Where the sprite sheet lives.
#define SPRITE_SHEET_FILE RESOURCE_DIR SPRITE_SHEET_NAME

// Loads the sprite sheet, cuts every block into sprites, refuses a configured character outside it;
// returns 1.
int load_char_set(std::string charset);
// Cuts one 72 by 128 block into its 12 textures as entry charid of sprites (made when missing); frees the
// block.
void load_char(struct SDL_Surface* spritesetsurf, int charid);
// Sets the avatar up from the configuration and the current map's start position, facing down.
void loadcharacters();
// Steps the record's walking animation by timeelapsed.
void animate_character(character* c);
// Moves a remote player's drawn position on from its last relayed one, at the current tick count.
void extrapolate_character(character* c);
// Draws one record as a textured square at its drawn position; nothing for a position that is not a number.
void draw_character(character* c);
// Extrapolates, animates and draws every remote player in roster order, skipping positions that are not
// numbers.
void draw_character_vector();

// One entry per block of the sprite sheet; filled once at start-up, never changed after.
extern std::vector<sprite_set> sprites;
