#include "frame/framework.h"

#include "chat/chat.h"
#include "characters/characters.h"
#include "core/framerate.h"
#include "frame/config.h"
#include "frame/input.h"
#include "graphics/text.h"
#include "net/net.h"
#include "world/tiling.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

Uint32 videoFlags = 0;
SDL_Surface* surface = nullptr;
bool fullscreen = false;

// Window size and depth at start-up.
static const int WINDOW_WIDTH = 640, WINDOW_HEIGHT = 480, WINDOW_BPP = 16;
// The pause that paces the main loop.
static const Uint32 FRAME_PAUSE_MS = 5;
// Key repeat while the chat line is open.
static const int CHAT_REPEAT_DELAY_MS = 500, CHAT_REPEAT_INTERVAL_MS = 30;

// Set from a signal handler: SIGINT or SIGTERM asks for the same end as the close box.
static volatile std::sig_atomic_t quitrequested = 0;
// Set by SDL_main once the data is loaded and the loop is about to run; never cleared. Until then
// a quit signal ends the process at once.
static volatile std::sig_atomic_t loopready = 0;

void OnQuitSignal(int) {
    if (loopready && !sendinprogress && !quitrequested) {
        quitrequested = 1;
        return;
    }
    _exit(EXIT_NORMAL);
}

void Quit(int returnCode) {
    FreeMap();
    FreeFont();
    DeInitNet();
    SDL_Quit();
    std::exit(returnCode);
}

void QuitOnBadData(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    Quit(EXIT_DATA);
}

void ToggleFullScreen() {
    fullscreen = !fullscreen;
    SDL_WM_ToggleFullScreen(surface);
    SDL_ShowCursor(fullscreen ? 0 : 1);
}

void SetFixedGLState() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    // Blending itself stays off; the drawing code switches it on where it needs it.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
}

int initGL() {
    SetFixedGLState();
    PostGLInit();
    return 1;
}

int resizeWindow(int width, int height) {
    std::printf("width: %i height: %i\n", width, height);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Always 10 by 10 world units, whatever the window's shape.
    glOrtho(-5.0, 5.0, -5.0, 5.0, 5.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return 1;
}

void DrawWorld() {
    // The player stands 1.25 units above the middle of the window, leaving room for the chat panel.
    const GLdouble eyex = static_cast<GLdouble>(avatar.charposx);
    const GLdouble eyey = static_cast<GLdouble>(avatar.charposy - 1.25f);
    gluLookAt(eyex, eyey, 15, eyex, eyey, 0, 0, 1, 0);
    draw_tiles();
    draw_character_vector();
    draw_character(&avatar);
    draw_chat_texture();
    DrawChatText();
}

// Written by drawGLScene only; lives as long as the process.
static FrameRate framerate;

int drawGLScene() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    DrawWorld();
    SDL_GL_SwapBuffers();
    if (const std::optional<std::string> line = CountFrame(framerate, SDL_GetTicks()))
        std::fputs(line->c_str(), stdout);
    return 1;
}

void InitGame() {
    InitInput();
    FlushBuffer();
}

void PostGLInit() {
    avatar.map = START_MAP;
    if (!LoadMap(START_MAP)) Quit(EXIT_DATA);
    load_char_set(SPRITE_SHEET_FILE);
    loadcharacters();
    load_chat_texture();
    LoadFontTexture();
    BuildFont();
}

// One key press, by its translated character: opens, fills and sends the chat line.
static void HandleKeyPress(Uint16 keycode) {
    if (!chat) {
        if (keycode == 't') {
            SDL_EnableKeyRepeat(CHAT_REPEAT_DELAY_MS, CHAT_REPEAT_INTERVAL_MS);
            chat = 1;
        }
        return;
    }
    if (keycode == 13) {
        SDL_EnableKeyRepeat(0, 0);
        chat = 0;
        SendChatMessage(&avatar);
    } else if (keycode == 8) {
        BackOne();
    } else if (keycode >= 1 && keycode <= 127) {
        AddToBuffer(static_cast<char>(keycode));
    }
}

static void FailVideo(const char* what) {
    std::fprintf(stderr, "%s: %s\n", what, SDL_GetError());
    Quit(EXIT_VIDEO);
}

int SDL_main(int, char**) {
    fullscreen = false;
    int done = 0;

    ReadConfig();
    SetNickName(CONFIG_NICKNAME);
    if (SDL_Init(SDL_INIT_VIDEO) < 0) FailVideo("Video initialization failed");
    InitNet();
    InitGame();

    const SDL_VideoInfo* videoInfo = SDL_GetVideoInfo();
    if (!videoInfo) FailVideo("Video query failed");
    videoFlags = SDL_OPENGL | SDL_HWPALETTE | SDL_RESIZABLE | SDL_HWSURFACE | SDL_ASYNCBLIT;
    if (videoInfo->blit_hw) videoFlags |= SDL_HWACCEL;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    surface = SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_BPP, videoFlags);
    if (!surface) FailVideo("Video mode set failed");
    SDL_WM_SetCaption("Quennick's Tavrel", nullptr);
    SDL_EnableUNICODE(1);
    initGL();
    // From here on a quit signal is noticed by the next turn, as the close box is.
    loopready = 1;
    resizeWindow(WINDOW_WIDTH, WINDOW_HEIGHT);

    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            switch (event.type) {
            case SDL_QUIT:
                done = 1;
                break;
            case SDL_VIDEORESIZE:
                surface = SDL_SetVideoMode(event.resize.w, event.resize.h, WINDOW_BPP, videoFlags);
                if (!surface) FailVideo("Could not get a surface after resize");
                resizeWindow(event.resize.w, event.resize.h);
                break;
            case SDL_KEYDOWN:
                HandleKeyPress(event.key.keysym.unicode);
                break;
            default:
                break;
            }
        }
        if (quitrequested) done = 1;
        SDL_Delay(FRAME_PAUSE_MS);
        ProcessInput();
        CheckMessages();
        drawGLScene();
        if (done) Quit(EXIT_NORMAL);
    }
}
