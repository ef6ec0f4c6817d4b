// The real client against a scripted server: start-up order, login, refusals, missing data, broken
// streams, signals and the exit codes they end in. The rules behind them are checked over plain data
// in tests/core and tests/wire; here one case per way out of the process.
#include "core/chatlog.h"
#include "core/config.h"
#include "frame/framework.h"
#include "net/net.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <csignal>
#include <functional>
#include <netinet/in.h>
#include <regex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace tt;

// One session: the login on the wire, its line before anything about the window, the frame rate
// report, a resize reported with its new size, and the close box (what a window manager sends when
// the player clicks it) ends with 0.
TEST(Connection, LogsInOpensTheWindowReportsTheFrameRateResizesAndCloses) {
    ClientSession run;
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(run.peer.Next(5s), "Bob");
    ASSERT_TRUE(run.client->WaitForStdout(" FPS\n", 20s));
    const std::regex order("Logged in as Bob\\.\n(.*\n)*width: 640 height: 480\n(.*\n)*"
                           "[1-9][0-9]* frames in [0-9.]+ seconds = [0-9.]+ FPS\n");
    EXPECT_TRUE(std::regex_search(run.client->Stdout(), order)) << run.client->Stdout();
    Xdotool("windowsize " + run.window + " 800 600");
    EXPECT_TRUE(run.client->WaitForStdout("width: 800 height: 600\n", 10s)) << run.client->Stdout();
    Display* display = XOpenDisplay(TestDisplay().c_str());
    ASSERT_NE(display, nullptr);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::stoul(run.window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display);
    EXPECT_EQ(run.client->Wait(10s), 0) << run.client->Stderr();
}

const std::string RES = "Tavrel.app/Contents/Resources/";

// What stops the client before any window: its exit code, its whole standard output (the library's
// words or a refusal; a window would add its size line) and the player's words on standard error. A
// refused nickname never connects (the refusals themselves: tests/core/config_test.cpp). A client.cfg
// that can't be read (a folder in its place) is named by its path.
TEST(Startup, WhatCannotStartEndsWithItsCodeBeforeAnyWindow) {
    Peer peer;
    const struct {
        bool folder;
        std::string name, server;
        int port, code;
        const char* out;
        std::string err;
    } cases[] = {
        {false, "Bob", "127.0.0.1", ClosedPort(), 6, "SDLNet_TCP_Open: .*\n",
         "Cannot connect to the game server"},
        {false, "Bob", "", 7457, 5, "SDLNet_ResolveHost: .*\n", "Cannot find the game server's address"},
        {false, "Default", "127.0.0.1", peer.port(), 0, "Edit the client\\.cfg file!\n", ""},
        {true, "Bob", "127.0.0.1", peer.port(), 2, "", RES + "client.cfg"},
    };
    for (const auto& c : cases) {
        Sandbox box;
        box.WriteConfig(c.name, c.port, 0, c.server);
        const std::string cfg = ShellQuote(box.Resource("client.cfg"));
        if (c.folder) Sh("rm " + cfg + " && mkdir " + cfg);
        Process* client = box.StartClient();
        EXPECT_EQ(client->Wait(30s), c.code) << c.err;
        EXPECT_TRUE(std::regex_match(client->Stdout(), std::regex(c.out))) << client->Stdout();
        EXPECT_NE(client->Stderr().find(c.err), std::string::npos) << client->Stderr();
    }
    EXPECT_FALSE(peer.Accept(0ms)) << "connected although the name was refused";
}

