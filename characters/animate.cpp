// The per-frame wrappers: the turn's elapsed time and the clock fed to the record arithmetic,
// and the remote players moved, animated and drawn in roster order.
#include "characters/characters.h"

#include <SDL.h>

void animate_character(character* c) {
    animate_character_by(c, timeelapsed);
}

void extrapolate_character(character* c) {
    extrapolate_character_at(c, SDL_GetTicks());
}

void draw_character_vector() {
    for (character& c : clients) {
        // A relayed position that is not a number is neither moved from nor drawn.
        if (!character_position_usable(c)) continue;
        extrapolate_character(&c);
        animate_character(&c);
        draw_character(&c);
    }
}
