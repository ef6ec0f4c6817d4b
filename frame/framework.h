// Start-up, the window, the main loop, the frame and the one way out (Quit).
#pragma once

#include "core/quit.h"

#include <SDL.h>

// The program's own entry, called by the platform glue; never returns.
int SDL_main(int argc, char** argv);
// Switches between window and full screen.
void ToggleFullScreen();
// Sets the fixed OpenGL state every drawing relies on (depth test, blend function, textures).
void SetFixedGLState();
// Sets the fixed OpenGL state, then loads the game data (PostGLInit); returns 1.
int initGL();
// Viewport and the 10 by 10 unit world projection for a window of this size; returns 1.
int resizeWindow(int width, int height);
// The world part of each frame: camera over the avatar, tiles, remote players, avatar, chat
// panel and text, in that order.
void DrawWorld();
// Draws and presents one frame and reports the frame rate every 5 s; returns 1.
int drawGLScene();
// Game state that needs no OpenGL: input, then the chat buffers.
void InitGame();
// Game data that needs the OpenGL context: map, sprites, chat panel, font.
void PostGLInit();
// The SIGINT and SIGTERM handler. In the main loop it asks for the end of the turn, like the close
// box; before the loop (resolving, connecting, loading), while a send blocks, or on a second
// signal it ends the process at once with exit code 0, since none of those waits would notice a
// request. Only async-signal-safe calls.
void OnQuitSignal(int sig);

// Video-mode flags used for every mode change; set once at start-up.
extern Uint32 videoFlags;
// The current video surface; replaced on every mode change, owned by SDL.
extern SDL_Surface* surface;
// True while in full screen; false at start-up, flipped by ToggleFullScreen.
extern bool fullscreen;
