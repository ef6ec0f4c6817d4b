// The one way the client ends, and the codes that tell why. Declared down here so that every
// module can end the game without knowing the window; frame/framework.cpp defines Quit, which
// releases what the upper layers made before it exits.
#pragma once

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

// Releases map, font and network, shuts SDL down and exits; safe at any moment.
[[noreturn]] void Quit(int returnCode);
// Prints "what" on standard error and ends through Quit with EXIT_DATA.
[[noreturn]] void QuitOnBadData(const char* what);
