// The input turn wired to the real keyboard state, clock, map and connection: walking,
// walls, exits, the reports a scripted server receives, Escape, F1 and the chat line.
#include "characters/characters.h"
#include "chat/chat.h"
#include "frame/config.h"
#include "frame/framework.h"
#include "frame/input.h"
#include "net/net.h"
#include "tests/support/support.h"
#include "world/map.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// A 2 by 1 tile TGA (32 by 16 pixels), enough for the maps below.
std::string TileSetTga() {
    std::string data(18, '\0');
    data[2] = 2;
    data[12] = 32;
    data[14] = 16;
    data[16] = 24;
    data[17] = 0x20;
    for (int i = 0; i < 32 * 16; ++i) data += std::string(i % 32 < 16 ? "\x40\x80\x40" : "\x20\x20\x20", 3);
    return data;
}

// 10 by 10: a wall along column 7, an exit on cell (5, 2) to next.map at (2.5, 2.5).
std::string TestMap() {
    std::ostringstream m;
    m << "Tavrel.app/Contents/Resources/tiles.tga\n10\n10\n3.5\n5.5\n0\n1\n0 0 0\n-\n";
    for (int r = 0; r < 10; ++r) m << "0 0 0 0 0 0 0 1 0 0\n";
    m << "-\n";
    for (int r = 0; r < 10; ++r) m << "0 0 0 0 0 0 0 1 0 0\n";
    m << "-\n5 2 2.5 2.5 next.map\n";
    return m.str();
}

std::string NextMap() {
    std::ostringstream m;
    m << "Tavrel.app/Contents/Resources/tiles.tga\n5\n5\n1.5\n1.5\n0\n0\n0 0 0\n-\n";
    for (int r = 0; r < 5; ++r) m << "0 0 0 0 0\n";
    m << "-\n";
    for (int r = 0; r < 5; ++r) m << "0 0 0 0 0\n";
    return m.str();
}

std::vector<std::string> Fields(const std::string& message) {
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(message);
    while (std::getline(in, field, '|')) out.push_back(field);
    return out;
}

class Input : public ::testing::Test {
  protected:
    // One connection for the whole program: the client logs in once, as it does in the game.
    static void SetUpTestSuite() {
        char name[] = "/tmp/tavrel-input-XXXXXX";
        dir = mkdtemp(name);
        tt::WriteFile(dir + "/" RESOURCE_DIR "tiles.tga", TileSetTga());
        tt::WriteFile(dir + "/" RESOURCE_DIR "test.map", TestMap());
        tt::WriteFile(dir + "/" RESOURCE_DIR "next.map", NextMap());
        if (chdir(dir.c_str()) != 0) std::abort();

        peer = new tt::Peer();
        CONFIG_SERVER = "127.0.0.1";
        CONFIG_PORT = peer->port();
        SetNickName("Tess");
        InitNet();
        if (!peer->Accept(tt::Millis(5000))) std::abort();
        peer->ReadMessage(tt::Millis(5000)); // the login
    }
    static void TearDownTestSuite() {
        delete peer;
        peer = nullptr;
        tt::Sh("rm -rf '" + dir + "'");
    }

    void SetUp() override {
        window = std::make_unique<tt::GlWindow>();
        keys = SDL_GetKeyState(nullptr);
        for (SDLKey k : {SDLK_w, SDLK_a, SDLK_s, SDLK_d, SDLK_F1, SDLK_ESCAPE}) keys[k] = 0;
        chat = 0;
        avatar = character();
        avatar.map = "test.map";
        LoadMap("test.map");
        CONFIG_CHARACTER = 0;
        loadcharacters();
        // A settled turn: what came before (start-up, other tests) is reported and forgotten.
        msgaccumulator = 500;
        ProcessInput();
        Drain();
    }
    void TearDown() override { window.reset(); }

    // Reads every message the client has sent so far.
    std::vector<std::string> Drain() {
        std::vector<std::string> got;
        while (auto m = peer->ReadMessage(tt::Millis(50))) got.push_back(*m);
        return got;
    }
    // Turns with a 5 ms pause, as the main loop's, for ms milliseconds of the clock.
    void Run(Uint32 ms) {
        const Uint32 start = SDL_GetTicks();
        while (SDL_GetTicks() - start < ms) {
            SDL_Delay(5);
            ProcessInput();
        }
    }

    static std::string dir;
    static tt::Peer* peer;
    std::unique_ptr<tt::GlWindow> window;
    Uint8* keys = nullptr;
};
std::string Input::dir;
tt::Peer* Input::peer = nullptr;

