// The server's command line and log line pieces.
#include <gtest/gtest.h> // brings <tuple> too

#include "server/log.h"
#include "server/options.h"

#include <iterator>
#include <sstream>

namespace {

using std::chrono::milliseconds;
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
              "--frame-timeout-ms 300 --stall-timeout-ms=400 --max-per-address=4 --idle-timeout-ms 500");
    ASSERT_EQ(ParseOptions(all, o, error), OptionsResult::Run) << error;
    EXPECT_EQ(std::tuple(o.port, o.bind, o.maxClients, o.maxPerAddress, o.loginTimeout, o.frameTimeout,
                         o.stallTimeout, o.idleTimeout),
              std::tuple(65535, std::string("127.0.0.1"), std::size_t(3), std::size_t(4), milliseconds(200),
                         milliseconds(300), milliseconds(400), milliseconds(500)));
    EXPECT_EQ(ParseOptions({"--port", "1", "--help"}, o, error), OptionsResult::Help);
    // One refused command line a comma.
    std::istringstream bad("--port,--port=,--port 65536,--port 80x,--max-clients 0,--max-clients 20000,"
                           "--login-timeout-ms 0,--frame-timeout-ms=99999999999,--bind=,--verbose");
    for (std::string args; std::getline(bad, args, ',');) {
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
