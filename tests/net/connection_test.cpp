// The real client against a scripted server: start-up order, login bytes, refusals,
// broken streams and the exit codes they end in.
#include "tests/support/support.h"
#include "wire/protocol.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <arpa/inet.h>
#include <csignal>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace tt;

const char* const TITLE = "Quennick's Tavrel";

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

// A client logged in to a scripted peer.
struct Running : ClientSession {
    explicit Running(const std::string& name = "Bob") : ClientSession(name) { Launch(); }
};

TEST(Connection, LoginPutsTheNicknameOnTheWireAndOpensTheWindow) {
    Running run;
    ASSERT_TRUE(run.peer.Accept(10s));
    EXPECT_EQ(run.peer.ReadBytes(8, 5s), Bytes({0, 0, 0, 4, 'B', 'o', 'b', 0}));
    EXPECT_TRUE(run.client->WaitForStdout("Logged in as Bob.\n", 5s));
    ASSERT_FALSE(FindWindow(TestDisplay(), TITLE, 15s).empty());
    EXPECT_TRUE(run.client->WaitForStdout("width: 640 height: 480\n", 10s));
    // The login line comes before anything about the window.
    const std::string out = run.client->Stdout();
    EXPECT_LT(out.find("Logged in as Bob."), out.find("width: 640"));
    run.client->Signal(SIGTERM);
    EXPECT_EQ(run.client->Wait(10s), 0);
}

TEST(Connection, ServerNotListeningEndsWithSixBeforeAnyWindow) {
    Sandbox box;
    box.WriteConfig("Bob", ClosedPort());
    Process* client = box.StartClient(TestDisplay());
    EXPECT_EQ(client->Wait(20s), 6);
    EXPECT_NE(client->Stdout().find("SDLNet_TCP_Open: "), std::string::npos) << client->Stdout();
    EXPECT_NE(client->Stderr().find("Cannot connect to the game server"), std::string::npos)
        << client->Stderr();
    EXPECT_EQ(client->Stdout().find("width:"), std::string::npos);
    EXPECT_TRUE(FindWindow(TestDisplay(), TITLE, 0ms).empty());
}

TEST(Connection, UnresolvableServerEndsWithFive) {
    Sandbox box;
    box.WriteConfig({"name=Bob", "server=", "port=7457"});
    Process* client = box.StartClient(TestDisplay());
    EXPECT_EQ(client->Wait(30s), 5);
    EXPECT_NE(client->Stdout().find("SDLNet_ResolveHost: "), std::string::npos) << client->Stdout();
}

TEST(Config, RefusedNicknamesEndWithZeroBeforeConnecting) {
    const struct {
        std::string line, message;
    } cases[] = {{"name=abcdefghij", "Nickname too long.\n"},
                 {"name=Default", "Edit the client.cfg file!\n"},
                 {"name=a|b", "Nickname may not contain '|'.\n"},
                 {std::string("name=a\0b", 8), "Nickname may not contain a zero byte.\n"}};
    for (const auto& c : cases) {
        Sandbox box;
        Peer peer;
        box.WriteConfig({c.line, "server=127.0.0.1", "port=" + std::to_string(peer.port())});
        Process* client = box.StartClient(TestDisplay());
        EXPECT_EQ(client->Wait(10s), 0) << c.line;
        EXPECT_EQ(client->Stdout(), c.message) << c.line;
        EXPECT_FALSE(peer.Accept(0ms)) << c.line << ": connected although the name was refused";
    }
}