TEST_F(Input, HoldingDMovesRightByTheWalkingSpeedTimesTheHeldTime) {
    ASSERT_FLOAT_EQ(avatar.charposx, 3.5f);
    const Uint32 before = timer;
    keys[SDLK_d] = 1;
    Run(1000);
    const Uint32 held = timer - before;
    keys[SDLK_d] = 0;
    SDL_Delay(5);
    ProcessInput();

    EXPECT_NEAR(avatar.charposx, 3.5f + 0.0025f * held, 1e-3f);
    EXPECT_GE(held, 1000u);
    EXPECT_LT(held, 1100u);
    EXPECT_FLOAT_EQ(avatar.charposy, 5.5f);

    // Start, a report every 500 ms while walking, and the stop.
    const std::vector<std::string> sent = Drain();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_LE(sent.size(), 4u);
    const auto first = Fields(sent.front()), last = Fields(sent.back());
    ASSERT_EQ(first.size(), 9u);
    EXPECT_EQ(first[0], "3");
    EXPECT_EQ(first[1], "Tess");
    EXPECT_EQ(first[4] + first[5] + first[6], "110"); // right, walking, free
    EXPECT_EQ(first[8], "test.map");
    ASSERT_EQ(last.size(), 9u);
    EXPECT_EQ(last[5], "0");
    EXPECT_NEAR(std::atof(last[2].c_str()), avatar.charposx, 1e-3);
}

TEST_F(Input, WalkingIntoTheWallStopsShortOfItAndReportsTheCollisionOnce) {
    keys[SDLK_d] = 1;
    Run(1600); // far enough to reach column 7 from 3.5
    keys[SDLK_d] = 0;
    EXPECT_LT(avatar.charposx, 6.8f);
    EXPECT_GT(avatar.charposx, 6.7f);
    EXPECT_EQ(avatar.collision, 1);

    int collisions = 0;
    for (const std::string& m : Drain()) {
        const auto f = Fields(m);
        ASSERT_EQ(f.size(), 9u) << m;
        if (f[6] == "1") ++collisions;
        EXPECT_LT(std::atof(f[2].c_str()), 6.8);
    }
    // The change is reported; the reports every 500 ms against the wall repeat it.
    EXPECT_GE(collisions, 1);
    EXPECT_LE(collisions, 2);
}

TEST_F(Input, SteppingOnAnExitTellsTheServerTheMapAndThenTheNewPosition) {
    avatar.charposx = 5.5f;
    avatar.charposy = 3.2f;
    keys[SDLK_s] = 1;
    Run(300);
    keys[SDLK_s] = 0;
    EXPECT_EQ(avatar.map, "next.map");
    EXPECT_EQ(MAP_SIZEX, 5);

    std::vector<std::string> sent = Drain();
    std::size_t change = 0;
    while (change < sent.size() && sent[change].rfind("4|", 0) != 0) ++change;
    ASSERT_LT(change + 1, sent.size());
    EXPECT_EQ(sent[change], "4|Tess|next.map");
    const auto after = Fields(sent[change + 1]);
    ASSERT_EQ(after.size(), 9u);
    EXPECT_EQ(after[8], "next.map");
    // The report of the arrival goes out in the turn of the exit, before any further step.
    EXPECT_NEAR(std::atof(after[3].c_str()), 2.5, 1e-6);
    EXPECT_EQ(after[2], "2.5");
}

TEST_F(Input, TheFirstTurnCountsFromTheStartOfTheClock) {
    timer = 0;
    const Uint32 t0 = SDL_GetTicks();
    ProcessInput();
    const Uint32 t1 = SDL_GetTicks();
    EXPECT_GE(timeelapsed, static_cast<float>(t0));
    EXPECT_LE(timeelapsed, static_cast<float>(t1));
    EXPECT_EQ(timer, timeelapsed);
}

TEST_F(Input, WhileTheChatLineIsOpenNothingWalksOrReports) {
    chat = 1;
    keys[SDLK_w] = 1;
    const float accumulated = msgaccumulator;
    Run(700);
    keys[SDLK_w] = 0;
    EXPECT_FLOAT_EQ(avatar.charposy, 5.5f);
    EXPECT_FLOAT_EQ(msgaccumulator, accumulated);
    EXPECT_TRUE(Drain().empty());
    EXPECT_GT(timeelapsed, 0.0f); // the clock still runs
}

TEST_F(Input, F1SwitchesOncePerPressNotOncePerTurn) {
    const bool start = fullscreen;
    keys[SDLK_F1] = 1;
    Run(100);
    EXPECT_NE(fullscreen, start);
    keys[SDLK_F1] = 0;
    Run(30);
    EXPECT_NE(fullscreen, start);
    keys[SDLK_F1] = 1;
    Run(30);
    keys[SDLK_F1] = 0;
    Run(30);
    EXPECT_EQ(fullscreen, start);
}

TEST(Escape, EndsTheGameAtOnceEvenWithTheChatLineOpen) {
    GTEST_FLAG_SET(death_test_style, "fast"); // a re-executed child would start its own X server
    EXPECT_EXIT(
        {
            chat = 1;
            SDL_GetKeyState(nullptr)[SDLK_ESCAPE] = 1;
            ProcessInput();
            std::exit(77);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
