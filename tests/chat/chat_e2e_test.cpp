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
    int count = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) {
            const Image::Pixel p = a.At(x, a.height - 1 - y), q = b.At(x, b.height - 1 - y);
            count += p.r != q.r || p.g != q.g || p.b != q.b;
        }
    return count;
}

// Enter on an empty line sends nothing; Backspace removes the last character; a "|" is never
// taken into the line; a "t" typed into an open line is just a letter.
TEST(ChatClient, TypedLineGoesOutAsOneExactChatFrame) {
    Running run;
    ASSERT_TRUE(run.Start());
    run.Xdo("type --delay 40 't'");
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
}

TEST(ChatClient, OpenLineShowsAtTheTopLeftAndRelayedLinesInTheLog) {
    Running run;
    ASSERT_TRUE(run.Start());
    usleep(500000);
    const Image idle = run.Shot();
    ASSERT_EQ(idle.width, 640);
    ASSERT_EQ(idle.height, 480);

    // "t" opens the line: the prompt appears at the top left, the log's band stays as it was.
    run.Xdo("type --delay 40 't'");
    usleep(300000);
    const Image open = run.Shot();
    EXPECT_GT(Changed(idle, open, 4, 454, 76, 471), 100);
    EXPECT_EQ(Changed(idle, open, 0, 0, 640, 120), 0);

    // The own line is not shown on sending, only when the server relays it back.
    run.Xdo("type --delay 40 'hi'");
    run.Xdo("key Return");
    ASSERT_TRUE(run.NextChatBody(10s).has_value());
    usleep(300000);
    const Image sent = run.Shot();
    EXPECT_EQ(Changed(idle, sent, 0, 0, 640, 120), 0);

    run.peer.SendMessage("1|Bob|hi|main.map"); // relayed back
    ASSERT_TRUE(Eventually([&] { return Changed(idle, run.Shot(), 10, 15, 120, 31) > 100; }, 5s));
    EXPECT_EQ(Changed(idle, run.Shot(), 0, 35, 640, 120), 0) << "one line in the log, not two";
}

// Without its panel or its font the chat can't be shown: the client names the file and stops.
TEST(ChatClient, MissingPanelOrFontImageEndsWithNine) {
    for (const std::string name : {"chat.tga", "font.tga"}) {
        Sandbox box;
        Peer peer;
        ASSERT_EQ(std::remove(box.Resource(name).c_str()), 0) << name;
        box.WriteConfig("Bob", peer.port());
        Process* client = box.StartClient(TestDisplay());
        ASSERT_TRUE(peer.Accept(10s)) << client->Stderr();
        EXPECT_EQ(client->Wait(20s), 9) << name << "\n" << client->Stderr();
        const std::string path = "\"Tavrel.app/Contents/Resources/" + name + "\"", err = client->Stderr();
        EXPECT_NE(err.find("Failed to load the image " + path), std::string::npos) << err;
        EXPECT_NE(err.find(path + " could not be loaded."), std::string::npos) << err;
    }
}

} // namespace
