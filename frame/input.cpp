// Keyboard input once per turn: the clock, Escape, F1, and walking the local player.
#include "frame/input.h"
#include "characters/characters.h"
#include "core/chatlog.h"
#include "frame/framework.h"
#include "net/net.h"
#include "world/tiling.h"

Uint32 timer = 0;
float msgaccumulator = 0;
Uint8* keystate = nullptr;

// F1 switches once per press: a press lasting several turns must not flicker the screen.
static bool f1wasdown = false;

void InitInput() {
    chat = 0;
}

void ProcessInput() {
    keystate = SDL_GetKeyState(nullptr);
    // One reading for both: the tick count taken as an integer keeps whole milliseconds
    // however long the game runs, and no time falls between two readings.
    const Uint32 now = SDL_GetTicks();
    timeelapsed = elapsed_ms(now, timer);
    timer = now;

    if (keystate[SDLK_ESCAPE]) Quit(EXIT_NORMAL);
    if (pressed_now(keystate[SDLK_F1] != 0, &f1wasdown)) ToggleFullScreen();
    if (chat == 0) ProcessMovement();
}

void ProcessMovement() {
    walk_keys keys;
    keys.w = keystate[SDLK_w] != 0;
    keys.s = keystate[SDLK_s] != 0;
    keys.a = keystate[SDLK_a] != 0;
    keys.d = keystate[SDLK_d] != 0;
    movement_turn(
        &avatar, keys, timeelapsed, &msgaccumulator, detect_collision,
        [] { return detect_entity(SendMapChangeMessage); }, SendPositionMessage);
}
