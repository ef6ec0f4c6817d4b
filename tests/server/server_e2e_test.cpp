// The real tavrel-server with scripted clients on real sockets: wiring, what closes a connection, the log
// and exit codes. Which message goes to whom, and why, is checked on the relay (server_rules_test.cpp).
#include <gtest/gtest.h>

#include "wire/protocol.h"
#include "tests/support/players.h"

namespace {

using namespace std::chrono_literals;
using Client = tt::ScriptedPlayer;
using Texts = std::vector<std::string>;
using tt::LogIn;
using tt::ServerProcess;

TEST(ServerEndToEnd, PlayersMoveChatAndLeave) {
    ServerProcess server(TAVREL_SERVER_BIN);
    auto ann = LogIn(server, "Ann");
    auto bob = LogIn(server, "Bob");
    ann->SendPosition("Ann", 1234.5678f, 0.00001f, "main.map");
    const std::string annAt = "3|Ann|1234.57|1e-05|2|1|0|1|main.map";
    EXPECT_EQ(bob->Next(), annAt);
    auto cid = LogIn(server, "Cid");
    EXPECT_EQ(cid->Drain(), Texts{annAt});

    bob->Send("1|Bob|hello all|main.map");
    for (Client* c : {ann.get(), bob.get(), cid.get()})
        EXPECT_EQ(c->Next(), "1|Bob|hello all|main.map");

    ann.reset();
    EXPECT_TRUE(server.WaitLog("leave \"Ann\""));
    EXPECT_EQ(bob->Drain(), Texts{"2|Ann"});
    EXPECT_TRUE(server.Stop(SIGINT));
}

// A refused login, a broken frame and a map-flip flood each close their own connection only; the
// others are told a dropped player left. The longest frame passes.
TEST(ServerEndToEnd, RefusalsBrokenFramesAndFloodsDropOnlyTheirSender) {
    ServerProcess server(TAVREL_SERVER_BIN);
    auto ann = LogIn(server, "Ann");
    for (const std::string& bytes : {EncodeFrame("Ann"), std::string(4, '\0')}) {
        Client bad(server.port());
        bad.SendRaw(bytes);
        EXPECT_TRUE(bad.WaitClosed(3s)) << bytes;
    }
    auto flip = LogIn(server, "Flip");
    std::string burst;
    for (int j = 0; j < 40; ++j) // twice the map changes allowed
        burst += EncodeFrame(BuildPositionMessage("Flip", 1, 1, 0, 1, 0, 0, j % 2 ? "main.map" : "cave.map"));
    flip->SendRaw(burst);
    EXPECT_TRUE(server.WaitLog("drop \"Flip\" 127.0.0.1"));
    EXPECT_TRUE(server.WaitLog("more than 20 map changes within 10 s", 0ms)) << server.Log();
    EXPECT_TRUE(flip->WaitClosed(3s));
    const Texts heard = ann->Drain();
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), "2|Flip");

    auto cid = LogIn(server, "Cid");
    cid->Send("1|Cid|" + std::string(MAX_FRAME_BODY - 7, 'x')); // with its zero byte, MAX_FRAME_BODY
    EXPECT_EQ(ann->Next(), "1|Cid|" + std::string(MAX_CHAT_TEXT, 'x') + "|main.map");
    EXPECT_TRUE(server.Stop());
}

// Each time limit closes the connection that overstays it and says why in the log. The frame timer
// runs only while a frame is unfinished, and any whole frame keeps a player from being idle: one
// that sends a frame in slow pieces and then walks for longer than both limits stays.
TEST(ServerEndToEnd, TimeLimitsCloseOnlyConnectionsThatOverstayThem) {
    ServerProcess server(TAVREL_SERVER_BIN, {"--login-timeout-ms", "400", "--frame-timeout-ms", "400",
                                             "--idle-timeout-ms", "1000"});
    auto cid = LogIn(server, "Cid");
    const std::pair<std::string, std::string> cases[] = {
        {"", "no login within 400 ms"},
        {EncodeFrame("Ann") + EncodeFrame("1|Ann|unfinished").substr(0, 9),
         "frame not complete within 400 ms"},
        {EncodeFrame("Bob"), "nothing sent for 1000 ms"},
    };
    std::vector<std::unique_ptr<Client>> late;
    for (const auto& [sends, why] : cases) {
        late.push_back(std::make_unique<Client>(server.port()));
        late.back()->SendRaw(sends);
    }
    const std::string frame = EncodeFrame("1|Cid|slow|x");
    for (std::size_t i = 0; i < frame.size(); i += 4) {
        cid->SendRaw(frame.substr(i, 4));
        std::this_thread::sleep_for(20ms);
    }
    for (int i = 0; i < 15; ++i) {
        cid->SendPosition("Cid", static_cast<float>(i), 1, "main.map");
        std::this_thread::sleep_for(100ms);
    }
    for (std::size_t i = 0; i < late.size(); ++i) {
        EXPECT_TRUE(late[i]->WaitClosed(3s)) << cases[i].second;
        EXPECT_TRUE(server.WaitLog(cases[i].second)) << server.Log();
    }
    EXPECT_TRUE(cid->Hears({"1|Cid|slow|main.map"}));
    EXPECT_FALSE(server.WaitLog("drop \"Cid\"", 0ms)) << server.Log();
}

TEST(ServerEndToEnd, ClientThatStopsReadingIsDroppedAndTheOthersStay) {
    ServerProcess server(TAVREL_SERVER_BIN, {"--stall-timeout-ms", "1000"});
    auto reader = LogIn(server, "Reader");
    auto walker = LogIn(server, "Walker");
    Client stuck(server.port(), /*reading=*/false, /*rcvbuf=*/4096);
    stuck.Send("Stuck");
    ASSERT_TRUE(server.WaitLog("join \"Stuck\""));

    // Walker reports far more often than a real client, so that bytes for Stuck pile up.
    for (int step = 0; step < 30000 && !server.WaitLog("drop \"Stuck\"", 0ms); ++step) {
        ASSERT_TRUE(walker->SendPosition("Walker", static_cast<float>(step % 1000), 1, "main.map")) << step;
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(server.WaitLog("nothing could be sent for 1000 ms", 0ms)) << server.Log();
    reader->Send("1|Reader|still here|main.map");
    // Behind the echo wait up to 30000 of Walker's positions.
    EXPECT_TRUE(reader->Hears({"1|Reader|still here|main.map"}, 60s)) << "no echo for the reader";
    EXPECT_FALSE(server.WaitLog("drop \"Reader\"", 0ms) || server.WaitLog("drop \"Walker\"", 0ms))
        << server.Log();
}

// A bad option and a port in use; then the connection limits: per address, and in all, where a
// connection that has not logged in gives way to a newcomer.
TEST(ServerEndToEnd, CommandLineAndConnectionLimits) {
    tt::Process bad({TAVREL_SERVER_BIN, "--port", "70000"}, "/tmp");
    EXPECT_EQ(bad.Wait(5s), 2);
    ServerProcess server(TAVREL_SERVER_BIN, {"--max-clients", "3", "--max-per-address", "2"});
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
    auto cid = LogIn(server, "Cid", "127.0.0.3"); // takes the unnamed connection's place
    EXPECT_TRUE(unnamed.WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("its place goes to a newcomer"));
    Client fourth(server.port(), true, 0, "127.0.0.4");
    EXPECT_TRUE(fourth.WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("server full (3 connections)"));
}

} // namespace
