// The real client's chat against a scripted server: what typing sends, and what relayed lines show.
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

using namespace tt;


// A client logged in as Bob to a scripted peer, its window open and focused.
struct Running : ClientSession {
    Running() { Launch(); }
    void Type(const std::string& text) {
        Xdotool(TestDisplay(), "type --delay 40 '" + text + "'");
        usleep(150000);
    }
    void Key(const std::string& name) {
        Xdotool(TestDisplay(), "key " + name);
        usleep(150000);
    }
    // The body of the next chat frame (position frames in between are skipped).
    std::optional<std::string> NextChatBody(Millis timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            auto body = peer.ReadFrameBody(std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now()));
            if (!body) return std::nullopt;
            if (body->rfind("1|", 0) == 0) return body;
        }
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

TEST(ChatClient, TypedLineGoesOutAsOneExactChatFrame) {
    Running run;
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.peer.ReadMessage(5s).has_value()); // the login
    run.Type("t");
    run.Type("hello there");
    run.Key("Return");
    const auto body = run.NextChatBody(10s);
    ASSERT_TRUE(body.has_value());
    EXPECT_EQ(*body, std::string("1|Bob|hello there|main.map") + '\0');
}

TEST(ChatClient, EditingKeysShapeTheLine) {
    Running run;
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.peer.ReadMessage(5s).has_value());
    // Enter on an empty line sends nothing; the next line is the first chat frame.
    run.Type("t");
    run.Key("Return");
    // Backspace removes the last character; a "|" is never taken into the line; a "t" typed
    // into an open line is just a letter.
    run.Type("t");
    run.Type("abc");
    run.Key("BackSpace");
    run.Type("|t|");
    run.Key("Return");
    const auto body = run.NextChatBody(10s);
    ASSERT_TRUE(body.has_value());
    EXPECT_EQ(*body, std::string("1|Bob|abt|main.map") + '\0');
    // Nothing else came: no empty chat frame is waiting behind it.
    EXPECT_FALSE(run.NextChatBody(1500ms).has_value());
}

TEST(ChatClient, OpenLineShowsAtTheTopLeftAndRelayedLinesInTheLog) {
    Running run;
    ASSERT_TRUE(run.Start());
    usleep(500000);
    const Image idle = run.Shot();
    ASSERT_EQ(idle.width, 640);
    ASSERT_EQ(idle.height, 480);

    // "t" opens the line: the prompt appears at the top left, the log's band stays as it was.
    run.Type("t");
    usleep(300000);
    const Image open = run.Shot();
    EXPECT_GT(Changed(idle, open, 4, 454, 76, 471), 100);
    EXPECT_EQ(Changed(idle, open, 100, 454, 640, 471), 0) << "only the seven prompt characters";
    EXPECT_EQ(Changed(idle, open, 0, 0, 640, 120), 0);

    // The own line is not shown on sending: only what the server relays enters the log.
    run.Type("hi");
    run.Key("Return");
    ASSERT_TRUE(run.NextChatBody(10s).has_value());
    usleep(300000);
    const Image sent = run.Shot();
    EXPECT_EQ(Changed(idle, sent, 0, 0, 640, 120), 0);
    EXPECT_EQ(Changed(idle, sent, 0, 440, 200, 480), 0) << "the closed line is hidden";

    run.peer.SendMessage("1|Ann|hello|main.map");
    ASSERT_TRUE(Eventually([&] { return Changed(idle, run.Shot(), 10, 15, 120, 31) > 100; }, 5s));
    const Image one = run.Shot();
    // "Ann: hello" is ten characters: the glyphs end by x 10 + 10 * 10 + 6, nothing above line 0.
    EXPECT_EQ(Changed(idle, one, 130, 0, 640, 120), 0);
    EXPECT_EQ(Changed(idle, one, 0, 35, 640, 120), 0);

    // A second line pushes the first up to the band at y 35.
    run.peer.SendMessage("1|Cy|x|other.map");
    ASSERT_TRUE(Eventually([&] { return Changed(one, run.Shot(), 10, 35, 120, 51) > 100; }, 5s));
    const Image two = run.Shot();
    EXPECT_EQ(Changed(idle, two, 0, 55, 640, 120), 0);
    two.SavePng(::testing::TempDir() + "chat_e2e_two_lines.png");
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
        const std::string path = "Tavrel.app/Contents/Resources/" + name;
        EXPECT_NE(client->Stderr().find("Failed to load the image \"" + path + "\""), std::string::npos)
            << client->Stderr();
        EXPECT_NE(client->Stderr().find("\"" + path + "\" could not be loaded."), std::string::npos)
            << client->Stderr();
    }
}

} // namespace