// Without data it can't play without the client names the file on standard error and ends with 9
// (why a map can't be loaded is the map loader's own test's business).
TEST(Startup, AMissingFirstMapPanelOrFontEndsWithNine) {
    const std::pair<const char*, std::string> cases[] = {
        {"main.map", "Failed to load the map \"" + RES + "main.map\": the file can't be opened"},
        {"chat.tga", "The chat panel image \"" + RES + "chat.tga\" could not be loaded."},
        {"font.tga", "The font image \"" + RES + "font.tga\" could not be loaded."},
    };
    for (const auto& [file, says] : cases) {
        Peer server;
        Sandbox sandbox;
        sandbox.WriteConfig("mapper", server.port());
        ASSERT_EQ(std::remove(sandbox.Resource(file).c_str()), 0) << file;
        Process* client = sandbox.StartClient();
        EXPECT_TRUE(server.Accept(10s));
        EXPECT_EQ(client->Wait(20s), std::optional<int>(9)) << file;
        EXPECT_NE(client->Stderr().find(says), std::string::npos) << client->Stderr();
    }
}

// Every way the stream breaks ends with 8, never with a signal. Reset while the client loads its
// data, the first turn's position report (the turn to face down is news) is a send into the reset
// before any receive: a failed send, with the reason on standard error and nothing on standard
// output (SDL_net has no words for it). An impossible length, an empty message and a frame left
// unfinished break the stream as surely (which lengths are impossible: tests/wire/wire_test.cpp).
TEST(Stream, ABrokenStreamEndsWithEight) {
    const struct {
        const char* name;
        bool playing;
        std::function<void(Peer&)> breakit;
        const char* err;
    } cases[] = {
        {"hang-up", true, [](Peer& p) { p.Close(); }, "Lost the connection to the server: "},
        {"reset while loading", false, [](Peer& p) { p.Reset(); },
         "Lost the connection to the server: a send failed ("},
        {"impossible length", true, [](Peer& p) { p.SendRaw(std::string(4, '\0')); },
         "a frame with an impossible length arrived"},
        {"empty message", true, [](Peer& p) { p.SendRaw(std::string("\0\0\0\1\0", 5)); },
         "an empty message arrived"},
        {"unfinished frame", true, [](Peer& p) { p.SendRaw(std::string("\0\0\0\x14", 4) + "3|Ann"); },
         "a frame stayed incomplete"},
    };
    for (const auto& c : cases) {
        ClientSession run;
        run.Launch();
        if (c.playing) {
            ASSERT_TRUE(run.Start()) << c.name;
        } else {
            ASSERT_TRUE(run.peer.Accept(10s));
            ASSERT_TRUE(run.peer.Next(5s));
        }
        c.breakit(run.peer);
        EXPECT_EQ(run.client->Wait(20s), 8) << c.name;
        EXPECT_EQ(run.client->Stdout().find("SDLNet_TCP_Send"), std::string::npos) << run.client->Stdout();
        EXPECT_NE(run.client->Stderr().find(c.err), std::string::npos) << c.name << run.client->Stderr();
    }
}

// Handshakes to port left unanswered (state 02, SYN_SENT, in /proc/net/tcp), from any process.
int Unanswered(int port) {
    char tail[16];
    std::snprintf(tail, sizeof tail, ":%04X 02 ", static_cast<unsigned>(port));
    const std::string table = ReadFile("/proc/net/tcp");
    const std::regex state(tail);
    return static_cast<int>(std::distance(std::sregex_iterator(table.begin(), table.end(), state), {}));
}

// A listener with a full accept queue: a connect to it waits for minutes in the kernel. Ctrl-C
// still ends the client with 0 (SIGTERM goes to the same handler, installed with it).
TEST(Signals, CtrlCWhileConnectingEndsTheClientWithZero) {
    int port = 0;
    const int listener = ListenOnLoopback(0, &port);
    ASSERT_GE(listener, 0);
    const sockaddr_in addr = Loopback(port);
    std::vector<int> fillers(4);
    for (int& fd : fillers) {
        fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    }
    Sandbox box;
    box.WriteConfig("Bob", port);
    const int before = Unanswered(port);
    Process* client = box.StartClient();
    ASSERT_TRUE(Eventually([&] { return Unanswered(port) > before; }, 15s)) << client->Stdout();
    client->Signal(SIGINT);
    EXPECT_EQ(client->Wait(10s), 0);
    EXPECT_EQ(client->Stdout(), "") << "got past the connect";
    for (const int fd : fillers)
        close(fd);
    close(listener);
}

