// The real tavrel-server on 127.0.0.1 with scripted clients on real sockets.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "net/protocol.h"
#include "tests/support/players.h"

namespace {

using namespace std::chrono_literals;
using tt::Millis;
using Clock = std::chrono::steady_clock;

using Client = tt::ScriptedPlayer;
using tt::LogIn;

// The server under test, built beside this test.
struct ServerProcess : tt::ServerProcess {
    explicit ServerProcess(std::vector<std::string> extra = {}) : tt::ServerProcess(TAVREL_SERVER_BIN, std::move(extra)) {}
};

using Texts = std::vector<std::string>;

TEST(ServerEndToEnd, PlayersMoveChangeMapsChatAndLeave) {
    ServerProcess server;
    ASSERT_NE(server.port(), 0) << server.Log();
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
    EXPECT_EQ(ann->Next(), "2|Cid");
    EXPECT_EQ(bob->Next(), "2|Cid");
    EXPECT_EQ(dee->Next(), "2|Cid");

    // Ann follows by position alone: she is shown Cid, Cid is shown her.
    ann->SendPosition("Ann", 2, 3, "cave.map");
    EXPECT_EQ(ann->Drain(), (Texts{"2|Bob", "2|Dee", "3|Cid|2|2|2|1|0|1|cave.map"}));
    EXPECT_EQ(cid->Next(), "3|Ann|2|3|2|1|0|1|cave.map");
    EXPECT_EQ(bob->Next(), "2|Ann");
    EXPECT_EQ(dee->Next(), "2|Ann");

    // Chat reaches everyone, on any map, the sender included, under the login name.
    bob->Send("1|Boss|hello all|main.map");
    for (Client* c : {ann.get(), bob.get(), cid.get(), dee.get()}) EXPECT_EQ(c->Next(), "1|Bob|hello all|main.map");

    // Leaving is told to the players on the leaver's map only.
    ann.reset();
    EXPECT_TRUE(server.WaitLog("leave \"Ann\""));
    EXPECT_EQ(cid->Next(), "2|Ann");
    for (Client* c : {bob.get(), cid.get(), dee.get()}) EXPECT_EQ(c->Drain(), Texts{});

    const std::string log = server.Log();
    EXPECT_NE(log.find("join \"Dee\" 127.0.0.1:"), std::string::npos) << log;
    EXPECT_NE(log.find("(4 online)"), std::string::npos) << log;
    EXPECT_NE(log.find(": connection closed (3 online)"), std::string::npos) << log;
    EXPECT_TRUE(server.Stop(SIGINT));
}

TEST(ServerEndToEnd, BadNicknamesAreRefusedWhileOthersPlay) {
    ServerProcess server;
    ASSERT_NE(server.port(), 0) << server.Log();
    auto ann = LogIn(server, "Ann");
    const std::vector<std::pair<std::string, std::string>> refused{
        {"Ann", "nickname in use"},
        {"tencharsXX", "longer than 9"},
        {"a|b", "contains \"|\""},
        {"tab\there", "control character"},
        {std::string(300, 'n'), "longer than 9"},
    };
    for (const auto& [nick, reason] : refused) {
        Client bad(server.port());
        bad.Send(nick);
        EXPECT_TRUE(bad.WaitClosed(3s)) << nick;
        EXPECT_TRUE(server.WaitLog(reason)) << nick;
        EXPECT_EQ(bad.Drain(50ms), Texts{});
    }
    EXPECT_NE(server.Log().find("refuse \"tab\\x09here\" 127.0.0.1:"), std::string::npos) << server.Log();
    EXPECT_NE(server.Log().find("refuse \"nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn...\""), std::string::npos);
    // Ann played on and never heard of them; names differing in case are different players.
    auto lowAnn = LogIn(server, "ann");
    ann->Send("1|Ann|still here|main.map");
    EXPECT_EQ(ann->Drain(), Texts{"1|Ann|still here|main.map"});
    EXPECT_EQ(lowAnn->Drain(), Texts{"1|Ann|still here|main.map"});
    EXPECT_TRUE(server.Stop());
}

TEST(ServerEndToEnd, BrokenFramesDropOnlyTheirSender) {
    ServerProcess server;
    ASSERT_NE(server.port(), 0) << server.Log();
    auto ann = LogIn(server, "Ann");

    Client huge(server.port()); // announces more than the largest frame before logging in
    huge.SendRaw(std::string("\x00\x01\x00\x01", 4));
    EXPECT_TRUE(huge.WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("drop - 127.0.0.1:"));
    EXPECT_TRUE(server.WaitLog("frame length 65537 outside 1 to 65536"));

    auto bob = LogIn(server, "Bob");
    bob->SendPosition("Bob", 1, 1, "main.map");
    EXPECT_EQ(ann->Next(), "3|Bob|1|1|2|1|0|1|main.map");
    bob->SendRaw(std::string("\x00\x00\x00\x00", 4)); // an empty frame from a logged-in player
    EXPECT_TRUE(bob->WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("drop \"Bob\" 127.0.0.1:"));
    EXPECT_EQ(ann->Next(), "2|Bob");

    // The largest frame there is passes; its chat text is cut to what a client can show.
    auto cid = LogIn(server, "Cid");
    const std::string longest = "1|Cid|" + std::string(MAX_FRAME_BODY - 7, 'x');
    ASSERT_EQ(EncodeFrame(longest).size(), 4 + MAX_FRAME_BODY);
    cid->Send(longest);
    const std::string cut = "1|Cid|" + std::string(58, 'x') + "|main.map";
    EXPECT_EQ(ann->Next(), cut);
    EXPECT_EQ(cid->Next(), cut);

    // Frames are taken whole however the bytes arrive: two in one write, one split in three.
    const std::string both = EncodeFrame("1|Cid|one|x") + EncodeFrame("1|Cid|two|x");
    cid->SendRaw(both);
    const std::string third = EncodeFrame("1|Cid|three|x");
    cid->SendRaw(third.substr(0, 2));
    std::this_thread::sleep_for(100ms);
    cid->SendRaw(third.substr(2, 7));
    std::this_thread::sleep_for(100ms);
    cid->SendRaw(third.substr(9));
    EXPECT_EQ(ann->Drain(), (Texts{"1|Cid|one|main.map", "1|Cid|two|main.map", "1|Cid|three|main.map"}));
    EXPECT_TRUE(server.Stop());
}

TEST(ServerEndToEnd, SilentAndHalfFinishedConnectionsTimeOut) {
    ServerProcess server({"--login-timeout-ms", "400", "--frame-timeout-ms", "400"});
    ASSERT_NE(server.port(), 0) << server.Log();
    auto ann = LogIn(server, "Ann");

    const auto start = Clock::now();
    Client silent(server.port());
    Client halfLogin(server.port());
    halfLogin.SendRaw(std::string("\x00\x00\x00\x05" "Bo", 6));
    EXPECT_TRUE(silent.WaitClosed(3s));
    EXPECT_TRUE(halfLogin.WaitClosed(3s));
    EXPECT_GE(Clock::now() - start, 350ms);
    EXPECT_TRUE(server.WaitLog("no login within 400 ms"));

    // A player whose frame stops halfway is dropped; the others are told it left.
    auto bob = LogIn(server, "Bob");
    bob->SendRaw(std::string("\x00\x00\x00\x20" "1|Bob|", 10));
    EXPECT_TRUE(bob->WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("drop \"Bob\" 127.0.0.1:"));
    EXPECT_TRUE(server.WaitLog("frame not complete within 400 ms"));
    EXPECT_EQ(ann->Next(), "2|Bob");

    // A slow frame that completes in time is fine, and only the unfinished frame is timed:
    // steady traffic with a short pause between whole frames never trips it.
    auto cid = LogIn(server, "Cid");
    const std::string frame = EncodeFrame("1|Cid|slow|x");
    for (std::size_t i = 0; i < frame.size(); i += 4) {
        cid->SendRaw(frame.substr(i, 4));
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(500ms);
    cid->SendPosition("Cid", 5, 5, "main.map");
    EXPECT_EQ(ann->Drain(), (Texts{"1|Cid|slow|main.map", "3|Cid|5|5|2|1|0|1|main.map"}));
    EXPECT_EQ(server.Log().find("drop \"Cid\""), std::string::npos);
    EXPECT_TRUE(server.Stop());
}

TEST(ServerEndToEnd, ClientThatStopsReadingIsDroppedWithoutSlowingOthers) {
    ServerProcess server({"--stall-timeout-ms", "1000"});
    ASSERT_NE(server.port(), 0) << server.Log();
    auto reader = LogIn(server, "Reader");
    auto bouncer = LogIn(server, "Bouncer");
    Client stuck(server.port(), /*reading=*/false, /*rcvbuf=*/4096);
    stuck.Send("Stuck");
    ASSERT_TRUE(server.WaitLog("join \"Stuck\""));

    // Bouncer hops between two maps thousands of times a second: every hop means a removal and a
    // position for the players on the start map, which nothing may drop or merge away.
    std::atomic<bool> stop{false};
    std::thread hops([&] {
        const auto end = Clock::now() + 20s;
        for (int i = 0; !stop && Clock::now() < end; ++i) {
            std::string burst;
            for (int j = 0; j < 20; ++j) {
                burst += EncodeFrame(BuildPositionMessage("Bouncer", 1, 1, 0, 1, 0, 0, (j % 2) ? "main.map" : "cave.map"));
            }
            if (!bouncer->SendRaw(burst)) break;
            // Fast, but a pace this test's own reading threads can follow on a loaded machine.
            std::this_thread::sleep_for(1ms);
        }
    });

    // Meanwhile the reader's own chat lines keep coming back quickly.
    Millis worst{0};
    bool dropped = false;
    const auto end = Clock::now() + 15s;
    int lines = 0;
    while (Clock::now() < end && !(dropped && lines >= 3)) {
        const std::string line = "probe" + std::to_string(lines++);
        const auto sent = Clock::now();
        reader->Send("1|Reader|" + line + "|main.map");
        bool echoed = false;
        while (!echoed && Clock::now() - sent < 5s) {
            const auto text = reader->Next(5s);
            if (!text) break;
            echoed = *text == "1|Reader|" + line + "|main.map";
        }
        if (!echoed) {
            ADD_FAILURE() << "no echo of " << line;
            break;
        }
        worst = std::max(worst, std::chrono::duration_cast<Millis>(Clock::now() - sent));
        dropped = server.Log().find("drop \"Stuck\"") != std::string::npos;
        std::this_thread::sleep_for(1100ms); // stays under the chat flood limit
    }
    stop = true;
    hops.join();
    EXPECT_TRUE(dropped) << server.Log();
    EXPECT_TRUE(stuck.WaitClosed(3s));
    EXPECT_LT(worst, 1000ms);
    std::printf("slowest chat round trip of the reading player: %lld ms\n", static_cast<long long>(worst.count()));
    const std::string log = server.Log();
    const std::size_t drop = log.find("drop \"Stuck\"");
    ASSERT_NE(drop, std::string::npos) << log;
    EXPECT_NE(log.substr(drop, log.find('\n', drop) - drop).find(" bytes "), std::string::npos) << log;
    // The others stayed on.
    EXPECT_EQ(server.Log().find("drop \"Reader\""), std::string::npos);
    EXPECT_EQ(server.Log().find("drop \"Bouncer\""), std::string::npos) << server.Log();
    EXPECT_TRUE(server.Stop());
}

TEST(ServerEndToEnd, FullServerRefusesAndThenAcceptsAgain) {
    ServerProcess server({"--max-clients", "2"});
    ASSERT_NE(server.port(), 0) << server.Log();
    auto ann = LogIn(server, "Ann");
    Client unnamed(server.port()); // counts before it has logged in
    Client third(server.port());
    EXPECT_TRUE(third.WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("refuse - 127.0.0.1:"));
    EXPECT_TRUE(server.WaitLog("server full (2 connections)"));
    ann.reset();
    ASSERT_TRUE(server.WaitLog("leave \"Ann\""));
    auto bob = LogIn(server, "Bob");
    bob->Send("1|Bob|in|main.map");
    EXPECT_EQ(bob->Next(), "1|Bob|in|main.map");
    EXPECT_TRUE(server.Stop());
}

TEST(ServerEndToEnd, CommandLine) {
    tt::Process help({TAVREL_SERVER_BIN, "--help"}, "/tmp");
    EXPECT_EQ(help.Wait(5s), 0);
    EXPECT_NE(help.Stdout().find("--max-clients"), std::string::npos);
    tt::Process bad({TAVREL_SERVER_BIN, "--port", "70000"}, "/tmp");
    EXPECT_EQ(bad.Wait(5s), 2);
    EXPECT_NE(bad.Stderr().find("--port takes a number"), std::string::npos);
    ServerProcess first;
    ASSERT_NE(first.port(), 0);
    tt::Process taken({TAVREL_SERVER_BIN, "--bind", "127.0.0.1", "--port", std::to_string(first.port())}, "/tmp");
    EXPECT_EQ(taken.Wait(5s), 1);
    EXPECT_NE(taken.Stderr().find("cannot listen on 127.0.0.1 port"), std::string::npos) << taken.Stderr();
    EXPECT_TRUE(first.Stop());
}

} // namespace
