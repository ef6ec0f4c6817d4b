// The sprite sheet cut into sprite sets, and the local player's record set up at start-up.
#include "characters/characters.h"
#include "core/chatlog.h"
#include "core/quit.h"
#include "graphics/texture.h"
#include "core/map.h"

#include <SDL.h>

#include <cstdio>
#include <string>

// Every caller passes a fixed path; keep the one being cut for the messages of a failed cut.
std::vector<sprite_set> sprites;

static std::string sheetname;

// A sheet or picture that can't be cut leaves a hole in a sprite set; stop rather than
// draw garbage later.
[[noreturn]] static void quit_on_bad_sheet(const char* what) {
    const std::string text = std::string(what) + " \"" + sheetname + "\"";
    QuitOnBadData(text.c_str());
}

int load_char_set(std::string charset) {
    sheetname = charset;
    // A sheet without one whole block would give no sprite set at all.
    SDL_Surface* spritesetsurf = LoadImage(charset, CHAR_BLOCK_W, CHAR_BLOCK_H);
    if (!spritesetsurf) quit_on_bad_sheet("Could not load the sprite sheet");

    const int columns = spritesetsurf->w / CHAR_BLOCK_W;
    const int rows = spritesetsurf->h / CHAR_BLOCK_H;
    if (columns * rows > MAX_SPRITE_SETS) {
        SDL_FreeSurface(spritesetsurf);
        quit_on_bad_sheet("Too many character blocks in the sprite sheet");
    }
    sprites.assign(static_cast<std::size_t>(columns * rows), sprite_set{});

    if (CONFIG_CHARACTER < 0 || CONFIG_CHARACTER >= columns * rows) {
        SDL_FreeSurface(spritesetsurf);
        std::printf("Invalid character.\n");
        Quit(EXIT_NORMAL);
    }

    int counter = 0;
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            SDL_Surface* block =
                ClipSurface(spritesetsurf, j * CHAR_BLOCK_W, i * CHAR_BLOCK_H, CHAR_BLOCK_W, CHAR_BLOCK_H);
            if (!block) {
                SDL_FreeSurface(spritesetsurf);
                quit_on_bad_sheet("Could not cut a character block out of");
            }
            load_char(block, counter);
            ++counter;
        }
    }
    SDL_FreeSurface(spritesetsurf);
    return 1;
}

void load_char(SDL_Surface* spritesetsurf, int charid) {
    if (charid < 0) {
        SDL_FreeSurface(spritesetsurf);
        return;
    }
    // A block handed in on its own (not from a whole sheet) still gets an entry to fill.
    if (static_cast<std::size_t>(charid) >= sprites.size())
        sprites.resize(static_cast<std::size_t>(charid) + 1);

    const int rows = spritesetsurf->h / CHAR_FRAME_H;
    const int columns = spritesetsurf->w / CHAR_FRAME_W;
    std::size_t counter = 0;
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            // A block larger than 72 by 128 would hold more pictures than a set has room for.
            if (counter >= sprites[static_cast<std::size_t>(charid)].size()) break;
            SDL_Surface* picture =
                ClipSurface(spritesetsurf, j * CHAR_FRAME_W, i * CHAR_FRAME_H, CHAR_FRAME_W, CHAR_FRAME_H);
            if (!picture) {
                SDL_FreeSurface(spritesetsurf);
                quit_on_bad_sheet("Could not cut a character picture out of");
            }
            SDL_Surface* centred = BlitCentered(picture, CHAR_FRAME_H, CHAR_FRAME_H);
            SDL_FreeSurface(picture);
            if (!centred) {
                SDL_FreeSurface(spritesetsurf);
                quit_on_bad_sheet("Could not centre a character picture of");
            }
            sprites[static_cast<std::size_t>(charid)][counter] = TextureFromSurface(centred);
            ++counter;
        }
    }
    SDL_FreeSurface(spritesetsurf);
}

void loadcharacters() {
    avatar.nickname = nickname;
    avatar.charid = CONFIG_CHARACTER;
    avatar.charposx = startposx;
    avatar.charposy = startposy;
    avatar.direction = 2;
}
