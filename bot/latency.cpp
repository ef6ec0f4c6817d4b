#include "bot/latency.h"

#include "wire/protocol.h"

#include <algorithm>
#include <cmath>

// Bucket i holds durations from GROWTH^i to GROWTH^(i+1) microseconds; 1200 buckets of 2 %
// reach far beyond any relay time worth measuring.
static constexpr double GROWTH = 1.02;

static std::size_t BucketOf(std::int64_t us, std::size_t buckets) {
    if (us <= 1) return 0;
    const double i = std::log(static_cast<double>(us)) / std::log(GROWTH);
    return std::min(static_cast<std::size_t>(i), buckets - 1);
}

void LatencyHistogram::Add(std::int64_t us) {
    if (us < 0) us = 0;
    ++buckets_[BucketOf(us, BUCKETS)];
    ++count_;
    max_ = std::max(max_, us);
}

std::int64_t LatencyHistogram::Percentile(double q) const {
    if (count_ == 0) return 0;
    const double wanted = std::clamp(q, 0.0, 1.0) * static_cast<double>(count_);
    std::uint64_t seen = 0;
    for (std::size_t i = 0; i < BUCKETS; ++i) {
        seen += buckets_[i];
        if (buckets_[i] != 0 && static_cast<double>(seen) >= wanted) {
            // The bucket's upper edge, but never above the largest sample.
            const double edge = std::pow(GROWTH, static_cast<double>(i + 1));
            return std::min(max_, static_cast<std::int64_t>(edge));
        }
    }
    return max_;
}

void RelayLatency::Expire(std::int64_t us) {
    while (!order_.empty() && us - order_.front().first > KEEP_US) {
        const auto it = sent_.find(order_.front().second);
        // Only the newest writing of a text is the one to forget.
        if (it != sent_.end() && it->second.us == order_.front().first) sent_.erase(it);
        order_.pop_front();
    }
}

void RelayLatency::Written(std::string_view text, std::int64_t us) {
    Expire(us);
    std::string key(text);
    auto [it, fresh] = sent_.try_emplace(key);
    if (!fresh) it->second.repeated = true;
    it->second.us = us;
    order_.emplace_back(us, std::move(key));
}

Arrival RelayLatency::Read(std::string_view text, std::int64_t us, std::int64_t since) {
    const auto it = sent_.find(std::string(text));
    if (it == sent_.end() || us - it->second.us > KEEP_US) {
        ++unknown_;
        return Arrival::Unknown;
    }
    if (it->second.us < since) {
        ++stale_;
        return Arrival::Stale;
    }
    if (it->second.repeated) {
        ++ambiguous_;
        return Arrival::Ambiguous;
    }
    histogram_.Add(us - it->second.us);
    return Arrival::Matched;
}

void FrameReader::Append(const char* data, std::size_t size) {
    // Drop what was already handed out before the buffer grows again.
    if (at_ > 0 && (at_ == buffer_.size() || at_ > 65536)) {
        buffer_.erase(0, at_);
        at_ = 0;
    }
    buffer_.append(data, size);
}

FrameReader::Status FrameReader::Next(std::string_view& text) {
    switch (CutFrameView(buffer_, at_, text)) {
    case FrameStatus::Complete:
        return Frame;
    case FrameStatus::Incomplete:
        return NeedMore;
    case FrameStatus::Invalid:
        break;
    }
    return Broken;
}
