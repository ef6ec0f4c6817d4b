// The real client against a scripted server: start-up order, login, refusals, broken streams and
// the exit codes they end in. The rules behind them are checked over plain data in tests/core
// and tests/wire; here one case per way out of the process.
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <arpa/inet.h>
#include <csignal>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <regex>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace tt;

const char* const TITLE = "Quennick's Tavrel";

// One session: the login on the wire, its line before anything about the window, the frame rate
// line every five seconds, a resize reported with its new size, and the close box (what a window
// manager sends when the player clicks it) ends with 0 and closes the connection.
TEST(Connection, LogsInOpensTheWindowReportsTheFrameRateResizesAndCloses) {
    ClientSession run;
    run.Launch();
    ASSERT_TRUE(run.peer.Accept(10s));
    EXPECT_EQ(run.peer.ReadFrameBody(5s), std::string("Bob", 4));
    const std::string window = FindWindow(TestDisplay(), TITLE, 15s);
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(run.client->WaitForStdout(" FPS\n", 20s));
    const std::string out = run.client->Stdout();
    ASSERT_NE(out.find("width: 640 height: 480\n"), std::string::npos) << out;
    EXPECT_LT(out.find("Logged in as Bob.\n"), out.find("width: 640")) << out;
    const std::string line = out.substr(out.rfind('\n', out.find(" FPS\n")) + 1);
    int frames = 0;
    float seconds = 0, fps = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d frames in %g seconds = %g FPS", &frames, &seconds, &fps), 3)
        << line;
    EXPECT_GE(seconds, 5.0f);
    EXPECT_GT(frames, 10);
    Xdotool(TestDisplay(), "windowsize " + window + " 800 600");
    EXPECT_TRUE(run.client->WaitForStdout("width: 800 height: 600\n", 10s)) << run.client->Stdout();
    Display* display = XOpenDisplay(TestDisplay().c_str());
    ASSERT_NE(display, nullptr);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::stoul(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display);
    EXPECT_EQ(run.client->Wait(10s), 0) << run.client->Stderr();
    EXPECT_TRUE(run.peer.PeerClosed(5s));
}

// What stops the client before any window: its exit code, its whole standard output (the library's
// words, or a refusal) and the player's words on standard error. A refused nickname never connects
// (the refusals themselves: tests/core/config_test.cpp). Without a readable client.cfg (none, a
// folder in its place, or a shell launch from "/", where data resolves against the current folder)
// the client names the file it looked for.
TEST(Startup, WhatCannotStartEndsWithItsCodeBeforeAnyWindow) {
    Peer peer;
    const char* const CFG = "Tavrel.app/Contents/Resources/client.cfg";
    enum { CONFIG, NO_FILE, FOLDER, FROM_ROOT };
    const struct {
        int how;
        std::string name, server;
        int port, code;
        const char *out, *err;
    } cases[] = {
        {CONFIG, "Bob", "127.0.0.1", ClosedPort(), 6, "SDLNet_TCP_Open: .*\n",
         "Cannot connect to the game server"},
        {CONFIG, "Bob", "", 7457, 5, "SDLNet_ResolveHost: .*\n", "Cannot find the game server's address"},
        {CONFIG, "Default", "127.0.0.1", peer.port(), 0, "Edit the client\\.cfg file!\n", ""},
        {NO_FILE, "Bob", "127.0.0.1", peer.port(), 2, "", CFG},
        {FOLDER, "Bob", "127.0.0.1", peer.port(), 2, "", CFG},
        {FROM_ROOT, "Bob", "127.0.0.1", peer.port(), 2, "", CFG},
    };
    for (const auto& c : cases) {
        Sandbox box;
        box.WriteConfig({"name=" + c.name, "server=" + c.server, "port=" + std::to_string(c.port)});
        if (c.how == NO_FILE || c.how == FOLDER) std::remove(box.Resource("client.cfg").c_str());
        if (c.how == FOLDER) Sh("mkdir " + ShellQuote(box.Resource("client.cfg")));
        std::unique_ptr<Process> fromroot;
        if (c.how == FROM_ROOT)
            fromroot.reset(new Process({ClientBinary(), "-x"}, "/", {{"DISPLAY", TestDisplay()}}));
        Process* client = fromroot ? fromroot.get() : box.StartClient(TestDisplay());
        EXPECT_EQ(client->Wait(30s), c.code) << c.err;
        EXPECT_TRUE(std::regex_match(client->Stdout(), std::regex(c.out))) << client->Stdout();
        EXPECT_NE(client->Stderr().find(c.err), std::string::npos) << client->Stderr();
        EXPECT_TRUE(FindWindow(TestDisplay(), TITLE, 0ms).empty()) << c.err;
    }
    EXPECT_FALSE(peer.Accept(0ms)) << "connected although the name was refused";
}

