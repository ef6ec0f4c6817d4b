#include "server/outqueue.h"

// Capacity an emptied buffer keeps.
static constexpr std::size_t SHRINK_ABOVE = 16 * 1024;

void OutBuffer::Wrote(std::size_t n, ServerTime now) {
    sent_ += n;
    if (sent_ == bytes_.size()) {
        // Keeps the capacity of an everyday turn, so the next frames go into the same memory;
        // a rare big one (a crowd arriving at once) gives its memory back.
        if (bytes_.capacity() > SHRINK_ABOVE) std::string().swap(bytes_);
        bytes_.clear();
        sent_ = 0;
        waitingSince_.reset();
        return;
    }
    if (n > 0 || !waitingSince_) waitingSince_ = now;
    // Moving the rest to the front now and then keeps the buffer from creeping along.
    if (sent_ > bytes_.size() / 2) {
        bytes_.erase(0, sent_);
        sent_ = 0;
    }
}

OutBuffer::Health OutBuffer::Check(std::size_t waiting, ServerTime now,
                                   std::chrono::milliseconds stallTime) const {
    if (Size() + waiting > MAX_QUEUE_BYTES) return Health::Overflow;
    if (waitingSince_ && now - *waitingSince_ > stallTime) return Health::Stalled;
    return Health::Ok;
}
