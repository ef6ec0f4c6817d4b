// Map exits as the walking meets them: the server is told, the new map and tile set are in
// place and the player stands at the target; a target that can't be loaded changes nothing
// and is reported once per arrival on the exit, not once per frame.
#include "world/map.h"
#include "world/tiling.h"

#include "characters/characters.h"
#include "chat/chat.h"
#include "net/net.h"
#include "tests/world/worldfolder.h"

#include <SDL_net.h>

namespace {

using namespace tworld;
using namespace std::chrono_literals;

// 8 by 4. Exits: (1, 1) to a missing map, (2, 1) to a map without its tile set, two on
// (3, 1) of which the first goes to hall.map, (9, 1) outside the map. (5, 2) is blocked.
const char* const kRoom =
    "Tavrel.app/Contents/Resources/tiles.tga\n8\n4\n0.5\n0.5\n0\n5\n0 0 0\n\n"
    "0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0\n"
    "sep\n"
    "0 0 0 0 0 0 0 0\n0 0 0 0 0 1 0 0\n0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0\n"
    "sep\n"
    "1 1 0.5 0.5 nowhere.map\n"
    "2 1 0.5 0.5 untiled.map\n"
    "3 1 3.25 1.75 hall.map\n"
    "3 1 0.5 0.5 room.map\n"
    "9 1 0.5 0.5 hall.map\n";

const char* const kHall =
    "Tavrel.app/Contents/Resources/hall.tga\n5\n3\n2.5\n2.5\n0\n0\n10 20 30\n\n"
    "0 1 0 1 0\n1 0 1 0 1\n0 1 0 1 0\nsep\n0 0 0 0 0\n0 0 0 0 0\n0 0 0 0 0\n";

class Exits : public WorldFolder {
  protected:
    void SetUp() override {
        WorldFolder::SetUp();
        window_ = std::make_unique<tt::GlWindow>();
        WriteImage(Resource("hall.tga"), 32, 16, [](int x, int) { return x < 16 ? kGray : kWhite; });
        WriteMap("room.map", kRoom);
        WriteMap("hall.map", kHall);
        WriteMap("untiled.map", "Tavrel.app/Contents/Resources/none.tga\n1\n1\n0\n0\n0\n0\n0 0 0\n\n0\nsep\n0\n");
        ASSERT_EQ(SDLNet_Init(), 0);
        IPaddress address;
        ASSERT_EQ(SDLNet_ResolveHost(&address, "127.0.0.1", static_cast<Uint16>(peer_.port())), 0);
        sock = SDLNet_TCP_Open(&address);
        ASSERT_NE(sock, nullptr) << SDLNet_GetError();
        ASSERT_TRUE(peer_.Accept(2s));
        SetNickName("walker");
        ASSERT_EQ(LoadMap("room.map"), 1);
        avatar.map = "room.map";
        // Off every exit: forgets a failed exit of an earlier test.
        Stand(0.5f, 0.5f);
        EXPECT_FALSE(detect_entity());
    }
    void TearDown() override {
        FreeMap();
        FreeTileSet();
        SDLNet_TCP_Close(sock);
        sock = nullptr;
        SDLNet_Quit();
        window_.reset();
        WorldFolder::TearDown();
    }
    static void Stand(float x, float y) {
        avatar.charposx = x;
        avatar.charposy = y;
    }
    // Runs detect_entity frames times where the player stands; counts the map-failure lines.
    static int FailureLinesOver(int frames) {
        testing::internal::CaptureStderr();
        for (int i = 0; i < frames; ++i) EXPECT_FALSE(detect_entity());
        const std::string err = testing::internal::GetCapturedStderr();
        int lines = 0;
        for (std::size_t at = err.find("Failed to load the map"); at != std::string::npos;
             at = err.find("Failed to load the map", at + 1))
            ++lines;
        return lines;
    }

    tt::Peer peer_;
    std::unique_ptr<tt::GlWindow> window_;
};

TEST_F(Exits, TheFirstExitOnTheCellCarriesThePlayerToItsTarget) {
    std::vector<GLuint> old;
    for (int i = 0; i < numtiles; ++i) old.push_back(tiles[i].texture);
    Stand(3.9f, 1.1f);
    ASSERT_TRUE(detect_entity());
    EXPECT_EQ(avatar.map, "hall.map");
    EXPECT_EQ(avatar.charposx, 3.25f);
    EXPECT_EQ(avatar.charposy, 1.75f);
    EXPECT_EQ(peer_.ReadMessage(2s), std::optional<std::string>("4|walker|hall.map"));
    EXPECT_EQ(MAP_SIZEX, 5);
    EXPECT_EQ(MAP_SIZEY, 3);
    EXPECT_EQ(tilesetfile, "Tavrel.app/Contents/Resources/hall.tga");
    EXPECT_EQ(numtiles, 2);
    EXPECT_FALSE(entitiesallocated);
    for (GLuint t : old) EXPECT_FALSE(glIsTexture(t));
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 10 / 255.0f);
    EXPECT_FLOAT_EQ(clear[2], 30 / 255.0f);
    // The new map has no exits: nothing more happens.
    EXPECT_FALSE(detect_entity());
}

TEST_F(Exits, AnExitOutsideTheMapNeverFires) {
    Stand(9.5f, 1.5f);
    EXPECT_FALSE(detect_entity());
    EXPECT_EQ(MAP_SIZEX, 8);
}

TEST_F(Exits, ATargetThatCantBeLoadedChangesNothingAndIsReportedOncePerArrival) {
    int** const grid = map;
    tile* const tileset = tiles;
    Stand(1.5f, 1.5f);
    EXPECT_EQ(FailureLinesOver(5), 1);
    EXPECT_EQ(avatar.map, "room.map");
    EXPECT_EQ(avatar.charposx, 1.5f);
    EXPECT_EQ(avatar.charposy, 1.5f);
    EXPECT_EQ(map, grid);
    EXPECT_EQ(tiles, tileset);
    EXPECT_EQ(MAP_SIZEX, 8);

    // Moving about on the same cell is still the same arrival.
    Stand(1.1f, 1.9f);
    EXPECT_EQ(FailureLinesOver(3), 0);
    // Leaving and coming back is a new one.
    Stand(0.5f, 1.5f);
    EXPECT_EQ(FailureLinesOver(1), 0);
    Stand(1.5f, 1.5f);
    EXPECT_EQ(FailureLinesOver(3), 1);
    // Straight onto the next broken exit: its own report.
    Stand(2.5f, 1.5f);
    EXPECT_EQ(FailureLinesOver(3), 1);
    EXPECT_EQ(map, grid);
    EXPECT_EQ(tiles, tileset);
    // The server heard of none of it.
    EXPECT_EQ(peer_.ReadMessage(300ms), std::nullopt);

    // A working exit still works afterwards.
    Stand(3.5f, 1.5f);
    EXPECT_TRUE(detect_entity());
    EXPECT_EQ(peer_.ReadMessage(2s), std::optional<std::string>("4|walker|hall.map"));
}

TEST_F(Exits, CollisionLooksAtTheAvatarsFeet) {
    Stand(5.5f, 3.0f); // feet in world row 2, on the blocked (5, 2)
    EXPECT_TRUE(detect_collision());
    Stand(5.5f, 3.5f);
    EXPECT_FALSE(detect_collision());
    Stand(7.9f, 3.5f); // right foot past the map's edge
    EXPECT_TRUE(detect_collision());
}

} // namespace