// No readable client.cfg where the client looks: none at all, a folder in its place, or a shell
// launch (no "-psn") from "/", where data resolves against the current folder.
TEST(Config, NoReadableFileEndsWithTwoAndNamesIt) {
    for (const int variant : {0, 1, 2}) {
        Sandbox box;
        std::remove(box.Resource("client.cfg").c_str());
        if (variant == 1) Sh("mkdir " + ShellQuote(box.Resource("client.cfg")));
        const std::map<std::string, std::string> env{{"DISPLAY", TestDisplay()}};
        const auto fromroot =
            variant == 2 ? std::make_unique<Process>(std::vector<std::string>{ClientBinary(), "-x"}, "/", env)
                         : nullptr;
        Process* client = fromroot ? fromroot.get() : box.StartClient(TestDisplay());
        EXPECT_EQ(client->Wait(10s), 2) << variant;
        EXPECT_NE(client->Stderr().find("Tavrel.app/Contents/Resources/client.cfg"), std::string::npos)
            << client->Stderr();
        EXPECT_EQ(client->Stdout(), "") << variant;
    }
}

TEST(Stream, ServerHangingUpEndsWithEight) {
    Running run;
    ASSERT_TRUE(run.Start());
    run.peer.CloseConnection();
    EXPECT_EQ(run.client->Wait(10s), 8);
}

// Reset while the client loads its data, the first turn's position report (the turn to face
// down is news) is a send into the reset before any receive: a failed send, not a signal, with
// standard output to the letter (SDL_net has no words for it) and the reason on standard error.
// Reset while playing, the next receive or send sees it first.
TEST(Stream, ConnectionResetEndsWithEightNotASignal) {
    for (const bool whileloading : {true, false}) {
        Running run;
        if (whileloading) {
            ASSERT_TRUE(run.peer.Accept(10s));
            ASSERT_TRUE(run.peer.ReadMessage(5s));
        } else {
            ASSERT_TRUE(run.Start());
            run.peer.ReadMessage(2s);
        }
        run.peer.ResetConnection();
        EXPECT_EQ(run.client->Wait(10s), 8) << whileloading;
        EXPECT_EQ(run.client->Stdout().find("SDLNet_TCP_Send"), std::string::npos) << run.client->Stdout();
        if (whileloading) {
            EXPECT_NE(run.client->Stderr().find("Lost the connection to the server: a send failed ("),
                      std::string::npos)
                << run.client->Stderr();
        }
    }
}

