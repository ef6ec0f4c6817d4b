// The bot's decisions on a scripted clock: it walks the shipped maps under the client's rules,
// never stands on a blocked cell, takes exits with the map change before the new position, and
// reports and chats when the client would.
#include "bot/latency.h"
#include "bot/options.h"
#include "bot/walker.h"

#include "wire/protocol.h"
#include "wire/tokenizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

const std::string MAPS = std::string(TAVREL_SOURCE_DIR) + "/resources/";

struct Position {
    std::string nick, map;
    float x = 0, y = 0;
    int direction = 0, walking = 0, collision = 0;
};

Position ReadPosition(const std::string& text) {
    StringTokenizer t(text.substr(0, text.find('\0')), "|");
    Position p;
    EXPECT_EQ(t.nextIntToken(), 3) << text;
    p.nick = t.nextToken();
    p.x = static_cast<float>(t.nextFloatToken());
    p.y = static_cast<float>(t.nextFloatToken());
    p.direction = t.nextIntToken();
    p.walking = t.nextIntToken();
    p.collision = t.nextIntToken();
    t.nextIntToken();
    p.map = t.nextToken();
    return p;
}

class BotWalking : public ::testing::TestWithParam<std::tuple<double, std::uint32_t>> {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(world_.Load(MAPS, error)) << error;
        ASSERT_EQ(world_.size(), 3u);
    }
    BotWorld world_;
};

// Ten simulated minutes per turn length and seed, checked turn by turn.
TEST_P(BotWalking, FollowsTheClientsRulesOnEveryTurn) {
    const auto [turnms, seed] = GetParam();
    BotBehaviour how;
    how.exitchance = 0.5f;
    how.chatmean = 0;
    BotPlayer bot(world_, "Ann", 3, seed, how, 0);
    std::set<std::string> visited{START_MAP};
    double lastreport = 0;
    int reports = 0, exits = 0;
    float walked = 0;
    std::vector<std::string> out;
    for (double now = turnms; now < 600000; now += turnms) {
        const character before = bot.record();
        out.clear();
        bot.Turn(now, out);
        const character& after = bot.record();
        const BotMap* level = world_.Find(after.map);
        ASSERT_NE(level, nullptr);
        ASSERT_FALSE(FeetBlocked(level->data, after.charposx, after.charposy))
            << "at " << after.charposx << ", " << after.charposy << " on " << after.map << " at " << now;
        walked += std::fabs(after.charposx - before.charposx) + std::fabs(after.charposy - before.charposy);

        std::size_t at = 0;
        if (after.map != before.map) {
            // The map change goes out first, then at once the position on the new map.
            ++exits;
            visited.insert(after.map);
            ASSERT_GE(out.size(), 2u);
            EXPECT_EQ(out[0], BuildMapChangeMessage("Ann", after.map));
            at = 1;
        }
        const bool changed = after.walking != before.lastwalk || after.direction != before.olddir ||
                             after.collision != before.oldcol || after.map != before.map;
        const bool reported = at < out.size() && out[at][0] == '3';
        if (changed) {
            EXPECT_TRUE(reported) << "a change of walking, direction, collision or map at " << now;
        }
        if (reported) {
            const Position p = ReadPosition(out[at]);
            EXPECT_EQ(p.map, after.map);
            EXPECT_NEAR(p.x, after.charposx, 1e-3); // six digits on the wire
            EXPECT_NEAR(p.y, after.charposy, 1e-3);
            EXPECT_EQ(p.walking, after.walking);
            // With nothing changed, a report comes 500 ms after the previous one, within one turn.
            if (!changed) {
                EXPECT_GE(now - lastreport, 500.0 - 1e-6);
                EXPECT_LT(now - lastreport, 500.0 + turnms + 1e-6);
            }
            lastreport = now;
            ++reports;
            ++at;
        } else if (reports > 0) {
            EXPECT_LT(now - lastreport, 500.0 + 1e-6) << "no report for 500 ms at " << now;
        }
        EXPECT_EQ(at, out.size()) << "only the map change and the position, no chat";
    }
    EXPECT_EQ(visited.size(), 3u) << "a bot that likes exits sees every map within ten minutes";
    EXPECT_GE(exits, 4);
    // 2.5 units a second while walking; a bot stands between walks, but not most of the time.
    EXPECT_GT(walked, 600 * 2.5 * 0.25);
}

INSTANTIATE_TEST_SUITE_P(TurnLengthsAndSeeds, BotWalking,
                         ::testing::Combine(::testing::Values(5.0, 20.0, 45.0), ::testing::Values(1u, 2u)));

