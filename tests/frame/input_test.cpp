// The input turn on the real keyboard state, clock and connection: what only its wiring can get
// wrong (walking, walls, exits and reports are tested over plain data and in the real client).
#include "characters/characters.h"
#include "chat/chat.h"
#include "frame/config.h"
#include "frame/framework.h"
#include "frame/input.h"
#include "net/net.h"
#include "tests/support/support.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// No map is loaded: every step is blocked, but keys still turn the player and reports still go out.
class Input : public ::testing::Test {
  protected:
    // One connection for the whole program: the client logs in once, as it does in the game.
    static void SetUpTestSuite() {
        peer = new tt::Peer();
        CONFIG_SERVER = "127.0.0.1";
        CONFIG_PORT = peer->port();
        SetNickName("Tess");
        InitNet();
        if (!peer->Accept(tt::Millis(5000))) std::abort();
        peer->Next(tt::Millis(5000)); // the login
    }
    static void TearDownTestSuite() { delete peer; }

    void SetUp() override {
        keys = SDL_GetKeyState(nullptr);
        for (SDLKey k : {SDLK_w, SDLK_a, SDLK_s, SDLK_d, SDLK_F1})
            keys[k] = 0;
        chat = 0;
        avatar = character();
        avatar.direction = 2;
        // A settled turn: what came before (start-up, other tests) is reported and forgotten.
        msgaccumulator = 500;
        ProcessInput();
        Sent();
    }

    // True when the client has sent anything since the last look; takes what it sent.
    bool Sent() {
        bool any = false;
        while (peer->Next(tt::Millis(50)))
            any = true;
        return any;
    }
    // Turns with a 5 ms pause, as the main loop's, for ms milliseconds of the clock.
    void Run(Uint32 ms) {
        for (const Uint32 start = SDL_GetTicks(); SDL_GetTicks() - start < ms; ProcessInput())
            SDL_Delay(5);
    }

    static tt::Peer* peer;
    tt::GlWindow window;
    Uint8* keys = nullptr;
};
tt::Peer* Input::peer = nullptr;

TEST_F(Input, WhileTheChatLineIsOpenNothingWalksOrReports) {
    chat = 1;
    keys[SDLK_w] = 1;
    Run(700); // longer than the 500 ms between reports of a player standing still
    EXPECT_EQ(avatar.direction, 2);
    EXPECT_FALSE(Sent());

    chat = 0; // the same key with the line closed turns the player up and reports it
    Run(20);
    EXPECT_EQ(avatar.direction, 0);
    EXPECT_TRUE(Sent());
}

TEST_F(Input, F1SwitchesOncePerPressNotOncePerTurn) {
    const bool start = fullscreen;
    const bool down[] = {true, false, true, false}, switched[] = {true, true, false, false};
    for (int i = 0; i < 4; ++i) {
        for (int turn = 0; turn < 2; ++turn) { // each press and release lasts two turns
            keys[SDLK_F1] = down[i];           // again: SDL clears its key table on a switch
            ProcessInput();
        }
        EXPECT_EQ(fullscreen != start, switched[i]) << "step " << i;
    }
}

} // namespace
