// Map exits as the walking meets them: the server is told and the player moves to the target. A
// target that can't be loaded (no file, a broken file, no tile set) is read before anything current
// is touched, so it changes nothing; it is reported once per arrival, not once per frame.
#include "tests/world/worldfolder.h"

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

using namespace tworld;

// 5 by 2 on a dark blue background. Exits on world row 1: (1, 1) to a missing map, (2, 1) to a map
// without its tile set, (3, 1) to a short file, two on (4, 1) of which the first goes to hall.map.
const char* const kRoom = "Tavrel.app/Contents/Resources/tiles.tga\n5\n2\n0.5\n0.5\n0\n5\n0 0 64\n\n"
                          "0 0 0 0 0\n0 0 0 0 0\nsep\n0 0 0 0 0\n0 0 0 0 0\nsep\n1 1 0.5 0.5 nowhere.map\n"
                          "2 1 0.5 0.5 untiled.map\n3 1 0.5 0.5 short.map\n4 1 3.25 1.75 hall.map\n"
                          "4 1 0.5 0.5 room.map\n";

class Exits : public WorldFolder {
  protected:
    void SetUp() override {
        WorldFolder::SetUp();
        WriteMap("hall.map", Resource("tiles.tga\n5\n1\n0\n0\n0\n0\n0 0 0\n\n1 0 1 0 1\nsep\n0\n"));
        WriteMap("untiled.map", Resource("none.tga\n1\n1\n0\n0\n0\n0\n200 0 0\n\n0\nsep\n0\n"));
        WriteMap("short.map", Resource("tiles.tga\n2\n2\n0\n0\n0\n0\n200 0 0\n\n0 0\n0 0\nsep\n0 0\n"));
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
    const auto current = [] {
        return std::tuple(map, tiles, tiles[0].texture, MAP_SIZEX, MAP_SIZEY, numentities, entities);
    };
    const auto before = current();
    const std::string image = "Failed to load the image \"" + Resource("none.tga") + "\"";
    const struct {
        float x, y;
        std::string why, first; // the report's end, and the line before it if any; none when why is empty
    } steps[] = {
        {1.5f, 1.5f, "nowhere.map\": the file can't be opened\n", ""},
        {1.1f, 1.9f, "", ""}, // moving about on the same cell is the same arrival
        {0.5f, 1.5f, "", ""}, // leaving and coming back is a new one
        {1.5f, 1.5f, "nowhere.map\": the file can't be opened\n", ""},
        {2.5f, 1.5f, "untiled.map\": its tile set \"" + Resource("none.tga") + "\" can't be loaded\n", image},
        {3.5f, 1.5f, "short.map\": the file ends after 13 lines, its header promises 14\n", ""},
    };
    for (const auto& s : steps) {
        Stand(s.x, s.y);
        testing::internal::CaptureStderr();
        for (int frame = 0; frame < 3; ++frame)
            EXPECT_FALSE(Exit());
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string line = s.why.empty() ? "" : "Failed to load the map \"" + Resource(s.why);
        EXPECT_EQ(err.rfind(s.first, 0), 0u) << err;
        EXPECT_EQ(err.find(line), err.size() - line.size()) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), !s.why.empty() + !s.first.empty()) << err;
        EXPECT_TRUE(avatar.map == "room.map" && avatar.charposx == s.x && avatar.charposy == s.y)
            << avatar.map;
        EXPECT_EQ(current(), before);
    }
    EXPECT_TRUE(announced_.empty()); // the server hears of none of it
    // The room's tiles and background are still drawn.
    EXPECT_TRUE(glIsTexture(tiles[0].texture));
    ExpectAt(2.5f, 1.5f, {{320, 300, kRed}, {10, 470, {0, 0, 64, 255}}});

    // A working exit still works afterwards: the first of the two on its cell.
    Stand(4.9f, 1.1f);
    ASSERT_TRUE(Exit());
    EXPECT_EQ(announced_, std::vector<std::string>{"hall.map"});
    EXPECT_EQ(std::make_tuple(avatar.map, avatar.charposx, avatar.charposy, MAP_SIZEX),
              std::make_tuple(std::string("hall.map"), 3.25f, 1.75f, 5));
    EXPECT_FALSE(Exit()); // the hall has no exits
}

} // namespace
