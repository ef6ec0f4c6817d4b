// The real tavrel-server on 127.0.0.1 with scripted clients on real sockets.
#include <gtest/gtest.h>

#include "wire/protocol.h"
#include "server/log.h"
#include "tests/support/players.h"

namespace {

using namespace std::chrono_literals;
using Client = tt::ScriptedPlayer;
using Clock = std::chrono::steady_clock;
using Texts = std::vector<std::string>;
using tt::LogIn;

// The server under test, built beside this test.
struct ServerProcess : tt::ServerProcess {
    explicit ServerProcess(std::vector<std::string> extra = {})
        : tt::ServerProcess(TAVREL_SERVER_BIN, std::move(extra)) {
        EXPECT_NE(port(), 0) << Log();
    }
};

TEST(ServerEndToEnd, PlayersMoveChangeMapsChatAndLeave) {
    ServerProcess server;
    auto ann = LogIn(server, "Ann");
    auto bob = LogIn(server, "Bob");
    auto cid = LogIn(server, "Cid");

    ann->SendPosition("Ann", 3.5f, 4, "main.map");
    EXPECT_EQ(bob->Next(), "3|Ann|3.5|4|2|1|0|1|main.map");
    EXPECT_EQ(cid->Next(), "3|Ann|3.5|4|2|1|0|1|main.map");
    // The relayed frame keeps the client's layout, extra zero byte included.
    bob->SendPosition("Bob", 1234.5678f, 0.00001f, "main.map");
    EXPECT_EQ(ann->NextBody(3s), std::string("3|Bob|1234.57|1e-05|2|1|0|1|main.map\0\0", 38));
    EXPECT_EQ(cid->Next(), "3|Bob|1234.57|1e-05|2|1|0|1|main.map");

    // A newcomer is shown everyone already standing on the start map.
    auto dee = LogIn(server, "Dee");
    EXPECT_EQ(dee->Drain(), (Texts{"3|Ann|3.5|4|2|1|0|1|main.map", "3|Bob|1234.57|1e-05|2|1|0|1|main.map"}));

    // Cid walks into the cave: both sides forget each other, and the cave is empty.
    cid->Send("4|Cid|cave.map");
    cid->SendPosition("Cid", 2, 2, "cave.map");
    EXPECT_EQ(cid->Drain(), (Texts{"2|Ann", "2|Bob", "2|Dee"}));
    for (Client* c : {ann.get(), bob.get(), dee.get()})
        EXPECT_EQ(c->Next(), "2|Cid");

    // Ann follows by position alone: she is shown Cid, Cid is shown her.
    ann->SendPosition("Ann", 2, 3, "cave.map");
    EXPECT_EQ(ann->Drain(), (Texts{"2|Bob", "2|Dee", "3|Cid|2|2|2|1|0|1|cave.map"}));
    EXPECT_EQ(cid->Next(), "3|Ann|2|3|2|1|0|1|cave.map");
    EXPECT_EQ(bob->Next(), "2|Ann");
    EXPECT_EQ(dee->Next(), "2|Ann");

    // Chat reaches everyone, on any map, the sender included, under the login name.
    bob->Send("1|Boss|hello all|main.map");
    for (Client* c : {ann.get(), bob.get(), cid.get(), dee.get()})
        EXPECT_EQ(c->Next(), "1|Bob|hello all|main.map");

    // Leaving is told to the players on the leaver's map only.
    ann.reset();
    EXPECT_TRUE(server.WaitLog("leave \"Ann\""));
    EXPECT_EQ(cid->Next(), "2|Ann");
    for (Client* c : {bob.get(), cid.get(), dee.get()})
        EXPECT_EQ(c->Drain(), Texts{});
    EXPECT_TRUE(server.Stop(SIGINT));
}

// Refused logins, oversized and empty frames drop only their sender; the largest frame passes.
TEST(ServerEndToEnd, BadLoginsAndBrokenFramesDropOnlyTheirSender) {
    ServerProcess server;
    auto ann = LogIn(server, "Ann");
    for (const std::string& nick : {std::string("Ann"), std::string(300, 'n'), std::string("J\xc3\xb6rg")}) {
        Client bad(server.port());
        bad.Send(nick);
        EXPECT_TRUE(bad.WaitClosed(3s)) << nick;
    }
    Client huge(server.port()); // announces more than the largest frame before logging in
    huge.SendRaw(std::string("\x00\x01\x00\x01", 4));
    EXPECT_TRUE(huge.WaitClosed(3s));

    auto bob = LogIn(server, "Bob");
    bob->SendRaw(std::string("\x00\x00\x00\x00", 4)); // an empty frame from a logged-in player
    EXPECT_TRUE(bob->WaitClosed(3s));
    EXPECT_EQ(ann->Next(), "2|Bob");

    auto cid = LogIn(server, "Cid");
    const std::string longest = "1|Cid|" + std::string(MAX_FRAME_BODY - 7, 'x');
    ASSERT_EQ(EncodeFrame(longest).size(), 4 + MAX_FRAME_BODY);
    cid->Send(longest);
    const std::string cut = "1|Cid|" + std::string(58, 'x') + "|main.map";
    EXPECT_EQ(ann->Next(), cut);
    EXPECT_EQ(cid->Next(), cut);
    EXPECT_TRUE(server.Stop());
}

TEST(ServerEndToEnd, SilentAndHalfFinishedConnectionsTimeOut) {
    ServerProcess server({"--login-timeout-ms", "400", "--frame-timeout-ms", "400"});
    auto ann = LogIn(server, "Ann");

    Client silent(server.port());
    Client halfLogin(server.port());
    halfLogin.SendRaw(std::string("\x00\x00\x00\x05"
                                  "Bo",
                                  6));
    EXPECT_TRUE(silent.WaitClosed(3s));
    EXPECT_TRUE(halfLogin.WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("no login within 400 ms"));

    // A player whose frame stops halfway is dropped; the others are told it left.
    auto bob = LogIn(server, "Bob");
    bob->SendRaw(std::string("\x00\x00\x00\x20"
                             "1|Bob|",
                             10));
    EXPECT_TRUE(bob->WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("frame not complete within 400 ms"));
    EXPECT_EQ(ann->Next(), "2|Bob");

    // A slow frame that completes in time is fine, and only the unfinished frame is timed:
    // a pause between whole frames never trips it.
    auto cid = LogIn(server, "Cid");
    const std::string frame = EncodeFrame("1|Cid|slow|x");
    for (std::size_t i = 0; i < frame.size(); i += 4) {
        cid->SendRaw(frame.substr(i, 4));
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(500ms);
    cid->SendPosition("Cid", 5, 5, "main.map");
    EXPECT_EQ(ann->Drain(), (Texts{"1|Cid|slow|main.map", "3|Cid|5|5|2|1|0|1|main.map"}));
}

TEST(ServerEndToEnd, ClientThatStopsReadingIsDroppedWithoutSlowingOthers) {
    ServerProcess server({"--stall-timeout-ms", "1000"});
    auto reader = LogIn(server, "Reader");
    auto walker = LogIn(server, "Walker");
    Client stuck(server.port(), /*reading=*/false, /*rcvbuf=*/4096);
    stuck.Send("Stuck");
    ASSERT_TRUE(server.WaitLog("join \"Stuck\""));

    // Walker reports far more often than a real client, so that bytes for Stuck pile up
    // until nothing more can be sent to it.
    const std::string map = "main.map";
    std::atomic<bool> stop{false};
    std::thread walking([&] {
        for (int step = 0; !stop && step < 20000; ++step) {
            if (!walker->SendPosition("Walker", static_cast<float>(step % 1000), 1, map)) break;
            std::this_thread::sleep_for(1ms);
        }
    });

    // Meanwhile the reader's own chat lines keep coming back.
    bool dropped = false;
    for (int lines = 0; !(dropped && lines >= 3) && lines < 14; lines++) {
        const std::string line = "1|Reader|probe" + std::to_string(lines) + "|main.map";
        const auto sent = Clock::now();
        reader->Send(line);
        std::optional<std::string> text;
        while ((text = reader->Next(5s)) && *text != line && Clock::now() - sent < 5s) {
        }
        if (!text || *text != line) {
            ADD_FAILURE() << "no echo of " << line;
            break;
        }
        dropped = server.Log().find("drop \"Stuck\"") != std::string::npos;
        std::this_thread::sleep_for(1100ms); // stays under the chat flood limit
    }
    stop = true;
    walking.join();
    EXPECT_TRUE(dropped) << server.Log();
    EXPECT_TRUE(stuck.WaitClosed(3s));
    EXPECT_NE(server.Log().find("nothing could be sent for 1000 ms"), std::string::npos) << server.Log();
    for (const char* nick : {"Reader", "Walker"})
        EXPECT_EQ(server.Log().find("drop \"" + std::string(nick)), std::string::npos) << server.Log();
}

// A player flipping between two maps as fast as it can is dropped; the players on both maps,
// one of them not reading at all meanwhile, stay and see it gone.
TEST(ServerEndToEnd, MapFlipFlooderIsTheOneDropped) {
    ServerProcess server({"--stall-timeout-ms", "5000"});
    auto here = LogIn(server, "Here");
    auto there = LogIn(server, "There");
    there->SendPosition("There", 1, 1, "cave.map");
    Client stuck(server.port(), /*reading=*/false, /*rcvbuf=*/4096);
    stuck.Send("Stuck");
    ASSERT_TRUE(server.WaitLog("join \"Stuck\""));
    auto flip = LogIn(server, "Flip");
    std::string burst;
    for (int j = 0; j < 2000; ++j)
        burst += EncodeFrame(BuildPositionMessage("Flip", 1, 1, 0, 1, 0, 0, j % 2 ? "main.map" : "cave.map"));
    flip->SendRaw(burst);
    EXPECT_TRUE(server.WaitLog("drop \"Flip\" 127.0.0.1"));
    EXPECT_TRUE(flip->WaitClosed(3s));
    EXPECT_NE(server.Log().find("more than 20 map changes within 10 s"), std::string::npos) << server.Log();
    // The last word each honest player has about Flip is its removal.
    for (Client* c : {here.get(), there.get()}) {
        const Texts got = c->Drain();
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.back(), "2|Flip");
    }
    here->Send("1|Here|still here|main.map");
    EXPECT_EQ(there->Next(), "1|Here|still here|main.map");
    EXPECT_EQ(server.Log().find("drop \"Stuck\""), std::string::npos) << server.Log();
}

// A logged-in player that sends nothing for the idle time is dropped; one that walks stays.
TEST(ServerEndToEnd, IdlePlayersTimeOut) {
    ServerProcess server({"--idle-timeout-ms", "600"});
    auto idle = LogIn(server, "Idle");
    auto walker = LogIn(server, "Walker");
    for (int i = 0; i < 12; ++i) {
        walker->SendPosition("Walker", static_cast<float>(i), 1, "main.map");
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(server.WaitLog("drop \"Idle\" 127.0.0.1"));
    EXPECT_TRUE(server.WaitLog("nothing sent for 600 ms"));
    EXPECT_TRUE(idle->WaitClosed(3s));
    const Texts got = walker->Drain();
    EXPECT_NE(std::find(got.begin(), got.end(), "2|Idle"), got.end());
    EXPECT_EQ(server.Log().find("drop \"Walker\""), std::string::npos) << server.Log();
}

// A bad option and a port in use; then the connection limits: per address, and in all, where a
// connection that has not logged in gives way to a newcomer; repeats from one address are not logged
// one by one.
TEST(ServerEndToEnd, CommandLineAndConnectionLimits) {
    tt::Process bad({TAVREL_SERVER_BIN, "--port", "70000"}, "/tmp");
    EXPECT_EQ(bad.Wait(5s), 2);
    ServerProcess server({"--max-clients", "3", "--max-per-address", "2"});
    tt::Process taken({TAVREL_SERVER_BIN, "--bind", "127.0.0.1", "--port", std::to_string(server.port())},
                      "/tmp");
    EXPECT_EQ(taken.Wait(5s), 1);
    EXPECT_NE(taken.Stderr().find("cannot listen on 127.0.0.1 port"), std::string::npos) << taken.Stderr();

    auto ann = LogIn(server, "Ann");
    auto bob = LogIn(server, "Bob");
    Client third(server.port());
    EXPECT_TRUE(third.WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("more than 2 connections from 127.0.0.1"));

    Client unnamed(server.port(), true, 0, "127.0.0.2");
    ASSERT_TRUE(unnamed.connected());
    auto cid = LogIn(server, "Cid", "127.0.0.3"); // takes the unnamed connection's place
    EXPECT_TRUE(unnamed.WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("its place goes to a newcomer"));
    Client fourth(server.port(), true, 0, "127.0.0.4");
    EXPECT_TRUE(fourth.WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("server full (3 connections)"));

    for (int i = 0; i < 40; ++i) {
        Client repeat(server.port(), false, 0, "127.0.0.5"); // connects and closes at once
        EXPECT_TRUE(repeat.connected());
    }
    std::this_thread::sleep_for(300ms);
    const std::string log = server.Log();
    std::size_t lines = 0;
    for (std::size_t at = log.find("127.0.0.5"); at != std::string::npos; at = log.find("127.0.0.5", at + 1))
        ++lines;
    EXPECT_EQ(lines, LOG_LINES_PER_WINDOW) << log;
}

} // namespace