TEST(BotStart, ReportsAtOnceFromTheStartPositionAndChatsNowAndThen) {
    BotWorld world;
    std::string error;
    ASSERT_TRUE(world.Load(MAPS, error)) << error;
    const MapData& start = world.Find(START_MAP)->data;
    for (const float chatmean : {0.0f, 1000.0f}) {
        BotBehaviour how;
        how.chatmean = chatmean;
        BotPlayer bot(world, "Cid", 5, 9, how, 1000);
        std::vector<std::string> out;
        bot.Turn(1020, out);
        ASSERT_FALSE(out.empty());
        const Position first = ReadPosition(out[0]);
        EXPECT_EQ(first.nick, "Cid");
        EXPECT_EQ(first.map, START_MAP);
        EXPECT_NEAR(first.x, start.startposx, 0.06);
        EXPECT_NEAR(first.y, start.startposy, 0.06);
        int chats = 0;
        for (double now = 1040; now < 61000; now += 20) {
            out.clear();
            bot.Turn(now, out);
            for (const std::string& text : out) {
                if (text[0] != '1') continue;
                ++chats;
                StringTokenizer t(text, "|");
                EXPECT_EQ(t.nextIntToken(), 1);
                EXPECT_EQ(t.nextToken(), "Cid");
                const std::string line = t.nextToken();
                EXPECT_FALSE(line.empty());
                EXPECT_LE(line.size(), MAX_CHAT_TEXT);
                EXPECT_EQ(t.nextToken(), bot.record().map);
            }
        }
        if (chatmean == 0) {
            EXPECT_EQ(chats, 0);
        } else {
            EXPECT_TRUE(chats >= 30 && chats <= 100) << chats << " lines in a minute, one a second meant";
        }
    }
}

// A 6 by 5 map; 1 blocks. Rows as written, top first.
BotWorld RouteWorld() {
    MapData d;
    d.sizex = 6;
    d.sizey = 5;
    d.block = {1, 1, 1, 1, 1, 1, //
               1, 0, 0, 1, 0, 1, //
               1, 0, 1, 1, 0, 1, //
               1, 0, 0, 0, 0, 1, //
               1, 1, 1, 1, 1, 1};
    d.ground.assign(30, 0);
    BotWorld w;
    w.Add("r.map", d);
    return w;
}

TEST(BotRoute, GoesRoundWallsOneCellAtATimeOrNotAtAll) {
    const BotWorld world = RouteWorld();
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
        if (!route.empty()) {
            EXPECT_TRUE(route.back() == c.to);
        }
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

TEST(BotFrames, CutAcrossReadsAndRefuseImpossibleLengths) {
    const std::string two =
        EncodeFrame("3|A|1|2") + EncodeFrame(BuildPositionMessage("B", 1, 2, 0, 0, 0, 0, "m"));
    for (std::size_t split = 0; split <= two.size(); ++split) {
        FrameReader r;
        std::vector<std::string> got;
        std::string_view text;
        r.Append(two.data(), split);
        while (r.Next(text) == FrameReader::Frame)
            got.emplace_back(text);
        r.Append(two.data() + split, two.size() - split);
        while (r.Next(text) == FrameReader::Frame)
            got.emplace_back(text);
        EXPECT_EQ(got, (std::vector<std::string>{"3|A|1|2", "3|B|1|2|0|0|0|0|m"})) << split;
        EXPECT_EQ(r.Next(text), FrameReader::NeedMore);
    }
    for (const std::string& bad : {std::string("\0\0\0\0", 4), std::string("\0\1\0\1x", 5)}) {
        FrameReader r;
        std::string_view text;
        r.Append(bad.data(), bad.size());
        EXPECT_EQ(r.Next(text), FrameReader::Broken);
    }
    FrameReader r;
    std::string_view text;
    r.Append("\0\0\0\2hi", 6);
    ASSERT_EQ(r.Next(text), FrameReader::Frame);
    EXPECT_EQ(text, "hi") << "a body without a zero byte is all text";
}

TEST(BotOptions, ReadTheCommandLineAndRefuseWhatCantWork) {
    struct Case {
        std::vector<std::string> args;
        BotOptionsResult result;
    } cases[] = {
        {{"--server", "h", "--port", "99", "--name", "Zed", "--count", "3", "--duration", "2.5", "--seed",
          "7"},
         BotOptionsResult::Run},
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
    for (const Case& c : cases) {
        BotOptions o;
        std::string error;
        EXPECT_EQ(ParseBotOptions(c.args, o, error), c.result) << c.args[0] << " " << error;
    }
    BotOptions o;
    std::string error;
    ASSERT_EQ(ParseBotOptions(cases[0].args, o, error), BotOptionsResult::Run);
    EXPECT_EQ(o.server, "h");
    EXPECT_EQ(o.port, 99);
    EXPECT_EQ(o.duration, 2.5);
    EXPECT_EQ(o.seed, 7u);
    EXPECT_EQ(BotNick(o, 0), "Zed1");
    EXPECT_EQ(BotNick(o, 2), "Zed3");
    o.count = 1;
    EXPECT_EQ(BotNick(o, 0), "Zed");
}

} // namespace
