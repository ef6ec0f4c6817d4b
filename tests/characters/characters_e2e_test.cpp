// The real client against a scripted server: walking with the keyboard, walls, map exits, and
// remote players appearing and vanishing on screen.
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace tt;


// A map of size by size cells with the player starting at (5.5, 10.5); wallcolumn blocks a whole
// column (-1: none); an exit on cell (exitx, 10) leads to other.map at (3.5, 3.5) (exitx -1: none).
std::string Map(int wallcolumn, int exitx) {
    const int size = 20;
    std::ostringstream m;
    m << "Tavrel.app/Contents/Resources/tiles.tga\n" << size << "\n" << size << "\n5.5\n10.5\n0\n"
      << (exitx >= 0 ? 1 : 0) << "\n0 0 64\n-\n";
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) m << (c ? " " : "") << 0;
        m << "\n";
    }
    m << "-\n";
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) m << (c ? " " : "") << (c == wallcolumn ? 1 : 0);
        m << "\n";
    }
    if (exitx >= 0) m << "-\n" << exitx << " 10 3.5 3.5 other.map\n";
    return m.str();
}

struct Position {
    float x = 0, y = 0;
    int direction = 0, walking = 0, collision = 0;
    std::string map;
};

std::optional<Position> ParsePosition(const std::string& text) {
    std::vector<std::string> f;
    std::istringstream in(text);
    std::string field;
    while (std::getline(in, field, '|')) f.push_back(field);
    if (f.size() != 9 || f[0] != "3") return std::nullopt;
    Position p;
    p.x = std::strtof(f[2].c_str(), nullptr);
    p.y = std::strtof(f[3].c_str(), nullptr);
    p.direction = std::atoi(f[4].c_str());
    p.walking = std::atoi(f[5].c_str());
    p.collision = std::atoi(f[6].c_str());
    p.map = f[8];
    return p;
}

// A client logged in as Eve on a map of the test's own, its window open and focused.
struct Running : ClientSession {
    explicit Running(const std::string& mainmap) : ClientSession("Eve", 2) {
        WriteFile(box.Resource("main.map"), mainmap);
        WriteFile(box.Resource("other.map"), Map(-1, -1));
        Launch();
    }
    ~Running() override { Xdotool(TestDisplay(), "keyup d"); }
    // The next position report (other messages are skipped).
    std::optional<Position> NextPosition(Millis timeout) {
        auto text = peer.ReadUntil("3|", timeout);
        if (!text) return std::nullopt;
        return ParsePosition(*text);
    }
    // Reads reports until one with walking 0 after a walking one; the last report read.
    std::optional<Position> UntilStopped(Millis timeout) {
        bool walked = false;
        while (auto p = NextPosition(timeout)) {
            if (p->walking) walked = true;
            else if (walked) return p;
        }
        return std::nullopt;
    }
};

// Pixels that differ between two shots in a box given from the window's top-left.
int Changed(const Image& a, const Image& b, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const auto p = a.At(x, y), q = b.At(x, y);
            if (std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) > 30) ++count;
        }
    return count;
}

TEST(WalkingClient, HoldingDForOneSecondMovesAboutTwoAndAHalfUnits) {
    Running run(Map(-1, -1));
    ASSERT_TRUE(run.Start());
    const auto before = run.NextPosition(5s); // standing reports come every 500 ms
    ASSERT_TRUE(before);
    EXPECT_FLOAT_EQ(before->x, 5.5f);
    EXPECT_EQ(before->direction, 2);
    EXPECT_EQ(before->map, "main.map");

    run.Hold("d", 1000);
    const auto after = run.UntilStopped(5s);
    ASSERT_TRUE(after);
    EXPECT_NEAR(after->x - before->x, 2.5f, 0.3f);
    EXPECT_FLOAT_EQ(after->y, before->y);
    EXPECT_EQ(after->direction, 1);
}

TEST(WalkingClient, AWallStopsThePlayer) {
    Running run(Map(8, -1));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.NextPosition(5s));
    run.Hold("d", 2000); // 5 units' worth, the wall is 2.3 away
    bool blocked = false;
    std::optional<Position> last;
    while (auto p = run.NextPosition(2s)) {
        if (p->collision) blocked = true;
        last = p;
        if (!p->walking) break;
    }
    ASSERT_TRUE(last);
    EXPECT_TRUE(blocked);
    EXPECT_LT(last->x, 7.8f);
    EXPECT_GT(last->x, 7.7f);
}

