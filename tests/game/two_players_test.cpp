// Two real clients and a scripted observer on the real server: what one types reaches the
// observer and shows in the other's chat log. Quitting and the removal it brings are checked
// against a scripted server (tests/net) and scripted players (tests/server).
#include "tests/support/players.h"

#include <gtest/gtest.h>

namespace {

using namespace tt;

const char* const TITLE = "Quennick's Tavrel";

// Whether the observer gets text within timeout (frames before it are skipped).
bool Hears(ScriptedPlayer& eye, const std::string& text, Millis timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end)
        if (eye.Next(100ms) == text) return true;
    return false;
}

TEST(Game, WhatOnePlayerTypesShowsInTheOthersChatLog) {
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
    std::vector<std::string> windows;
    ASSERT_TRUE(Eventually([&] { return (windows = FindWindows(TestDisplay(), TITLE)).size() == 2; }, 15s))
        << bob->Stdout() << bob->Stderr();
    const std::string bobwin = windows[0] == annwin ? windows[1] : windows[0];
    Xdotool(TestDisplay(), "windowmove --sync " + bobwin + " 700 0");

    const Image before = WindowShot(TestDisplay(), annwin);
    // The pointer goes with the focus: without a window manager keys may follow it.
    Xdotool(TestDisplay(), "mousemove 900 100");
    Xdotool(TestDisplay(), "windowfocus --sync " + bobwin);
    Xdotool(TestDisplay(), "type 'thello Ann'");
    Xdotool(TestDisplay(), "key Return");
    EXPECT_TRUE(Hears(*eye, "1|Bob|hello Ann|main.map", 20s));
    // Ann's newest log line, text space y 15..31 of 480 from the bottom.
    EXPECT_TRUE(Eventually(
        [&] { return ChangedPixels(before, WindowShot(TestDisplay(), annwin), 10, 449, 330, 465) > 50; },
        5s));
}

} // namespace