// Keys repeat only while the chat line is open, and Escape ends the game even then.
TEST(MainLoop, KeysRepeatOnlyWhileTheChatLineIsOpenAndEscapeEndsWithZero) {
    ClientSession run;
    ASSERT_TRUE(run.Start());
    Xdotool("type t");
    std::this_thread::sleep_for(200ms);
    // Held with the line open, past the repeat delay: more than one "a".
    run.Hold("a", 1200);
    Xdotool("key Return");
    const std::string typed = run.peer.ReadUntil("1|", 5s).value_or("none");
    EXPECT_TRUE(std::regex_match(typed, std::regex("1\\|Bob\\|aa+\\|main\\.map"))) << typed;
    // Enter switched repeat off: a held "t" opens the line once and types nothing into it.
    run.Hold("t", 1200);
    Xdotool("type x");
    std::this_thread::sleep_for(100ms);
    Xdotool("key Return");
    EXPECT_EQ(run.peer.ReadUntil("1|", 5s), "1|Bob|x|main.map");
    Xdotool("type t");
    std::this_thread::sleep_for(200ms);
    // Held like a person holds a key: the game looks at the keyboard once a turn.
    Xdotool("keydown Escape");
    EXPECT_EQ(run.client->Wait(10s), 0);
    Xdotool("keyup Escape");
}

// A send blocked because the server stopped reading: a quit signal still ends the client at once,
// with 0. In a child process, since the signal ends it; the handler is the same for both signals.
TEST(BlockedSend, AQuitSignalEndsTheClientAtOnceWithZero) {
    EXPECT_EXIT(
        {
            Peer peer;
            CONFIG_SERVER = "127.0.0.1";
            CONFIG_PORT = peer.port();
            SetNickName("Tess");
            InitNet();
            if (!peer.Accept(5000ms, /*reading=*/false)) std::_Exit(3);
            // glibc's signal() restarts interrupted calls (SA_RESTART), as the game's own setup does.
            std::signal(SIGTERM, OnQuitSignal);
            // A send still blocked 2 s later dies of SIGALRM, which the check below tells apart.
            alarm(2);
            std::thread([] {
                std::this_thread::sleep_for(300ms);
                kill(getpid(), SIGTERM);
            }).detach();
            // Far more than the socket buffers of both ends hold: the peer never reads.
            putMsg(sock, std::string(32 << 20, 'x'));
            std::_Exit(4);
        },
        ::testing::ExitedWithCode(0), "");
}

// A shell launch stays in the folder it was started in, where the data paths resolve; a desktop
// launch moves to the folder that holds the bundle.
TEST(Platform, OnlyADesktopLaunchMovesToTheFolderThatHoldsTheBundle) {
    Sandbox box;
    Peer peer;
    box.WriteConfig("Bob", peer.port());
    const std::string exe = box.dir() + "Tavrel.app/Contents/MacOS/tavrel";
    Sh("mkdir -p " + ShellQuote(box.dir() + "Tavrel.app/Contents/MacOS") + " && cp " +
       ShellQuote(ClientBinary()) + " " + ShellQuote(exe));
    Process shell({exe, "-x"}, "/", {{"DISPLAY", TestDisplay()}});
    EXPECT_EQ(shell.Wait(30s), 2);
    EXPECT_NE(shell.Stderr().find(RES + "client.cfg"), std::string::npos) << shell.Stderr();
    Process client({exe, "-psn_0_4242"}, "/", {{"DISPLAY", TestDisplay()}});
    ASSERT_TRUE(peer.Accept(10s)) << client.Stdout() << client.Stderr();
    // SIGTERM in the main loop ends the turn like the close box.
    ASSERT_TRUE(client.WaitForStdout("width: 640 height: 480\n", 15s)) << client.Stdout();
    client.Signal(SIGTERM);
    EXPECT_EQ(client.Wait(10s), 0);
}

} // namespace