// A listener with a full accept queue: a connect to it waits for minutes in the kernel.
struct FullServer {
    int listenfd = -1, port = 0;
    std::vector<int> fillers;
    FullServer() {
        listenfd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (bind(listenfd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(listenfd, 0) != 0 ||
            getsockname(listenfd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        port = ntohs(addr.sin_port);
        for (int i = 0; i < 4; ++i) {
            fillers.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
            connect(fillers.back(), reinterpret_cast<sockaddr*>(&addr), len);
        }
    }
    ~FullServer() {
        for (int fd : fillers)
            close(fd);
        close(listenfd);
    }
};

TEST(Signals, CtrlCOrSigtermWhileConnectingEndsTheClientWithinASecond) {
    for (const int sig : {SIGINT, SIGTERM}) {
        FullServer server;
        ASSERT_NE(server.port, 0);
        Sandbox box;
        box.WriteConfig("Bob", server.port);
        Process* client = box.StartClient(TestDisplay());
        usleep(700000);
        ASSERT_TRUE(client->Running()) << "the connect did not wait: " << client->Stdout();
        EXPECT_EQ(client->Stdout(), "") << "got past the connect";
        client->Signal(sig);
        EXPECT_EQ(client->Wait(1000ms), 0) << "signal " << sig;
    }
}

// Frames arriving one byte at a time, then hundreds in one segment, are a valid stream.
TEST(Stream, FramesCutAnyWayAreWholeFrames) {
    Running run;
    ASSERT_TRUE(run.Start());
    for (char c : EncodeFrame("3|Ann|1|1|0|0") + EncodeFrame("3|Ann|2|1|0|0")) {
        run.peer.SendRaw(std::string(1, c));
        usleep(3000);
    }
    std::string segment;
    for (int i = 0; i < 600; ++i)
        segment += EncodeFrame("3|P" + std::to_string(i % 20) + "|1|1|0|0|0|0|main.map");
    run.peer.SendRaw(segment);
    EXPECT_FALSE(run.client->Wait(1500ms).has_value()) << run.client->Stderr();
    run.client->Signal(SIGTERM);
    EXPECT_EQ(run.client->Wait(10s), 0);
}

TEST(Stream, AFrameThatNeverCompletesEndsWithEightAfterFiveSeconds) {
    Running run;
    ASSERT_TRUE(run.Start());
    const auto start = std::chrono::steady_clock::now();
    run.peer.SendRaw(Bytes({0, 0, 0, 20}) + "3|Ann");
    EXPECT_EQ(run.client->Wait(15s), 8);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 4500ms);
    EXPECT_LT(waited, 9000ms);
}

TEST(Stream, ImpossibleFramesEndWithEight) {
    for (const std::string& bad : {Bytes({0, 1, 0, 1}), Bytes({0x7f, 0xff, 0xff, 0xff}), Bytes({0, 0, 0, 0}),
                                   Bytes({0, 0, 0, 1, 0})}) {
        Running run;
        ASSERT_TRUE(run.Start());
        run.peer.SendRaw(bad);
        EXPECT_EQ(run.client->Wait(5s), 8)
            << "prefix " << static_cast<int>(static_cast<unsigned char>(bad[1]));
    }
}

TEST(MainLoop, EscapeEndsWithZeroEvenWithTheChatLineOpen) {
    Running run;
    ASSERT_TRUE(run.Start());
    Xdotool(TestDisplay(), "mousemove 100 100");
    Xdotool(TestDisplay(), "windowfocus --sync " + run.window);
    Xdotool(TestDisplay(), "type t");
    usleep(200000);
    // Held like a person holds a key: the game looks at the keyboard once a turn.
    Xdotool(TestDisplay(), "keydown Escape");
    EXPECT_EQ(run.client->Wait(10s), 0);
    Xdotool(TestDisplay(), "keyup Escape");
}

// What a window manager sends when the player clicks the close box.
void ClickCloseBox(const std::string& windowid) {
    Display* display = XOpenDisplay(TestDisplay().c_str());
    ASSERT_NE(display, nullptr);
    const Window window = std::stoul(windowid);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
}

TEST(MainLoop, TheCloseBoxEndsWithZeroAndTheServerSeesTheConnectionEnd) {
    Running run;
    ASSERT_TRUE(run.Start());
    ClickCloseBox(run.window);
    EXPECT_EQ(run.client->Wait(10s), 0) << run.client->Stderr();
    EXPECT_TRUE(run.peer.PeerClosed(5s));
}

TEST(MainLoop, KeysRepeatOnlyWhileTheChatLineIsOpen) {
    Running run;
    ASSERT_TRUE(run.Start());
    Xdotool(TestDisplay(), "type t");
    usleep(200000);
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
    usleep(100000);
    Xdotool(TestDisplay(), "key Return");
    EXPECT_EQ(run.peer.ReadUntil("1|", 5s), "1|Bob|x|main.map");
}

// The frame rate line every five seconds, a resize reported with its new size, and Ctrl-C ends with 0.
TEST(MainLoop, ReportsTheFrameRateAndResizes) {
    Running run;
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.client->WaitForStdout(" FPS\n", 12s));
    const std::string out = run.client->Stdout();
    const std::string line = out.substr(out.rfind('\n', out.find(" FPS\n")) + 1);
    int frames = 0;
    float seconds = 0, fps = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d frames in %g seconds = %g FPS", &frames, &seconds, &fps), 3)
        << line;
    EXPECT_GE(seconds, 5.0f);
    EXPECT_GT(frames, 10);
    EXPECT_NEAR(fps, static_cast<float>(frames) / seconds, 0.01f * fps);
    Xdotool(TestDisplay(), "windowsize " + run.window + " 800 600");
    EXPECT_TRUE(run.client->WaitForStdout("width: 800 height: 600\n", 10s)) << run.client->Stdout();
    run.client->Signal(SIGINT);
    EXPECT_EQ(run.client->Wait(10s), 0);
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
    client.Signal(SIGTERM);
    EXPECT_EQ(client.Wait(10s), 0);
}

} // namespace