TEST(WalkingClient, AnExitAnnouncesTheNewMapThenTheArrivalPosition) {
    Running run(Map(-1, 7));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.NextPosition(5s));
    run.Hold("d", 900); // the exit cell starts 1.5 units to the right
    auto change = run.peer.ReadUntil("4|", 5s);
    ASSERT_TRUE(change);
    EXPECT_EQ(*change, "4|Eve|other.map");
    const auto next = run.peer.ReadMessage(2s);
    ASSERT_TRUE(next);
    const auto arrival = ParsePosition(*next);
    ASSERT_TRUE(arrival) << *next;
    EXPECT_EQ(arrival->map, "other.map");
    EXPECT_FLOAT_EQ(arrival->x, 3.5f);
    EXPECT_FLOAT_EQ(arrival->y, 3.5f);
}

TEST(RemotePlayers, ARelayedPositionShowsAPlayerAndARemovalTakesItAway) {
    Running run(Map(-1, -1));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.NextPosition(5s));
    const Image empty = run.Shot();

    // Two units right of the avatar, which stands centred and 60 pixels above the middle.
    run.peer.SendMessage("3|Ann|7.5|10.5|2|0|0|1|main.map");
    usleep(400000);
    const Image shown = run.Shot();
    const int inside = Changed(empty, shown, 448 - 32, 180 - 32, 448 + 32, 180 + 32);
    EXPECT_GT(inside, 64 * 64 / 5);
    EXPECT_EQ(Changed(empty, shown, 448 + 45, 180 - 32, 448 + 90, 180 + 32), 0);
    EXPECT_EQ(Changed(empty, shown, 448 - 32, 180 + 36, 448 + 32, 180 + 80), 0);

    run.peer.SendMessage("2|Ann");
    usleep(400000);
    const Image gone = run.Shot();
    EXPECT_EQ(Changed(empty, gone, 448 - 45, 180 - 40, 448 + 45, 180 + 40), 0);
    if (::testing::Test::HasFailure()) {
        shown.SavePng("remote_shown.png");
        gone.SavePng("remote_gone.png");
    }
}

TEST(RemotePlayers, AWalkingPlayerGlidesOnBetweenReports) {
    Running run(Map(-1, -1));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.NextPosition(5s));
    const Image empty = run.Shot();
    // Reported walking left from three units right (512 px); 400 ms later it is about one unit
    // (64 px) further left. The centre of what changed tells where it is drawn now.
    run.peer.SendMessage("3|Ann|8.5|10.5|3|1|0|1|main.map");
    usleep(400000);
    const Image moved = run.Shot();
    long sum = 0, count = 0;
    for (int y = 180 - 30; y < 180 + 30; ++y)
        for (int x = 320 + 43; x < 640; ++x)
            if (Changed(empty, moved, x, y, x + 1, y + 1)) sum += x, ++count;
    ASSERT_GT(count, 64 * 60 / 5) << "the remote player was not drawn";
    const double centre = static_cast<double>(sum) / count;
    EXPECT_LT(centre, 512 - 40) << "not moved on from the report";
    EXPECT_GT(centre, 512 - 64 * 1.6) << "moved on further than 400 ms of walking allow";
    // Nothing is left where it was reported.
    EXPECT_EQ(Changed(empty, moved, 512 - 20, 180 - 30, 512 + 20, 180 + 30), 0);
}

TEST(SpriteSheet, ACharacterNotOnTheSheetIsRefusedBeforeTheGameStarts) {
    for (int character : {8, -1}) {
        Sandbox box;
        Peer peer;
        box.WriteConfig("Eve", peer.port(), character);
        Process* client = box.StartClient(TestDisplay());
        ASSERT_TRUE(peer.Accept(10s));
        const auto code = client->Wait(15s);
        ASSERT_TRUE(code) << "still running";
        EXPECT_EQ(*code, 0);
        EXPECT_NE(client->Stdout().find("Invalid character.\n"), std::string::npos) << client->Stdout();
    }
}

TEST(SpriteSheet, AMissingSheetStopsTheClientWithTheDataExitCode) {
    Sandbox box;
    Peer peer;
    box.WriteConfig("Eve", peer.port(), 0);
    std::remove(box.Resource("Hero 1.tga").c_str());
    Process* client = box.StartClient(TestDisplay());
    ASSERT_TRUE(peer.Accept(10s));
    const auto code = client->Wait(15s);
    ASSERT_TRUE(code) << "still running";
    EXPECT_EQ(*code, 9);
    EXPECT_NE(client->Stderr().find("\"Tavrel.app/Contents/Resources/Hero 1.tga\""), std::string::npos)
        << client->Stderr();
}

} // namespace
