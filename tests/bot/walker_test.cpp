// The bot's decisions on a scripted clock, its routes, latency counting, frames and command line.
#include "bot/latency.h"
#include "bot/options.h"
#include "bot/walker.h"

#include "wire/protocol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

class BotWalking : public ::testing::TestWithParam<std::tuple<double, std::uint32_t>> {};

// Ten simulated minutes per turn length and seed, checked turn by turn; the second seed chats too.
TEST_P(BotWalking, FollowsTheClientsRulesOnEveryTurn) {
    const auto [turnms, seed] = GetParam();
    BotWorld world;
    std::string error;
    ASSERT_TRUE(world.Load(TAVREL_SOURCE_DIR "/resources/", error)) << error;
    ASSERT_EQ(world.size(), 3u);
    BotBehaviour how;
    how.exitchance = 0.5f;
    how.chatmean = seed == 2 ? 1000.0f : 0.0f;
    const double t0 = 1000; // logged in at some tick count, not at 0
    BotPlayer bot(world, "Ann", 3, seed, how, t0);
    const MapData& start = world.Find(START_MAP)->data;
    std::set<std::string> visited{START_MAP};
    double lastreport = t0;
    int reports = 0, exits = 0, chats = 0;
    float walked = 0;
    std::vector<std::string> out;
    for (double now = t0 + turnms; now < t0 + 600000; now += turnms) {
        const character before = bot.record();
        out.clear();
        bot.Turn(now, out);
        const character& after = bot.record();
        const BotMap* level = world.Find(after.map);
        ASSERT_NE(level, nullptr);
        ASSERT_FALSE(FeetBlocked(level->data, after.charposx, after.charposy))
            << "at " << after.charposx << ", " << after.charposy << " on " << after.map << " at " << now;
        walked += std::fabs(after.charposx - before.charposx) + std::fabs(after.charposy - before.charposy);

        std::size_t at = 0;
        if (after.map != before.map) {
            ++exits;
            visited.insert(after.map);
            ASSERT_GE(out.size(), 2u);
            EXPECT_EQ(out[0], BuildMapChangeMessage("Ann", after.map));
            at = 1;
        }
        const bool changed = after.walking != before.lastwalk || after.direction != before.olddir ||
                             after.collision != before.oldcol || after.map != before.map;
        const bool reported = at < out.size() && out[at][0] == '3';
        if (changed || reports == 0) {
            ASSERT_TRUE(reported) << "a first turn, or a change of walking, direction, collision or map at "
                                  << now;
        }
        if (reported) {
            EXPECT_EQ(out[at], BuildPositionMessage("Ann", after.charposx, after.charposy, after.direction,
                                                    after.walking, after.collision, 3, after.map));
            if (reports == 0) { // from the start position, at most one turn's walk (2.5 units a second) away
                EXPECT_NEAR(after.charposx, start.startposx, 2.5 * turnms / 1000 + 1e-3);
                EXPECT_NEAR(after.charposy, start.startposy, 2.5 * turnms / 1000 + 1e-3);
            }
            // With nothing changed, a report comes 500 ms after the previous one, within one turn.
            if (!changed && reports > 0) {
                EXPECT_GE(now - lastreport, 500.0 - 1e-6);
                EXPECT_LT(now - lastreport, 500.0 + turnms + 1e-6);
            }
            lastreport = now;
            ++reports;
            ++at;
        } else {
            EXPECT_LT(now - lastreport, 500.0 + 1e-6) << "no report for 500 ms at " << now;
        }
        for (; at < out.size(); ++at, ++chats) // only chat lines after the position
            EXPECT_EQ(out[at].rfind("1|Ann|", 0), 0u) << out[at];
    }
    EXPECT_EQ(visited.size(), 3u) << "a bot that likes exits sees every map within ten minutes";
    EXPECT_GE(exits, 4);
    // 2.5 units a second while walking; a bot stands between walks, but not most of the time.
    EXPECT_GT(walked, 600 * 2.5 * 0.25);
    if (how.chatmean == 0) {
        EXPECT_EQ(chats, 0);
    } else {
        EXPECT_TRUE(chats >= 300 && chats <= 1000) << chats << " lines in ten minutes, one a second meant";
    }
}

INSTANTIATE_TEST_SUITE_P(TurnLengthsAndSeeds, BotWalking,
                         ::testing::Combine(::testing::Values(5.0, 20.0, 45.0), ::testing::Values(1u, 2u)));

TEST(BotRoute, GoesRoundWallsOneCellAtATimeOrNotAtAll) {
    MapData d; // 6 by 5; 1 blocks. Rows as written, top first.
    d.sizex = 6;
    d.sizey = 5;
    d.block = {1, 1, 1, 1, 1, 1, //
               1, 0, 0, 1, 0, 1, //
               1, 0, 1, 1, 0, 1, //
               1, 0, 0, 0, 0, 1, //
               1, 1, 1, 1, 1, 1};
    d.ground.assign(30, 0);
    BotWorld world;
    world.Add("r.map", d);
    const BotMap& level = *world.Find("r.map");
    struct Case {
        BotCell from, to;
        std::size_t steps; // 0 = no route
    } cases[] = {
        {{1, 3}, {2, 3}, 1}, // the next cell of the top free row
        {{1, 3}, {4, 3}, 7}, // round the wall: down, along, up
        {{1, 3}, {1, 3}, 0}, // already there
        {{1, 3}, {3, 3}, 0}, // a wall
        {{1, 3}, {9, 9}, 0}, // off the map
    };
    for (const Case& c : cases) {
        const std::vector<BotCell> route = FindRoute(level, c.from, c.to);
        ASSERT_EQ(route.size(), c.steps) << c.to.col << "," << c.to.row;
        BotCell at = c.from;
        for (const BotCell& next : route) {
            EXPECT_EQ(std::abs(next.col - at.col) + std::abs(next.row - at.row), 1);
            EXPECT_FALSE(CellBlocked(level.data, next.col, next.row));
            at = next;
        }
        EXPECT_TRUE(c.steps == 0 || at == c.to);
    }
}

