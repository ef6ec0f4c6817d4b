// The real client against a scripted server: keys and walls as the server hears them, and a relayed
// player on screen. How far and how fast is the unit tests' business; here only the way. Walking
// through an exit is the map author's loop test's (tests/map/walk_test.cpp).
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace {

using namespace tt;

// A 20 by 20 map with the player starting at (5.5, 10.5) and a wall down column 10.
std::string Map() {
    std::ostringstream m;
    m << "Tavrel.app/Contents/Resources/tiles.tga\n20\n20\n5.5\n10.5\n0\n0\n0 0 64\n-\n";
    for (int layer = 0; layer < 2; ++layer) {
        for (int r = 0; r < 20; ++r)
            for (int c = 0; c < 20; ++c)
                m << (layer == 1 && c == 10) << (c < 19 ? " " : "\n");
        m << "-\n";
    }
    return m.str();
}

struct Report {
    float x;
    int direction, walking, collision;
};

// The next position report "3|name|x|y|direction|walking|collision|charid|map" (others are skipped).
std::optional<Report> NextReport(Peer& peer) {
    Report r{};
    const std::string text = peer.ReadUntil("3|", 5s).value_or("");
    const int got =
        std::sscanf(text.c_str(), "3|%*[^|]|%f|%*f|%d|%d|%d", &r.x, &r.direction, &r.walking, &r.collision);
    return got == 4 ? std::optional<Report>(r) : std::nullopt;
}

// A walking report draws a relayed player, it glides on from there, and its removal clears it;
// then D walks right until the wall stops the player just short of it, reported as a collision.
// Where exactly a relayed player stands and how far it glides are the drawing and animation tests'
// business.
TEST(RunningClient, RelayedPlayersKeysAndWalls) {
    ClientSession run("Eve", 2);
    WriteFile(run.box.Resource("main.map"), Map());
    ASSERT_TRUE(run.Start());
    const Image empty = run.Shot();
    // Three units right of the avatar (512 px across) and two up, clear of it: walking left.
    run.peer.Send("3|Ann|8.5|12.5|3|1|0|1|main.map");
    const auto glided = [&] {
        const Image now = run.Shot();
        long sum = 0, count = 0;
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 640; ++x)
                if (ChangedPixels(empty, now, x, y, x + 1, y + 1)) sum += x, ++count;
        // Drawn, its centre left of where it was reported, nothing left behind there.
        return count > 64 * 60 / 5 && sum < (512 - 40) * count &&
               ChangedPixels(empty, now, 492, 0, 532, 150) == 0;
    };
    // Walkers glide for a second after their last report, then stand: this holds from then on.
    EXPECT_TRUE(Eventually(glided, 5s));
    run.peer.Send("2|Ann");
    EXPECT_TRUE(Eventually([&] { return ChangedPixels(empty, run.Shot(), 0, 0, 640, 480) == 0; }, 5s));

    run.Hold("d", 3500); // the wall is 4.3 units away, with room for a slow start
    bool walked = false, blocked = false;
    std::optional<Report> r;
    // Standing reports from before the key went down are skipped; the first one after ends the walk.
    while ((r = NextReport(run.peer)) && (r->walking || !walked)) {
        if (!r->walking) continue;
        EXPECT_EQ(r->direction, 1);
        walked = true;
        blocked = blocked || r->collision;
    }
    ASSERT_TRUE(walked && r);
    EXPECT_TRUE(blocked);
    // The player stays below 9.8, but the wire carries six significant digits: 9.79999 arrives as "9.8".
    EXPECT_LE(r->x, 9.8f);
    EXPECT_GT(r->x, 9.7f);
}

} // namespace
