// The server's command line and log line pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/log.h"
#include "server/options.h"

namespace {

using std::chrono::milliseconds;

OptionsResult Parse(const std::vector<std::string>& args, ServerOptions& options, std::string& error) {
    return ParseOptions(args, options, error);
}

TEST(Options, DefaultsServeTheShippedClientConfig) {
    ServerOptions o;
    std::string error;
    ASSERT_EQ(Parse({}, o, error), OptionsResult::Run);
    EXPECT_EQ(o.port, 7457);
    EXPECT_EQ(o.bind, "0.0.0.0");
    EXPECT_EQ(o.maxClients, DEFAULT_MAX_CLIENTS);
    EXPECT_EQ(o.loginTimeout, milliseconds(10000));
    EXPECT_EQ(o.frameTimeout, milliseconds(10000));
    EXPECT_EQ(o.stallTimeout, milliseconds(10000));
}

TEST(Options, EveryOptionInBothSpellings) {
    ServerOptions o;
    std::string error;
    ASSERT_EQ(Parse({"--port", "0", "--bind=127.0.0.1", "--max-clients", "3", "--login-timeout-ms=200",
                     "--frame-timeout-ms", "300", "--stall-timeout-ms=400"},
                    o, error),
              OptionsResult::Run)
        << error;
    EXPECT_EQ(o.port, 0);
    EXPECT_EQ(o.bind, "127.0.0.1");
    EXPECT_EQ(o.maxClients, 3u);
    EXPECT_EQ(o.loginTimeout, milliseconds(200));
    EXPECT_EQ(o.frameTimeout, milliseconds(300));
    EXPECT_EQ(o.stallTimeout, milliseconds(400));
    EXPECT_EQ(Parse({"--port=65535"}, o, error), OptionsResult::Run);
    EXPECT_EQ(o.port, 65535);
    EXPECT_EQ(Parse({"--port", "1", "--help"}, o, error), OptionsResult::Help);
}

TEST(Options, BadValuesAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> bad{
        {"--port"},           {"--port", "65536"},      {"--port", "-1"},      {"--port", "80x"},
        {"--port", ""},       {"--max-clients", "0"},   {"--max-clients", "5000"}, {"--login-timeout-ms", "0"},
        {"--frame-timeout-ms=99999999999"}, {"--bind="}, {"--verbose"},      {"7457"}};
    for (const auto& args : bad) {
        ServerOptions o;
        std::string error;
        EXPECT_EQ(Parse(args, o, error), OptionsResult::Error) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(Options, HelpNamesEveryOption) {
    const std::string usage = UsageText();
    for (const char* name : {"--port", "--bind", "--max-clients", "--login-timeout-ms", "--frame-timeout-ms",
                             "--stall-timeout-ms", "--help", "7457", "0.0.0.0"}) {
        EXPECT_NE(usage.find(name), std::string::npos) << name;
    }
}

TEST(Log, TimestampIsUtcWithMilliseconds) {
    const std::chrono::system_clock::time_point t{std::chrono::milliseconds(1709287200123LL)};
    EXPECT_EQ(LogTimestamp(t), "2024-03-01T10:00:00.123Z");
    EXPECT_EQ(LogTimestamp(std::chrono::system_clock::time_point{}), "1970-01-01T00:00:00.000Z");
}

TEST(Log, PeerTextCannotBreakALine) {
    EXPECT_EQ(Printable("Ann"), "Ann");
    EXPECT_EQ(Printable("a\nb"), "a\\x0Ab");
    EXPECT_EQ(Printable("\"x\\"), "\\x22x\\x5C");
    EXPECT_EQ(Printable(std::string("\0\xff", 2)), "\\x00\\xFF");
}

} // namespace
