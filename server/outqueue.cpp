#include "server/outqueue.h"

void OutQueue::Push(const MessagePtr& message, ServerTime now) {
    const auto waiting = positionAt_.find(message->nick);
    if (message->kind == Message::Position && waiting != positionAt_.end()) {
        MessagePtr& slot = pending_[waiting->second - head_];
        pendingBytes_ = pendingBytes_ - slot->frame.size() + message->frame.size();
        slot = message;
    } else {
        if (message->kind == Message::Removal && waiting != positionAt_.end()) {
            MessagePtr& slot = pending_[waiting->second - head_];
            pendingBytes_ -= slot->frame.size();
            slot.reset();
            positionAt_.erase(waiting);
        }
        if (message->kind == Message::Position) positionAt_[message->nick] = head_ + pending_.size();
        pending_.push_back(message);
        pendingBytes_ += message->frame.size();
    }
    Track(now);
}

const std::vector<MessagePtr>& OutQueue::StartWrite(std::size_t maxBytes) {
    if (!inflight_.empty()) return inflight_;
    while (!pending_.empty()) {
        MessagePtr& front = pending_.front();
        if (front) {
            if (!inflight_.empty() && inflightBytes_ + front->frame.size() > maxBytes) break;
            if (front->kind == Message::Position) {
                const auto waiting = positionAt_.find(front->nick);
                if (waiting != positionAt_.end() && waiting->second == head_) positionAt_.erase(waiting);
            }
            inflightBytes_ += front->frame.size();
            pendingBytes_ -= front->frame.size();
            inflight_.push_back(std::move(front));
        }
        pending_.pop_front();
        ++head_;
    }
    return inflight_;
}

void OutQueue::FinishWrite(ServerTime now) {
    inflight_.clear();
    inflightBytes_ = 0;
    Track(now);
}

void OutQueue::Track(ServerTime now) {
    if (Bytes() <= STALL_QUEUE_BYTES) {
        fullSince_.reset();
    } else if (!fullSince_) {
        fullSince_ = now;
    }
}

OutQueue::Health OutQueue::Check(ServerTime now, std::chrono::milliseconds stallTime) const {
    if (Bytes() > MAX_QUEUE_BYTES) return Health::Overflow;
    if (fullSince_ && now - *fullSince_ > stallTime) return Health::Stalled;
    return Health::Ok;
}