// Every way the stream breaks ends with 8, never with a signal. Reset while the client loads its
// data, the first turn's position report (the turn to face down is news) is a send into the reset
// before any receive: a failed send, with the reason on standard error and nothing on standard
// output (SDL_net has no words for it). An impossible length and an empty message break the
// stream as surely (which lengths are impossible: tests/wire/protocol_test.cpp).
TEST(Stream, ABrokenStreamEndsWithEight) {
    const struct {
        const char* name;
        bool playing;
        std::function<void(Peer&)> breakit;
        const char* err;
    } cases[] = {
        {"hang-up", true, [](Peer& p) { p.CloseConnection(); }, "Lost the connection to the server: "},
        {"reset while loading", false, [](Peer& p) { p.ResetConnection(); },
         "Lost the connection to the server: a send failed ("},
        {"reset while playing", true, [](Peer& p) { p.ResetConnection(); },
         "Lost the connection to the server: "},
        {"impossible length", true, [](Peer& p) { p.SendRaw(std::string(4, '\0')); },
         "a frame with an impossible length arrived"},
        {"empty message", true, [](Peer& p) { p.SendRaw(std::string("\0\0\0\1\0", 5)); },
         "an empty message arrived"},
    };
    for (const auto& c : cases) {
        ClientSession run;
        run.Launch();
        if (c.playing) {
            ASSERT_TRUE(run.Start()) << c.name;
        } else {
            ASSERT_TRUE(run.peer.Accept(10s));
            ASSERT_TRUE(run.peer.ReadMessage(5s));
        }
        c.breakit(run.peer);
        EXPECT_EQ(run.client->Wait(10s), 8) << c.name;
        EXPECT_EQ(run.client->Stdout().find("SDLNet_TCP_Send"), std::string::npos) << run.client->Stdout();
        EXPECT_NE(run.client->Stderr().find(c.err), std::string::npos) << c.name << run.client->Stderr();
    }
}

TEST(Stream, AFrameThatNeverCompletesEndsWithEightAfterFiveSeconds) {
    ClientSession run;
    ASSERT_TRUE(run.Start());
    const auto start = std::chrono::steady_clock::now();
    run.peer.SendRaw(std::string("\0\0\0\x14", 4) + "3|Ann");
    EXPECT_EQ(run.client->Wait(15s), 8);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 4500ms);
    EXPECT_LT(waited, 9000ms);
}

// A listener with a full accept queue: a connect to it waits for minutes in the kernel. Ctrl-C
// still ends the client at once (SIGTERM goes to the same handler, installed with it).
TEST(Signals, CtrlCWhileConnectingEndsTheClientWithinASecond) {
    int port = 0;
    const int listener = ListenOnLoopback(0, &port);
    ASSERT_GE(listener, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    std::vector<int> fillers(4);
    for (int& fd : fillers) {
        fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    }
    Sandbox box;
    box.WriteConfig("Bob", port);
    Process* client = box.StartClient(TestDisplay());
    std::this_thread::sleep_for(700ms);
    EXPECT_TRUE(client->Running()) << "the connect did not wait: " << client->Stdout();
    EXPECT_EQ(client->Stdout(), "") << "got past the connect";
    client->Signal(SIGINT);
    EXPECT_EQ(client->Wait(1000ms), 0);
    for (const int fd : fillers)
        close(fd);
    close(listener);
}

// Keys repeat only while the chat line is open, and Escape ends the game even then.
TEST(MainLoop, KeysRepeatOnlyWhileTheChatLineIsOpenAndEscapeEndsWithZero) {
    ClientSession run;
    ASSERT_TRUE(run.Start());
    Xdotool(TestDisplay(), "type t");
    std::this_thread::sleep_for(200ms);
    // Held for 1.2 s with the line open: one press, then a repeat every 30 ms after 500 ms.
    run.Hold("a", 1200);
    Xdotool(TestDisplay(), "key Return");
    const auto typed = run.peer.ReadUntil("1|", 5s);
    ASSERT_TRUE(typed);
    const std::string line = typed->substr(6, typed->rfind('|') - 6);
    EXPECT_EQ(line, std::string(line.size(), 'a')) << *typed;
    EXPECT_GE(line.size(), 8u) << *typed;
    EXPECT_LE(line.size(), 30u) << *typed;
    // Enter switched repeat off: a held "t" opens the line once and types nothing into it.
    run.Hold("t", 1200);
    Xdotool(TestDisplay(), "type x");
    std::this_thread::sleep_for(100ms);
    Xdotool(TestDisplay(), "key Return");
    EXPECT_EQ(run.peer.ReadUntil("1|", 5s), "1|Bob|x|main.map");
    Xdotool(TestDisplay(), "type t");
    std::this_thread::sleep_for(200ms);
    // Held like a person holds a key: the game looks at the keyboard once a turn.
    Xdotool(TestDisplay(), "keydown Escape");
    EXPECT_EQ(run.client->Wait(10s), 0);
    Xdotool(TestDisplay(), "keyup Escape");
}

TEST(Platform, DesktopLaunchStartsInTheFolderThatHoldsTheBundle) {
    Sandbox box;
    Peer peer;
    box.WriteConfig("Bob", peer.port());
    const std::string exe = box.dir() + "/Tavrel.app/Contents/MacOS/tavrel";
    Sh("mkdir -p " + ShellQuote(box.dir() + "/Tavrel.app/Contents/MacOS") + " && cp " +
       ShellQuote(ClientBinary()) + " " + ShellQuote(exe));
    Process client({exe, "-psn_0_4242"}, "/", {{"DISPLAY", TestDisplay()}});
    ASSERT_TRUE(peer.Accept(10s)) << client.Stdout() << client.Stderr();
    EXPECT_TRUE(client.WaitForStdout("Logged in as Bob.", 5s));
    // SIGTERM in the main loop ends the turn like the close box.
    ASSERT_TRUE(client.WaitForStdout("width: 640 height: 480\n", 15s)) << client.Stdout();
    client.Signal(SIGTERM);
    EXPECT_EQ(client.Wait(10s), 0);
}

} // namespace
