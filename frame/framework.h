// Start-up, the window, the main loop, the frame and the one way out (Quit).
#pragma once

#include <SDL.h>

// Exit codes: why the process ended.
enum ExitCode {
    EXIT_NORMAL = 0,      // window closed, quit request, Escape, refused nickname or character
    EXIT_VIDEO = 1,       // the window or its OpenGL context could not be made
    EXIT_CONFIG = 2,      // client.cfg missing or unreadable
    EXIT_NET_INIT = 3,    // the networking library did not start
    EXIT_NET_SET = 4,     // no socket set
    EXIT_NET_RESOLVE = 5, // the server's name did not resolve
    EXIT_NET_OPEN = 6,    // the server did not accept the connection
    EXIT_NET_ADD = 7,     // the socket could not join the set
    EXIT_NET_IO = 8,      // a send or a read failed, or the server hung up
    EXIT_DATA = 9,        // a data file (map, tile set, sprite sheet, panel, font) could not be loaded
};

// The program's own entry, called by the platform glue; never returns.
int SDL_main(int argc, char** argv);
// Releases map, font and network, shuts SDL down and exits; safe at any moment.
[[noreturn]] void Quit(int returnCode);
// Prints "what" on standard error and ends through Quit with EXIT_DATA.
[[noreturn]] void QuitOnBadData(const char* what);
// Switches between window and full screen.
void ToggleFullScreen();
// Sets the clear colour from 0..255 components (unclamped).
void SetBackgroundColor(int r, int g, int b);
// Sets the fixed OpenGL state every drawing relies on (depth test, blend function, textures).
void SetFixedGLState();
// Sets the fixed OpenGL state, then loads the game data (PostGLInit); returns 1.
int initGL();
// Viewport and the 10 by 10 unit world projection for a window of this size; returns 1.
int resizeWindow(int width, int height);
// Draws and presents one frame and reports the frame rate every 5 s; returns 1.
int drawGLScene();
// Game state that needs no OpenGL: input, then the chat buffers.
void InitGame();
// Game data that needs the OpenGL context: map, sprites, chat panel, font.
void PostGLInit();
// Asks the main loop to end at the close of the current turn, as a click on the close box does.
void RequestQuit();

// Video-mode flags used for every mode change; set once at start-up.
extern Uint32 videoFlags;
// The current video surface; replaced on every mode change, owned by SDL.
extern SDL_Surface* surface;
// True while in full screen; false at start-up, flipped by ToggleFullScreen.
extern bool fullscreen;
