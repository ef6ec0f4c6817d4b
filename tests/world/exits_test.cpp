// Map exits as the walking meets them: the server is told and the player moves to the target; a
// target that can't be loaded changes nothing and is reported once per arrival, not once per frame.
#include "tests/world/worldfolder.h"

#include <tuple>
#include <vector>

namespace {

using namespace tworld;

// 4 by 2. Exits on world row 1: (1, 1) to a missing map, (2, 1) to a map without its tile
// set, two on (3, 1) of which the first goes to hall.map.
const char* const kRoom = "Tavrel.app/Contents/Resources/tiles.tga\n4\n2\n0.5\n0.5\n0\n4\n0 0 0\n\n"
                          "0 0 0 0\n0 0 0 0\nsep\n0 0 0 0\n0 0 0 0\nsep\n1 1 0.5 0.5 nowhere.map\n"
                          "2 1 0.5 0.5 untiled.map\n3 1 3.25 1.75 hall.map\n3 1 0.5 0.5 room.map\n";

class Exits : public WorldFolder {
  protected:
    void SetUp() override {
        WorldFolder::SetUp();
        WriteMap("hall.map",
                 "Tavrel.app/Contents/Resources/tiles.tga\n5\n1\n0\n0\n0\n0\n0 0 0\n\n1 0 1 0 1\nsep\n0\n");
        WriteMap("untiled.map",
                 "Tavrel.app/Contents/Resources/none.tga\n1\n1\n0\n0\n0\n0\n0 0 0\n\n0\nsep\n0\n");
        Load("room.map", kRoom);
        avatar.map = "room.map";
    }
    // Takes the exit the player stands on, if any, recording what the server would be told.
    bool Exit() {
        return detect_entity([this](const std::string& target) { announced_.push_back(target); });
    }
    static void Stand(float x, float y) {
        avatar.charposx = x;
        avatar.charposy = y;
    }

    std::vector<std::string> announced_;
};

TEST_F(Exits, ATargetThatCantBeLoadedIsReportedOncePerArrivalAndChangesNothing) {
    int** const grid = map;
    tile* const tileset = tiles;
    const struct {
        float x, y;
        int lines;
    } steps[] = {
        {1.5f, 1.5f, 1}, {1.1f, 1.9f, 0}, // moving about on the same cell is the same arrival
        {0.5f, 1.5f, 0}, {1.5f, 1.5f, 1}, // leaving and coming back is a new one
        {2.5f, 1.5f, 1},                  // straight onto the next broken exit: its own report
    };
    for (const auto& s : steps) {
        Stand(s.x, s.y);
        testing::internal::CaptureStderr();
        for (int frame = 0; frame < 3; ++frame)
            EXPECT_FALSE(Exit());
        const std::string err = testing::internal::GetCapturedStderr();
        int lines = 0;
        for (std::size_t at = 0; (at = err.find("Failed to load the map", at)) != std::string::npos; ++at)
            ++lines;
        EXPECT_EQ(lines, s.lines) << s.x << ", " << s.y << ": " << err;
        EXPECT_TRUE(avatar.map == "room.map" && avatar.charposx == s.x && avatar.charposy == s.y)
            << avatar.map;
        EXPECT_TRUE(map == grid && tiles == tileset);
    }
    EXPECT_TRUE(announced_.empty()); // the server hears of none of it

    // A working exit still works afterwards: the first of the two on its cell.
    Stand(3.9f, 1.1f);
    ASSERT_TRUE(Exit());
    EXPECT_EQ(announced_, std::vector<std::string>{"hall.map"});
    EXPECT_EQ(std::make_tuple(avatar.map, avatar.charposx, avatar.charposy, MAP_SIZEX),
              std::make_tuple(std::string("hall.map"), 3.25f, 1.75f, 5));
    EXPECT_FALSE(Exit()); // the hall has no exits
}

} // namespace
