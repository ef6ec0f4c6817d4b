// The arithmetic of figures: walking, position reports, the walking animation and the
// extrapolation of remote players. Plain data in, plain data out; the client's wrappers
// feed it the clock, the keyboard and the world.
#include "core/character.h"

#include <cmath>

character avatar;
std::vector<character> clients;
float timeelapsed = 0;

// Values from the server can name a direction we have no pictures for; such a figure is
// shown facing down (and extrapolation does not move it).
static int shown_direction(int direction) {
    return direction >= 0 && direction <= 3 ? direction : 2;
}

void animate_character_by(character* c, float elapsed) {
    if (c->walking) {
        c->animationaccumulator += elapsed;
        if (c->animationaccumulator >= ANIMATION_FRAME_MS) {
            // The excess is dropped: a slow turn does not make the next frame come sooner.
            c->animationaccumulator = 0;
            c->currentframe += 1;
            if (c->currentframe >= 3 || c->currentframe < 0) c->currentframe = 0;
        }
    } else {
        c->animationaccumulator = ANIMATION_STANDING_MS;
        c->currentframe = 1;
    }
    c->currenttexture = shown_direction(c->direction) * 3 + c->currentframe;
}

void extrapolate_character_at(character* c, std::uint32_t now) {
    // A signed difference, so a report stamped just before the tick counter wrapped is
    // still a few ms old rather than 49 days ahead.
    const float elapsed = static_cast<float>(static_cast<std::int32_t>(now - c->lastupdate));
    if (elapsed >= EXTRAPOLATION_WINDOW_MS || elapsed <= -EXTRAPOLATION_WINDOW_MS) return;
    if (!std::isfinite(c->netposx) || !std::isfinite(c->netposy)) return;

    float vx = 0, vy = 0;
    switch (c->direction) {
    case 0:
        vy = WALK_SPEED * static_cast<float>(c->walking);
        break;
    case 1:
        vx = WALK_SPEED * static_cast<float>(c->walking);
        break;
    case 2:
        vy = -WALK_SPEED * static_cast<float>(c->walking);
        break;
    case 3:
        vx = -WALK_SPEED * static_cast<float>(c->walking);
        break;
    default:
        break;
    }
    if (c->collision) vx = vy = 0;
    c->charposx = c->netposx + vx * elapsed;
    c->charposy = c->netposy + vy * elapsed;
}

bool character_position_usable(const character& c) {
    return std::isfinite(c.netposx) && std::isfinite(c.netposy) && std::isfinite(c.charposx) &&
           std::isfinite(c.charposy);
}

int sprite_set_for(const character& c, std::size_t setcount) {
    if (setcount == 0) return -1;
    // Keep a player whose sprite set we don't have visible rather than hiding it.
    if (c.charid < 0 || static_cast<std::size_t>(c.charid) >= setcount) return 0;
    return c.charid;
}

int picture_for(const character& c) {
    if (c.currenttexture < 0 || c.currenttexture > 11) return 7;
    return c.currenttexture;
}

// Moves c by the keys held for elapsed ms (order W, S, A, D); sets walking and direction.
static void walk_character(character* c, walk_keys keys, float elapsed) {
    c->walking = 0;
    const float step = elapsed * WALK_SPEED;
    // The order matters: with several keys down the last one tested sets the direction.
    if (keys.w) {
        c->direction = 0;
        c->walking = 1;
        c->charposy = c->charposy + step;
    }
    if (keys.s) {
        c->direction = 2;
        c->walking = 1;
        c->charposy = c->charposy - step;
    }
    if (keys.a) {
        c->direction = 3;
        c->walking = 1;
        c->charposx = c->charposx - step;
    }
    if (keys.d) {
        c->direction = 1;
        c->walking = 1;
        c->charposx = c->charposx + step;
    }
}

// Adds elapsed to *msgaccumulator and tells whether a position report is due now; when it is,
// the accumulator restarts from 0.
static bool position_report_due(const character& c, float elapsed, float* msgaccumulator) {
    *msgaccumulator += elapsed;
    if (c.lastwalk != c.walking || c.olddir != c.direction || c.oldcol != c.collision ||
        *msgaccumulator >= POSITION_REPORT_MS) {
        // Restart from 0, not from the excess: the interval is 500 ms plus part of a turn.
        *msgaccumulator = 0;
        return true;
    }
    return false;
}

void movement_turn(character* c, walk_keys keys, float elapsed, float* msgaccumulator,
                   const std::function<bool()>& blocked, const std::function<bool()>& exited,
                   const std::function<void(character*)>& send) {
    // A slow turn (a large map loading, a stalled window) would otherwise move a whole cell at
    // once and could jump a one-cell wall; at ordinary frame rates there is a single sub-step.
    const float distance = elapsed * WALK_SPEED;
    const int substeps =
        distance > MAX_WALK_SUBSTEP ? static_cast<int>(std::ceil(distance / MAX_WALK_SUBSTEP)) : 1;
    const float piece = elapsed / static_cast<float>(substeps);
    c->collision = 0;
    for (int i = 0; i < substeps; ++i) {
        const float oldposx = c->charposx, oldposy = c->charposy;
        walk_character(c, keys, piece);
        // No sliding along walls: the whole sub-step goes back.
        if (blocked()) {
            c->charposx = oldposx;
            c->charposy = oldposy;
            c->collision = 1;
            break;
        }
    }

    // After a change of map the server must hear the new position in this very turn.
    if (exited()) *msgaccumulator = POSITION_REPORT_AFTER_EXIT_MS;

    if (position_report_due(*c, elapsed, msgaccumulator)) send(c);

    animate_character_by(c, elapsed);

    c->lastwalk = c->walking;
    c->oldcol = c->collision;
    c->olddir = c->direction;
}

float elapsed_ms(std::uint32_t now, std::uint32_t before) {
    return static_cast<float>(static_cast<std::uint32_t>(now - before));
}

bool pressed_now(bool down, bool* wasdown) {
    const bool pressed = down && !*wasdown;
    *wasdown = down;
    return pressed;
}
