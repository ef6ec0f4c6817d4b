// Every figure on the map, local or remote: the record, the sprite sets, animation,
// extrapolation of remote players, and drawing.
#pragma once

#include "frame/config.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// One figure on the map. A plain value: copied whole, owns its strings.
struct character {
    std::string nickname;          // the player's name; the roster's key for remote players
    std::string map;               // map file the figure is on, e.g. "main.map"
    float charposx = 0;            // drawn position, world units
    float charposy = 0;
    float netposx = 0;             // last position the server relayed (remote players only)
    float netposy = 0;
    int direction = 0;             // 0 up, 1 right, 2 down, 3 left
    int walking = 0;               // 1 while moving
    int charid = 0;                // sprite set worn
    int currentframe = 0;          // animation frame 0..2
    int currenttexture = 0;        // direction * 3 + currentframe
    float animationaccumulator = 0; // ms gathered towards the next frame
    std::uint32_t lastupdate = 0;  // tick count (ms) of the last relayed position (remote players only)
    int lastwalk = 0;              // avatar's walking after the previous movement step
    int olddir = 0;                // avatar's direction after the previous movement step
    int collision = 0;             // 1 when the last move was blocked
    int oldcol = 0;                // avatar's collision after the previous movement step
};

// The 12 pictures of one sprite set, numbered direction * 3 + frame.
using sprite_set = std::array<GLuint, 12>;

// Size of one character block in the sprite sheet, and of one picture in it.
constexpr int CHAR_BLOCK_W = 72, CHAR_BLOCK_H = 128, CHAR_FRAME_W = 24, CHAR_FRAME_H = 32;
// Where the sprite sheet lives.
#define SPRITE_SHEET_FILE RESOURCE_DIR "Hero 1.tga"

// Loads the sprite sheet, cuts every block into sprites, refuses a configured character outside it; returns 1.
int load_char_set(std::string charset);
// Cuts one 72 by 128 block into its 12 textures as entry charid of sprites; frees the block.
void load_char(struct SDL_Surface* spritesetsurf, int charid);
// Sets the avatar up from the configuration and the current map's start position, facing down.
void loadcharacters();
// Steps the record's walking animation by timeelapsed.
void animate_character(character* c);
// Moves a remote player's drawn position on from its last relayed one.
void extrapolate_character(character* c);
// Draws one record as a textured square at its drawn position.
void draw_character(character* c);
// Extrapolates, animates and draws every remote player, in roster order.
void draw_character_vector();

// The local player; lives for the whole run, set up by loadcharacters at start-up.
extern character avatar;
// The remote players in the order they were first reported; only the message handling adds and removes.
extern std::vector<character> clients;
// One entry per block of the sprite sheet; filled once at start-up, never changed after.
extern std::vector<sprite_set> sprites;
