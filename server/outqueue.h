// What waits to be written to one client. A slow reader must neither hold up the others
// nor make the server grow: a newer position of a player replaces that player's older
// queued one, and the network layer drops a client whose queue stays too full.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/relay.h"

// A client whose queue holds more than this is dropped at once.
constexpr std::size_t MAX_QUEUE_BYTES = 256 * 1024;
// A client whose queue holds more than this for the stall time is dropped.
constexpr std::size_t STALL_QUEUE_BYTES = 64 * 1024;
// Most bytes handed to one write.
constexpr std::size_t MAX_WRITE_BATCH = 64 * 1024;

class OutQueue {
  public:
    enum class Health { Ok, Overflow, Stalled };

    // Queues message. A position replaces the same player's position that is still waiting
    // (keeping its place); a removal makes a waiting position of that player pointless, so
    // that one goes. Chat and removals are always kept.
    void Push(const MessagePtr& message, ServerTime now);
    // Moves the oldest waiting messages, at most maxBytes of them but at least one, into
    // the batch being written, and returns that batch. Only while nothing is being written.
    const std::vector<MessagePtr>& StartWrite(std::size_t maxBytes = MAX_WRITE_BATCH);
    // The batch has been written.
    void FinishWrite(ServerTime now);
    // A batch is being written.
    bool Writing() const { return !inflight_.empty(); }
    // Messages wait that are not in the batch being written.
    bool HasPending() const { return pendingBytes_ != 0; }
    // Bytes waiting plus bytes being written.
    std::size_t Bytes() const { return pendingBytes_ + inflightBytes_; }
    // Overflow when Bytes() is above MAX_QUEUE_BYTES; Stalled when it has been above
    // STALL_QUEUE_BYTES for longer than stallTime without a break.
    Health Check(ServerTime now, std::chrono::milliseconds stallTime) const;

  private:
    void Track(ServerTime now);

    std::deque<MessagePtr> pending_; // oldest first; null where a position was taken out
    std::uint64_t head_ = 0;         // sequence number of pending_.front()
    std::unordered_map<std::string, std::uint64_t> positionAt_; // nick -> sequence of its waiting position
    std::size_t pendingBytes_ = 0;
    std::vector<MessagePtr> inflight_;
    std::size_t inflightBytes_ = 0;
    std::optional<ServerTime> fullSince_; // since when Bytes() is above STALL_QUEUE_BYTES
};
