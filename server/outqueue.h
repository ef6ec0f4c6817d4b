// What waits to be written to one client: one contiguous buffer of frames. The relay hands
// over a client's next bytes only once this buffer has gone out whole, so while a reader is
// slow its positions wait in the relay, merged per sender, rather than piling up here.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "server/relay.h"

// A client with more than this waiting (here and as chat in the relay) is dropped at once.
constexpr std::size_t MAX_QUEUE_BYTES = 256 * 1024;

class OutBuffer {
  public:
    enum class Health { Ok, Overflow, Stalled };

    // Where new frames are appended.
    std::string& Tail() { return bytes_; }
    // The bytes not written yet.
    const char* Data() const { return bytes_.data() + sent_; }
    std::size_t Size() const { return bytes_.size() - sent_; }
    bool Empty() const { return Size() == 0; }
    // n bytes of Data() went out at now (n may be 0: a write that took nothing).
    void Wrote(std::size_t n, ServerTime now);
    // Overflow when Size() plus waiting (bytes held elsewhere for this client) is above
    // MAX_QUEUE_BYTES; Stalled when bytes have waited for longer than stallTime without a
    // single one going out.
    Health Check(std::size_t waiting, ServerTime now, std::chrono::milliseconds stallTime) const;

  private:
    std::string bytes_;
    std::size_t sent_ = 0;
    std::optional<ServerTime> waitingSince_; // last progress while bytes waited
};
