// The server's rules with no sockets: the relay (who receives what, what a slow reader is owed, what is
// refused or dropped), a client's output buffer, the command line and the log line pieces.
#include <gtest/gtest.h> // brings <tuple> too

#include <iterator>
#include <sstream>

#include "server/log.h"
#include "server/options.h"
#include "server/outqueue.h"
#include "tests/server/relayfixture.h"

namespace {

using namespace tt;
using namespace std::string_literals;
using std::chrono::milliseconds;

TEST_F(RelayTest, NicknameRulesAndRefusedLogins) {
    // One rule for names and chat: printable ASCII without "|".
    for (const char* ok : {"a", "ninechars", "Ann Lee", "~x!"})
        EXPECT_EQ(NicknameProblem(ok), "") << ok;
    for (const char* bad : {"", "tencharsXX", "a|b", "a\tb", "del\x7f", "\xff"})
        EXPECT_NE(NicknameProblem(bad), "") << bad;
    // A refused login changes nothing; a leaver frees the name.
    Players({{"Ann", ""}});
    for (const char* nick : {"Ann", "a|b"})
        EXPECT_EQ(relay.Join(nick, "x", t0), NO_SLOT) << nick;
    EXPECT_EQ(relay.PlayerCount(), 1u);
    relay.Leave(slots["Ann"]);
    EXPECT_EQ(relay.LoginProblem("Ann"), "");
    EXPECT_EQ(relay.PlayerCount(), 0u);
}

TEST_F(RelayTest, ChatGoesToEveryoneCleanedUnderTheLoginNameAndSenderMap) {
    Players({{"Ann", ""}, {"Bob", "cave.map"}});
    Send("Bob", "1|Mallory|hello there|main.map"); // the written nick and map are not believed
    Send("Bob", "1|Bob|a\tb\x01"
                "c\x7f\xe9!|main.map");
    // Chat with nothing printable left and other message types go nowhere.
    for (const char* dropped : {"1|Bob|\x01\x02|main.map", "2|Ann"})
        Send("Bob", dropped);
    EXPECT_EQ(relay.Receive(99, "1|x|hi|main.map", t0), nullptr) << "a stranger's slot is ignored";
    const Texts lines{"1|Bob|hello there|cave.map", "1|Bob|abc!|cave.map"};
    EXPECT_EQ(Take(), (Got{{"Ann", lines}, {"Bob", lines}}));
}

// Five lines per five seconds per nickname, ten per address; logging in again renews neither.
TEST_F(RelayTest, ChatLimitSurvivesLoggingInAgain) {
    Players({{"Obs", "m"}});
    In("Ann");
    In("Bob", "10.0.0.2");
    Texts expected;
    const auto line = [&](const std::string& nick, int i, int ms, bool relayed) {
        const std::string text = std::to_string(i);
        Send(nick, "1|" + nick + "|" + text + "|m", ms);
        if (relayed) expected.push_back("1|" + nick + "|" + text + "|main.map");
    };
    for (int i = 0; i < 5; ++i)
        line("Ann", i, i * 1000, true);
    line("Ann", 5, 4999, false);
    relay.Leave(slots["Ann"]);
    In("Ann");
    line("Ann", 6, 4999, false); // the same nickname again: still over
    line("Bob", 0, 4999, true);  // another address has its own allowance
    line("Ann", 7, 5000, true);  // Ann's first line is 5 s old now
    // New names from Ann's address share what is left of its ten (Ann's first line has aged out).
    for (int n = 0; n < 6; ++n) {
        const std::string nick = "New" + std::to_string(n);
        In(nick);
        line(nick, n, 5000, n < 5);
        relay.Leave(slots[nick]);
    }
    EXPECT_EQ(Take().at("Obs"), expected);
}

// Broken positions go nowhere; missing or garbled numbers read as 0, as the client reads them.
TEST_F(RelayTest, BrokenPositionsAreDroppedAndGarbledNumbersReadAsZero) {
    Players({{"Ann", ""}, {"Bob", ""}});
    for (const std::string& bad : {"3|Ann|nan|1|0|0|0|0|main.map"s, "3|Ann|1|1e39|0|0|0|0|main.map"s,
                                   "3|Ann"s, "3|Ann|1|1|0|0|0|0|" + std::string(MAX_MAP_NAME + 1, 'm')})
        Send("Ann", bad);
    EXPECT_EQ(relay.PositionOf(slots["Ann"]), "");
    Send("Ann", "3|Ann|x|2|||||main.map");
    Send("Bob", "3|Bob|" + std::string(100, ' ') + "7|2|99999999999|-1|0|0|main.map|extra");
    EXPECT_EQ(Take(), (Got{{"Bob", {"3|Ann|0|2|0|0|0|0|main.map"}},
                           {"Ann", {"3|Bob|7|2|2147483647|-1|0|0|main.map"}}}));
    // The relayed frame keeps the client's layout: the text, its own zero byte and the frame's.
    const std::string& frame = relay.PositionOf(slots["Ann"]);
    EXPECT_EQ(frame.substr(4), "3|Ann|0|2|0|0|0|0|main.map"s + '\0' + '\0');
    EXPECT_EQ(static_cast<std::size_t>(frame[3]), frame.size() - 4);
}

// Position, join, explicit map change, map change by position, and leave, with who hears of each.
TEST_F(RelayTest, WhoHearsOfPositionsJoinsMapChangesAndLeaves) {
    Players({{"Ann", "main.map"}, {"Bob", "main.map"}, {"Cid", "cave.map"}, {"Dee", "cave.map"}});
    Send("Bob", Pos("Zed", "2.5|3", "main.map")); // only the login name is relayed
    Send("Ann", "4|Ann|cave.map");
    // Bob's position and his removal reached Ann in one turn: the removal is all she needs.
    EXPECT_EQ(Take(), (Got{{"Ann", {"2|Bob", Pos("Cid", "3|3", "cave.map"), Pos("Dee", "4|4", "cave.map")}},
                           {"Bob", {"2|Ann"}}}));
    // A newcomer is shown the latest position of each player on the start map: Ann's left with her.
    In("Eve");
    EXPECT_EQ(Take(), (Got{{"Eve", {Pos("Bob", "2.5|3", "main.map")}}}));
    // The same map again, or an unusable map name, changes nothing.
    for (const std::string& map : {"cave.map"s, "new\nline"s})
        Send("Ann", "4|Ann|" + map);
    EXPECT_TRUE(Take().empty());
    // A position on another map is a map change first, then a position there.
    const std::string bob = Pos("Bob", "9|9", "cave.map");
    Send("Bob", bob);
    EXPECT_EQ(Take(), (Got{{"Ann", {bob}},
                           {"Bob", {"2|Eve", Pos("Cid", "3|3", "cave.map"), Pos("Dee", "4|4", "cave.map")}},
                           {"Cid", {bob}},
                           {"Dee", {bob}},
                           {"Eve", {"2|Bob"}}}));
    // Leaving is told to the players on the leaver's map only.
    relay.Leave(slots["Ann"]);
    relay.Leave(99);
    EXPECT_EQ(Take(), (Got{{"Bob", {"2|Ann"}}, {"Cid", {"2|Ann"}}, {"Dee", {"2|Ann"}}}));
}

// A reader that takes its bytes late gets, per sender, at most a removal and the latest position,
// in that order, whatever the sender did meanwhile.
TEST_F(RelayTest, WhatASlowReaderIsOwedIsMergedPerSender) {
    Players({{"Slow", "main.map"}, {"Ann", "main.map"}, {"Bob", "main.map"}});
    struct Case {
        const char* what;
        std::vector<std::string> annSends;
        Texts slowGets;
    };
    const std::vector<Case> cases{
        {"moves",
         {Pos("Ann", "1|1", "main.map"), Pos("Ann", "2|2", "main.map")},
         {Pos("Ann", "2|2", "main.map")}},
        {"leaves the map",
         {Pos("Ann", "3|3", "main.map"), "4|Ann|cave.map", Pos("Ann", "0|0", "cave.map")},
         {"2|Ann"}},
        {"comes back", {Pos("Ann", "5|5", "main.map")}, {Pos("Ann", "5|5", "main.map")}},
    };
    for (const Case& c : cases) {
        for (const std::string& text : c.annSends)
            EXPECT_EQ(Send("Ann", text), nullptr) << c.what;
        Send("Bob", Pos("Bob", "7|7", "main.map"));
        Take("Slow"); // everyone else reads at once
        Texts expected = c.slowGets;
        expected.push_back(Pos("Bob", "7|7", "main.map"));
        EXPECT_EQ(TakeFor("Slow"), expected) << c.what;
    }
}

// Flipping between two maps costs the honest players there one removal and one position at most,
// however slow they read; the flipper is the one dropped.
TEST_F(RelayTest, MapFlipFloodIsMergedAndTheFlipperDropped) {
    Players({{"Slow", "main.map"}, {"Cave", "cave.map"}, {"Flip", "main.map"}});
    std::size_t cavesBytes = 0;
    for (std::size_t i = 0; i < MAP_CHANGES_PER_WINDOW; ++i) {
        const std::string map = i % 2 ? "main.map" : "cave.map";
        ASSERT_EQ(Send("Flip", Pos("Flip", "1|1", map), static_cast<int>(i)), nullptr) << i;
        std::string bytes;
        cavesBytes += relay.TakeOutput(slots["Cave"], bytes);
        Take("Slow");
    }
    EXPECT_EQ(TakeFor("Slow"), (Texts{"2|Flip", Pos("Flip", "1|1", "main.map")}));
    EXPECT_LT(cavesBytes, MAP_CHANGES_PER_WINDOW * 64);
    EXPECT_NE(Send("Flip", "4|Flip|cave.map", 1000), nullptr) << "one change over the limit";
    // Ten seconds after the first change the allowance has room again.
    EXPECT_EQ(Send("Flip", "4|Flip|cave.map", static_cast<int>(MAP_CHANGE_WINDOW.count())), nullptr);
}

// A slot is not handed out again while a removal naming its last holder is still owed.
TEST_F(RelayTest, SlotsWaitForRemovalsNamingThem) {
    Players({{"Obs", "main.map"}, {"Ann", "main.map"}});
    const Slot ann = slots["Ann"];
    Send("Ann", "4|Ann|cave.map");
    relay.Leave(ann);
    EXPECT_NE(In("Zed"), ann);
    Send("Zed", Pos("Zed", "1|1", "main.map"));
    EXPECT_EQ(TakeFor("Obs"), (Texts{"2|Ann", Pos("Zed", "1|1", "main.map")}));
    EXPECT_EQ(In("Yan"), ann) << "free again once the removal went out";
}

using Health = OutBuffer::Health;
ServerTime At(int ms) {
    return ServerTime{} + std::chrono::hours(1) + milliseconds(ms);
}
const milliseconds stall(1000);

TEST(OutBuffer, PartialWritesKeepTheRestInOrder) {
    OutBuffer out;
    out.Tail() += "abcdef";
    out.Wrote(2, At(0));
    EXPECT_EQ(std::string(out.Data(), out.Size()), "cdef");
    out.Tail() += "gh"; // appended behind what waits
    out.Wrote(3, At(0));
    EXPECT_EQ(std::string(out.Data(), out.Size()), "fgh");
    out.Wrote(3, At(0));
    EXPECT_TRUE(out.Empty());
}

// Stalled only when bytes wait and none went out for the whole stall time; any progress restarts
// the clock. Overflow counts what waits elsewhere for the client too, at once.
TEST(OutBuffer, StallAndOverflow) {
    OutBuffer out;
    out.Tail() += std::string(100, 'x');
    out.Wrote(0, At(0)); // the socket took nothing
    EXPECT_EQ(out.Check(0, At(1000), stall), Health::Ok);
    EXPECT_EQ(out.Check(0, At(1001), stall), Health::Stalled);
    out.Wrote(0, At(900)); // still nothing: the clock keeps running
    EXPECT_EQ(out.Check(0, At(1001), stall), Health::Stalled);
    out.Wrote(10, At(1500)); // progress
    EXPECT_EQ(out.Check(0, At(2500), stall), Health::Ok);
    EXPECT_EQ(out.Check(0, At(2501), stall), Health::Stalled);
    out.Wrote(90, At(2600));
    EXPECT_EQ(out.Check(0, At(9000), stall), Health::Ok) << "nothing waiting never stalls";

    out.Tail() += std::string(1000, 'x');
    EXPECT_EQ(out.Check(MAX_QUEUE_BYTES - 1000, At(0), stall), Health::Ok);
    EXPECT_EQ(out.Check(MAX_QUEUE_BYTES - 999, At(0), stall), Health::Overflow);
}

using Args = std::vector<std::string>;

Args Words(const std::string& line) {
    std::istringstream in(line);
    return Args(std::istream_iterator<std::string>(in), std::istream_iterator<std::string>());
}

TEST(Options, DefaultsBothSpellingsAndRefusals) {
    ServerOptions o;
    std::string error;
    ASSERT_EQ(ParseOptions({}, o, error), OptionsResult::Run);
    EXPECT_EQ(std::tuple(o.port, o.bind), std::tuple(7457, std::string("0.0.0.0")));
    const Args all =
        Words("--port 65535 --bind=127.0.0.1 --max-clients 3 --login-timeout-ms=200 "
              "--frame-timeout-ms 300 --stall-timeout-ms=400 --max-per-address=4 --idle-timeout-ms 500 "
              "--cluster=nats://a:1,nats://b:2 --cluster-replicas 3");
    ASSERT_EQ(ParseOptions(all, o, error), OptionsResult::Run) << error;
    EXPECT_EQ(std::tuple(o.port, o.bind, o.maxClients, o.maxPerAddress, o.loginTimeout, o.frameTimeout,
                         o.stallTimeout, o.idleTimeout, o.cluster, o.clusterReplicas),
              std::tuple(65535, std::string("127.0.0.1"), std::size_t(3), std::size_t(4), milliseconds(200),
                         milliseconds(300), milliseconds(400), milliseconds(500),
                         std::vector<std::string>{"nats://a:1", "nats://b:2"}, 3));
    EXPECT_EQ(ParseOptions({"--port", "1", "--help"}, o, error), OptionsResult::Help);
    // One refused command line a semicolon.
    std::istringstream bad("--port;--port=;--port 65536;--port 80x;--max-clients 0;--max-clients 20000;"
                           "--login-timeout-ms 0;--frame-timeout-ms=99999999999;--bind=;--verbose;"
                           "--cluster h:4222;--cluster nats://a:1,;--cluster nats://;"
                           "--cluster-replicas 0;--cluster-replicas 6");
    for (std::string args; std::getline(bad, args, ';');) {
        error.clear();
        EXPECT_EQ(ParseOptions(Words(args), o, error), OptionsResult::Error) << args;
        EXPECT_NE(error, "") << args;
    }
}

TEST(Log, UtcTimestampsAndPeerTextThatCannotBreakALine) {
    EXPECT_EQ(LogTimestamp(std::chrono::system_clock::time_point{milliseconds(1709287200123LL)}),
              "2024-03-01T10:00:00.123Z");
    EXPECT_EQ(Printable("Ann\n\"x\\" + std::string("\0\xff", 2)), "Ann\\x0A\\x22x\\x5C\\x00\\xFF");
}

// One address that connects in a loop gets LOG_LINES_PER_WINDOW lines a window and then one
// summary; other addresses are not held back by it.
TEST(Log, RepeatsFromOneAddressAreSummed) {
    LogThrottle throttle;
    const auto t0 = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    std::size_t shown = 0;
    for (int i = 0; i < 1000; ++i)
        shown += throttle.Admit("10.0.0.9", t0 + milliseconds(i)) ? 1u : 0u;
    EXPECT_EQ(shown, LOG_LINES_PER_WINDOW);
    EXPECT_TRUE(throttle.Admit("10.0.0.1", t0 + milliseconds(1000)));
    EXPECT_TRUE(throttle.Summaries(t0 + LOG_WINDOW - milliseconds(1)).empty()) << "window not over";
    EXPECT_EQ(throttle.Summaries(t0 + LOG_WINDOW),
              std::vector<std::string>{"10.0.0.9: 990 more lines like the above in 60 s not shown"});
    EXPECT_TRUE(throttle.Admit("10.0.0.9", t0 + LOG_WINDOW)) << "a new window starts afresh";
    EXPECT_TRUE(throttle.Summaries(t0 + 3 * LOG_WINDOW).empty()) << "nothing held back, nothing to say";
}

} // namespace
