// The real client's chat against a scripted server: what typing sends, and what relayed lines show.
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

using namespace tt;

// A client logged in as Bob to a scripted peer, its window open and focused.
struct Running : ClientSession {
    Running() { Launch(); }
    // An xdotool command ("type ..." or "key ..."), then time for the client to handle it.
    void Xdo(const std::string& args) {
        Xdotool(TestDisplay(), args);
        usleep(150000);
    }
    // The body of the next chat frame (position frames in between are skipped).
    std::optional<std::string> NextChatBody(Millis timeout) {
        using std::chrono::steady_clock;
        const auto end = steady_clock::now() + timeout;
        while (auto body = peer.ReadFrameBody(std::chrono::duration_cast<Millis>(end - steady_clock::now())))
            if (body->rfind("1|", 0) == 0) return body;
        return std::nullopt;
    }
};

// Pixels that differ between two shots inside a text-space box (y from the bottom of the window).
int Changed(const Image& a, const Image& b, int x0, int y0, int x1, int y1) {
    return ChangedPixels(a, b, x0, a.height - y1, x1, a.height - y0);
}

// "t" opens the line with its prompt at the top left; Enter on an empty line sends nothing;
// Backspace removes the last character; a "|" is never taken into the line; a "t" typed into an
// open line is just a letter. The own line shows in the log only when the server relays it back.
TEST(ChatClient, TypedLineGoesOutAsOneExactFrameAndShowsWhenRelayed) {
    Running run;
    ASSERT_TRUE(run.Start());
    usleep(500000);
    const Image idle = run.Shot();
    ASSERT_EQ(idle.width, 640);
    ASSERT_EQ(idle.height, 480);
    run.Xdo("type --delay 40 't'");
    usleep(300000);
    const Image open = run.Shot();
    EXPECT_GT(Changed(idle, open, 4, 454, 76, 471), 100);
    EXPECT_EQ(Changed(idle, open, 0, 0, 640, 120), 0) << "the log's band stays as it was";

    run.Xdo("key Return");
    run.Xdo("type --delay 40 't'");
    run.Xdo("type --delay 40 'hi abc'");
    run.Xdo("key BackSpace");
    run.Xdo("type --delay 40 '|t|'");
    run.Xdo("key Return");
    const auto body = run.NextChatBody(10s);
    ASSERT_TRUE(body.has_value());
    EXPECT_EQ(*body, std::string("1|Bob|hi abt|main.map") + '\0');
    EXPECT_FALSE(run.NextChatBody(1500ms).has_value()) << "one Enter, one frame";
    EXPECT_EQ(Changed(idle, run.Shot(), 0, 0, 640, 120), 0) << "not shown on sending";

    run.peer.SendMessage("1|Bob|hi abt|main.map"); // relayed back
    ASSERT_TRUE(Eventually([&] { return Changed(idle, run.Shot(), 10, 15, 120, 31) > 100; }, 5s));
    EXPECT_EQ(Changed(idle, run.Shot(), 0, 35, 640, 120), 0) << "one line in the log, not two";
}

} // namespace
