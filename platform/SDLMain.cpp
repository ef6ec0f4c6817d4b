// The process entry on a Linux desktop: argument and working-directory rules, signals,
// then the game's own SDL_main.
#include "frame/framework.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

// Arguments handed on to SDL_main; allocated once and never freed.
static int gArgc = 0;
static char** gArgv = nullptr;
// True when a desktop launcher started us with its "-psn" argument.
static bool gFinderLaunch = false;

// Longest program path the working-directory change looks at.
static const std::size_t MAX_PROGRAM_PATH = 1024;

// A desktop launch starts us anywhere: go to the folder that holds the game's bundle,
// three levels above the folder of the executable inside it.
static void setupWorkingDirectory(bool shouldChdir) {
    if (!shouldChdir) return;
    char parentdir[MAX_PROGRAM_PATH + 1];
    std::strncpy(parentdir, gArgv[0], MAX_PROGRAM_PATH);
    parentdir[MAX_PROGRAM_PATH] = '\0';
    char* slash = std::strrchr(parentdir, '/');
    if (slash) *slash = '\0';
    if (chdir(parentdir) != 0) {
        std::fprintf(stderr, "Cannot change into the program's folder \"%s\"\n", parentdir);
        std::exit(EXIT_FAILURE);
    }
    if (chdir("../../../") != 0) {
        std::fprintf(stderr, "Cannot change into \"../../../\" from \"%s\"\n", parentdir);
        std::exit(EXIT_FAILURE);
    }
}

int main(int argc, char** argv) {
    // Tests and scripts read our lines while we run.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // A send to a server that has gone away is a failed send, not a reason to die silently.
    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction action {};
    // Ctrl-C and SIGTERM end the game at any moment: in the main loop like the close box,
    // before it or during a blocked send at once (see OnQuitSignal).
    action.sa_handler = OnQuitSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    if (argc >= 2 && std::strncmp(argv[1], "-psn", 4) == 0) {
        gFinderLaunch = true;
        gArgc = 1;
    } else {
        gFinderLaunch = false;
        gArgc = argc;
    }
    gArgv = new char*[static_cast<std::size_t>(gArgc) + 1];
    for (int i = 0; i < gArgc; ++i)
        gArgv[i] = argv[i];
    gArgv[gArgc] = nullptr;

    setupWorkingDirectory(gFinderLaunch);
    return SDL_main(gArgc, gArgv);
}