TEST(BotRelayLatency, MatchesOnlyWhatCanBeMatched) {
    RelayLatency r;
    r.Written("3|A|1|2|0|1|0|0|main.map", 1000);
    EXPECT_EQ(r.Read("3|A|1|2|0|1|0|0|main.map", 1800, 0), Arrival::Matched);
    EXPECT_EQ(r.Read("3|A|1|2|0|1|0|0|main.map", 1900, 1500), Arrival::Stale);
    EXPECT_EQ(r.Read("3|B|1|2|0|1|0|0|main.map", 1900, 0), Arrival::Unknown);
    r.Written("3|A|1|2|0|1|0|0|main.map", 2000);
    EXPECT_EQ(r.Read("3|A|1|2|0|1|0|0|main.map", 2100, 0), Arrival::Ambiguous);
    r.Written("3|A|5|2|0|1|0|0|main.map", 3000);
    const std::int64_t later = 3000 + RelayLatency::KEEP_US + 1;
    r.Written("3|A|6|2|0|1|0|0|main.map", later);
    EXPECT_EQ(r.Read("3|A|5|2|0|1|0|0|main.map", later, 0), Arrival::Unknown) << "forgotten";
    EXPECT_EQ(r.Read("3|A|6|2|0|1|0|0|main.map", later + 250, 0), Arrival::Matched);
    EXPECT_EQ(r.matched(), 2u);
    EXPECT_EQ(r.histogram().max(), 800);
}

TEST(BotRelayLatency, PercentilesWithinTheBucketWidth) {
    LatencyHistogram h;
    for (int us = 1000; us <= 100000; us += 1000)
        h.Add(us);
    h.Add(5000000);
    for (const auto& [q, want] : {std::pair{0.5, 51000.0}, {0.9, 91000.0}, {0.99, 100000.0}}) {
        EXPECT_NEAR(static_cast<double>(h.Percentile(q)), want, want * 0.025) << q;
    }
    EXPECT_EQ(h.Percentile(1.0), 5000000);
    EXPECT_EQ(LatencyHistogram().Percentile(0.5), 0);
}

// Split anywhere, two frames come out whole; the second has no zero byte, so its whole body is text.
TEST(BotFrames, CutAcrossReadsAndRefuseImpossibleLengths) {
    const std::string two = EncodeFrame("3|A|1|2") + std::string("\0\0\0\2hi", 6);
    for (std::size_t split = 0; split <= two.size(); ++split) {
        FrameReader r;
        std::vector<std::string> got;
        std::string_view text;
        for (const auto& [from, size] : {std::pair{std::size_t{0}, split}, {split, two.size() - split}}) {
            r.Append(two.data() + from, size);
            while (r.Next(text) == FrameReader::Frame)
                got.emplace_back(text);
        }
        EXPECT_EQ(got, (std::vector<std::string>{"3|A|1|2", "hi"})) << split;
        EXPECT_EQ(r.Next(text), FrameReader::NeedMore);
    }
    FrameReader broken; // which lengths are impossible is the wire cutter's rule
    std::string_view text;
    broken.Append("\0\0\0\0", 4);
    EXPECT_EQ(broken.Next(text), FrameReader::Broken);
}

TEST(BotOptions, ReadTheCommandLineAndRefuseWhatCantWork) {
    BotOptions o;
    std::string error;
    const std::vector<std::string> all{"--server", "h", "--port",     "99",  "--name", "Zed",
                                       "--count",  "3", "--duration", "2.5", "--seed", "7"};
    ASSERT_EQ(ParseBotOptions(all, o, error), BotOptionsResult::Run);
    EXPECT_EQ(std::tuple(o.server, o.port, o.duration, o.seed), std::tuple("h", 99, 2.5, 7u));
    EXPECT_EQ(std::tuple(BotNick(o, 0), BotNick(o, 2)), std::tuple("Zed1", "Zed3"));
    o.count = 1;
    EXPECT_EQ(BotNick(o, 0), "Zed");
    const std::pair<std::vector<std::string>, BotOptionsResult> cases[] = {
        {{"--help"}, BotOptionsResult::Help},
        {{"--port", "0"}, BotOptionsResult::Error},
        {{"--port", "70000"}, BotOptionsResult::Error},
        {{"--count", "0"}, BotOptionsResult::Error},
        {{"--count"}, BotOptionsResult::Error},
        {{"--duration", "-1"}, BotOptionsResult::Error},
        {{"--exit-chance", "1.5"}, BotOptionsResult::Error},
        {{"--name", "a|b"}, BotOptionsResult::Error},
        {{"--name", "Abcdefg", "--count", "100"}, BotOptionsResult::Error}, // Abcdefg100 is 10 bytes
        {{"--name", "Abcdef", "--count", "100"}, BotOptionsResult::Run},
        {{"--frobnicate", "1"}, BotOptionsResult::Error},
    };
    for (const auto& [args, result] : cases) {
        BotOptions fresh;
        EXPECT_EQ(ParseBotOptions(args, fresh, error), result) << args[0] << " " << error;
    }
}

} // namespace
