// The real client against a scripted server: walking, walls, map exits, and remote players on screen.
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

#include <unistd.h>

namespace {

using namespace tt;

// A 20 by 20 map with the player starting at (5.5, 10.5); wallcolumn blocks a whole column
// (-1: none); an exit on cell (exitx, 10) leads to other.map at (3.5, 3.5) (exitx -1: none).
std::string Map(int wallcolumn, int exitx) {
    std::ostringstream m;
    m << "Tavrel.app/Contents/Resources/tiles.tga\n20\n20\n5.5\n10.5\n0\n" << (exitx >= 0) << "\n0 0 64\n-\n";
    for (int layer = 0; layer < 2; ++layer) {
        for (int r = 0; r < 20; ++r)
            for (int c = 0; c < 20; ++c)
                m << (layer == 1 && c == wallcolumn) << (c < 19 ? " " : "\n");
        if (layer == 0 || exitx >= 0) m << "-\n";
    }
    if (exitx >= 0) m << exitx << " 10 3.5 3.5 other.map\n";
    return m.str();
}

// A position report "3|name|x|y|direction|walking|collision|charid|map".
struct Position {
    float x, y;
    int direction, walking, collision;
    std::string map;
};

std::optional<Position> ParsePosition(const std::string& text) {
    Position p{};
    char map[64] = "";
    if (std::sscanf(text.c_str(), "3|%*[^|]|%f|%f|%d|%d|%d|%*d|%63s", &p.x, &p.y, &p.direction, &p.walking,
                    &p.collision, map) != 6)
        return std::nullopt;
    p.map = map;
    return p;
}

// A client logged in as Eve on a map of the test's own.
struct Running : ClientSession {
    explicit Running(const std::string& mainmap) : ClientSession("Eve", 2) {
        WriteFile(box.Resource("main.map"), mainmap);
        WriteFile(box.Resource("other.map"), Map(-1, -1));
    }
    // The next position report (other messages are skipped).
    std::optional<Position> NextPosition() {
        auto text = peer.ReadUntil("3|", 5s);
        return text ? ParsePosition(*text) : std::nullopt;
    }
    // Reads up to the first standing report after walking; *blocked: whether one had a collision.
    std::optional<Position> UntilStopped(bool* blocked = nullptr) {
        bool walked = false;
        while (auto p = NextPosition()) {
            if (blocked && p->collision) *blocked = true;
            if (p->walking)
                walked = true;
            else if (walked)
                return p;
        }
        return std::nullopt;
    }
};

TEST(WalkingClient, AWallStopsThePlayerJustShortOfIt) {
    Running run(Map(10, -1));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.NextPosition());
    run.Hold("d", 3500); // the wall is 4.3 units away: walking 2.5 a second, with room for a slow start
    bool blocked = false;
    const auto last = run.UntilStopped(&blocked);
    ASSERT_TRUE(last);
    EXPECT_TRUE(blocked);
    // The player stays below 9.8, but the wire carries six significant digits, so 9.79999
    // arrives as "9.8".
    EXPECT_LE(last->x, 9.8f);
    EXPECT_GT(last->x, 9.7f);
}

TEST(WalkingClient, AnExitAnnouncesTheNewMapThenTheArrivalPosition) {
    Running run(Map(-1, 7));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.NextPosition());
    run.Hold("d", 900); // the exit cell starts 1.5 units to the right
    EXPECT_EQ(run.peer.ReadUntil("4|", 5s), "4|Eve|other.map");
    const auto arrival = ParsePosition(run.peer.ReadMessage(2s).value_or("none"));
    ASSERT_TRUE(arrival);
    EXPECT_EQ(arrival->map, "other.map");
    EXPECT_FLOAT_EQ(arrival->x, 3.5f);
    EXPECT_FLOAT_EQ(arrival->y, 3.5f);
}

// The avatar stands centred, 60 pixels above the middle of the window; a unit is 64 pixels across.
// A relayed player appears, glides while walking and vanishes when removed. Then each key walks
// its own way, reported as walking in that direction, then standing when let go; how far a
// wall-clock hold goes is the unit tests' business, here only the way.
TEST(RunningClient, RemotePlayersShowThenEachWalkingKeyWalksItsWay) {
    Running run(Map(-1, -1));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.NextPosition());
    const Image empty = run.Shot();

    run.peer.SendMessage("3|Ann|7.5|10.5|2|0|0|1|main.map"); // standing two units right
    usleep(400000);
    const Image shown = run.Shot();
    EXPECT_GT(ChangedPixels(empty, shown, 448 - 32, 180 - 32, 448 + 32, 180 + 32), 64 * 64 / 5);
    EXPECT_EQ(ChangedPixels(empty, shown, 448 + 45, 180 - 32, 448 + 90, 180 + 32), 0);
    EXPECT_EQ(ChangedPixels(empty, shown, 448 - 32, 180 + 36, 448 + 32, 180 + 80), 0);

    // Walking left from 512 px: some time later further left, by the centre of what changed.
    run.peer.SendMessage("3|Ann|8.5|10.5|3|1|0|1|main.map");
    usleep(400000);
    const Image moved = run.Shot();
    long sum = 0, count = 0;
    for (int y = 180 - 30; y < 180 + 30; ++y)
        for (int x = 320 + 43; x < 640; ++x)
            if (ChangedPixels(empty, moved, x, y, x + 1, y + 1)) sum += x, ++count;
    ASSERT_GT(count, 64 * 60 / 5) << "the remote player was not drawn";
    const double centre = static_cast<double>(sum) / static_cast<double>(count);
    EXPECT_LT(centre, 512 - 40) << "not moved on from the report";
    EXPECT_EQ(ChangedPixels(empty, moved, 512 - 20, 180 - 30, 512 + 20, 180 + 30), 0); // nothing left behind

    run.peer.SendMessage("2|Ann");
    usleep(400000);
    EXPECT_EQ(ChangedPixels(empty, run.Shot(), 320 + 43, 180 - 40, 640, 180 + 40), 0);
    auto last = run.NextPosition(); // standing reports come every 500 ms
    ASSERT_TRUE(last);
    EXPECT_FLOAT_EQ(last->x, 5.5f);
    EXPECT_EQ(last->direction, 2);
    const struct {
        const char* key;
        int direction, dx, dy;
    } cases[] = {{"w", 0, 0, 1}, {"a", 3, -1, 0}, {"s", 2, 0, -1}, {"d", 1, 1, 0}};
    for (const auto& c : cases) {
        run.Hold(c.key, 300);
        bool walked = false;
        std::optional<Position> p;
        // Standing reports from before the key went down are skipped.
        while ((p = run.NextPosition()) && (p->walking || !walked)) {
            if (!p->walking) continue;
            EXPECT_EQ(p->direction, c.direction) << c.key;
            walked = true;
        }
        ASSERT_TRUE(walked && p) << c.key;
        EXPECT_EQ(p->direction, c.direction) << c.key;
        const float dx = p->x - last->x, dy = p->y - last->y;
        EXPECT_EQ((dx > 0) - (dx < 0), c.dx) << c.key << " moved " << dx << ", " << dy;
        EXPECT_EQ((dy > 0) - (dy < 0), c.dy) << c.key << " moved " << dx << ", " << dy;
        last = p;
    }
}

} // namespace
