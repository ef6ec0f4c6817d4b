// Two real clients and a scripted observer on the real server: they see each other walk,
// and what one types shows in both chat logs.
#include "tests/support/players.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace tt;

const char* const TITLE = "Quennick's Tavrel";

// The x of the newest position of nick among the frames the observer gets within span.
std::optional<float> LatestX(ScriptedPlayer& eye, const std::string& nick, Millis span) {
    std::optional<float> x;
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        const auto text = eye.Next(100ms);
        if (text && text->rfind("3|" + nick + "|", 0) == 0)
            x = std::strtof(text->c_str() + 2 + nick.size() + 1, nullptr);
    }
    return x;
}

// Near-white pixels in the newest chat log line of a window on the screen.
int LitPixelsInNewestLogLine(const Image& screen, const Geometry& window) {
    int lit = 0;
    // Text space y 15..31 of 480 is window rows 449..465 from the top; x 10..330.
    for (int y = 449; y < 465; ++y)
        for (int x = 10; x < 330; ++x) {
            const Image::Pixel p = screen.At(window.x + x, window.y + y);
            if (p.r > 200 && p.g > 200 && p.b > 200) ++lit;
        }
    return lit;
}

TEST(Game, TwoPlayersSeeEachOtherWalkAndTalk) {
    ServerProcess server(ServerBinary());
    ASSERT_NE(server.port(), 0) << server.Log();
    auto eye = LogIn(server, "Eye");

    Sandbox annbox, bobbox;
    annbox.WriteConfig("Ann", server.port(), 1);
    bobbox.WriteConfig("Bob", server.port(), 2);
    Process* ann = annbox.StartClient(TestDisplay());
    const std::string annwin = FindWindow(TestDisplay(), TITLE, 15s);
    ASSERT_FALSE(annwin.empty()) << ann->Stdout() << ann->Stderr();
    Xdotool(TestDisplay(), "windowmove --sync " + annwin + " 0 0");
    Process* bob = bobbox.StartClient(TestDisplay());
    std::string bobwin;
    ASSERT_TRUE(Eventually(
        [&] {
            for (const auto& id : FindWindows(TestDisplay(), TITLE))
                if (id != annwin) bobwin = id;
            return !bobwin.empty();
        },
        15s))
        << bob->Stdout() << bob->Stderr();
    Xdotool(TestDisplay(), "windowmove --sync " + bobwin + " 700 0");

    // Both report themselves at least every half second; the observer hears both.
    ASSERT_TRUE(eye->Next(5s));
    const std::optional<float> annstart = LatestX(*eye, "Ann", 1200ms);
    ASSERT_TRUE(annstart) << "no position from Ann";
    EXPECT_TRUE(ann->Running());
    EXPECT_TRUE(server.Log().find("join \"Bob\"") != std::string::npos);

    // Ann walks right for a while: the observer sees her further right.
    Xdotool(TestDisplay(), "mousemove 100 100");
    Xdotool(TestDisplay(), "windowfocus --sync " + annwin);
    Xdotool(TestDisplay(), "keydown d");
    usleep(1000 * 1000);
    Xdotool(TestDisplay(), "keyup d");
    const std::optional<float> annend = LatestX(*eye, "Ann", 1200ms);
    ASSERT_TRUE(annend);
    EXPECT_GT(*annend, *annstart);
    EXPECT_TRUE(bob->Running());
    bool bobheard = false;

    // Bob says something: it reaches the observer, and both logs show it.
    const Image before = Screenshot(TestDisplay());
    const Geometry annGeom = WindowGeometry(TestDisplay(), annwin);
    const Geometry bobGeom = WindowGeometry(TestDisplay(), bobwin);
    EXPECT_EQ(LitPixelsInNewestLogLine(before, annGeom), 0);
    EXPECT_EQ(LitPixelsInNewestLogLine(before, bobGeom), 0);
    Xdotool(TestDisplay(), "mousemove 900 100");
    Xdotool(TestDisplay(), "windowfocus --sync " + bobwin);
    Xdotool(TestDisplay(), "type t");
    usleep(200 * 1000);
    Xdotool(TestDisplay(), "type 'hello Ann'");
    Xdotool(TestDisplay(), "key Return");
    for (int i = 0; i < 40 && !bobheard; ++i) {
        const auto text = eye->Next(500ms);
        bobheard = text && *text == "1|Bob|hello Ann|main.map";
    }
    EXPECT_TRUE(bobheard);
    ASSERT_TRUE(Eventually(
        [&] {
            const Image after = Screenshot(TestDisplay());
            return LitPixelsInNewestLogLine(after, annGeom) > 50 &&
                   LitPixelsInNewestLogLine(after, bobGeom) > 50;
        },
        5s));
    Screenshot(TestDisplay()).SavePng("/tmp/tavrel-two-players.png");

    // Ann leaves: the observer is told.
    ann->Signal(SIGTERM);
    EXPECT_EQ(ann->Wait(10s), 0);
    bool removed = false;
    for (int i = 0; i < 40 && !removed; ++i) {
        const auto text = eye->Next(500ms);
        removed = text && *text == "2|Ann";
    }
    EXPECT_TRUE(removed);
    bob->Signal(SIGTERM);
    EXPECT_EQ(bob->Wait(10s), 0);
    EXPECT_TRUE(server.Stop());
}

} // namespace
