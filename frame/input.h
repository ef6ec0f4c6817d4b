// Keyboard input once per turn: Escape, F1, and walking the local player with W A S D.
#pragma once

#include <SDL.h>

// Closes the chat line (chat = 0); called once at start-up by InitGame.
void InitInput();
// Reads the keyboard and the clock, handles Escape and F1, walks the player while the chat line is closed.
void ProcessInput();
// One walking step of the local player: keys, collision, exits, position report, animation.
void ProcessMovement();

// Tick count (ms) read at the previous turn; 0 at start, so the first turn counts from SDL start-up.
extern Uint32 timer;
// Milliseconds since the last position report, counted only while the player can walk; 0 after each report.
extern float msgaccumulator;
// SDL's keyboard state, indexed by key symbol; refreshed every turn.
extern Uint8* keystate;
