// Measuring the server's relay from inside one bot process: the process knows when each of its
// players wrote each position, and when each of its players read the positions of the others.
// A position carries no time stamp, so the text itself (nick, position, direction, flags, map)
// is the key; a text sent twice (a player standing still) can't tell its copies apart and is
// counted as ambiguous rather than guessed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

// Counts of durations in microseconds, in buckets 2 % wide, for percentiles of millions of samples.
class LatencyHistogram {
  public:
    void Add(std::int64_t us);
    std::uint64_t count() const { return count_; }
    // The duration below which the fraction q (0..1) of the samples lie, in microseconds, to the
    // bucket's 2 %; 0 with no samples.
    std::int64_t Percentile(double q) const;
    std::int64_t max() const { return max_; }

  private:
    static constexpr std::size_t BUCKETS = 1200;
    std::array<std::uint64_t, BUCKETS> buckets_{};
    std::uint64_t count_ = 0;
    std::int64_t max_ = 0;
};

// What became of one position a player read.
enum class Arrival {
    Matched,   // a position this process wrote once: its relay time was counted
    Ambiguous, // this process wrote that text more than once lately
    Stale,     // written before the reader arrived on its map: the server's greeting of a
               // newcomer with where everyone stands, not a relay
    Unknown,   // not written by this process (another process's player), or too long ago
};

class RelayLatency {
  public:
    // Positions are remembered this long; a relay slower than this counts as Unknown.
    static constexpr std::int64_t KEEP_US = 30'000'000;

    // A player finished writing the position text (without its zero bytes) at time us.
    void Written(std::string_view text, std::int64_t us);
    // A player who logged in or changed maps at time since read the position text at time us.
    Arrival Read(std::string_view text, std::int64_t us, std::int64_t since);

    const LatencyHistogram& histogram() const { return histogram_; }
    std::uint64_t matched() const { return histogram_.count(); }
    std::uint64_t ambiguous() const { return ambiguous_; }
    std::uint64_t unknown() const { return unknown_; }
    std::uint64_t stale() const { return stale_; }

  private:
    void Expire(std::int64_t us);
    struct Sent {
        std::int64_t us = 0;
        bool repeated = false;
    };
    std::unordered_map<std::string, Sent> sent_;
    std::deque<std::pair<std::int64_t, std::string>> order_; // for expiry, oldest first
    LatencyHistogram histogram_;
    std::uint64_t ambiguous_ = 0, unknown_ = 0, stale_ = 0;
};

// Cuts frames off a receive buffer without moving the rest for every frame: thousands of
// small frames can arrive in one read.
class FrameReader {
  public:
    // Appends received bytes.
    void Append(const char* data, std::size_t size);
    enum Status { Frame, NeedMore, Broken };
    // The next whole frame's text (up to its first zero byte), valid until the next call.
    // Broken for a length of 0 or above MAX_FRAME_BODY: the stream can't be trusted after that.
    Status Next(std::string_view& text);

  private:
    std::string buffer_;
    std::size_t at_ = 0;
};
