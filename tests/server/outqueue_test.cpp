// A client's output queue: order, coalescing of positions, and the limits that get a
// slow reader dropped.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "server/outqueue.h"

namespace {

using std::chrono::milliseconds;

const ServerTime t0 = ServerTime{} + std::chrono::hours(1);

MessagePtr Msg(Message::Kind kind, const std::string& nick, const std::string& text) {
    return std::make_shared<const Message>(Message{kind, nick, EncodeFrame(text)});
}
MessagePtr Pos(const std::string& nick, int x) { return Msg(Message::Position, nick, "3|" + nick + "|" + std::to_string(x)); }
MessagePtr Chat(const std::string& text) { return Msg(Message::Chat, "Ann", "1|Ann|" + text); }
MessagePtr Removal(const std::string& nick) { return Msg(Message::Removal, nick, "2|" + nick); }

// Everything the queue hands out, batch after batch, as frame texts.
std::vector<std::string> Drain(OutQueue& queue, std::size_t batch = MAX_WRITE_BATCH) {
    std::vector<std::string> texts;
    while (queue.HasPending()) {
        for (const MessagePtr& m : queue.StartWrite(batch)) {
            std::string buffer = m->frame, text;
            CutFrame(buffer, text);
            texts.push_back(text);
        }
        queue.FinishWrite(t0);
    }
    return texts;
}

TEST(OutQueue, NewerPositionTakesTheOlderOnesPlace) {
    OutQueue q;
    q.Push(Pos("Ann", 1), t0);
    q.Push(Chat("hi"), t0);
    q.Push(Pos("Bob", 1), t0);
    q.Push(Pos("Ann", 2), t0);
    q.Push(Pos("Ann", 3), t0);
    q.Push(Removal("Cid"), t0);
    EXPECT_EQ(q.Bytes(), Pos("Ann", 3)->frame.size() + Chat("hi")->frame.size() + Pos("Bob", 1)->frame.size() +
                             Removal("Cid")->frame.size());
    EXPECT_EQ(Drain(q), (std::vector<std::string>{"3|Ann|3", "1|Ann|hi", "3|Bob|1", "2|Cid"}));
    EXPECT_EQ(q.Bytes(), 0u);
}

TEST(OutQueue, PositionBeingWrittenIsNotReplaced) {
    OutQueue q;
    q.Push(Pos("Ann", 1), t0);
    ASSERT_EQ(q.StartWrite().size(), 1u);
    q.Push(Pos("Ann", 2), t0);
    q.Push(Pos("Ann", 3), t0);
    EXPECT_EQ(q.Bytes(), 2 * Pos("Ann", 1)->frame.size());
    // A second StartWrite while writing hands back the same batch.
    EXPECT_EQ(q.StartWrite().size(), 1u);
    q.FinishWrite(t0);
    EXPECT_EQ(Drain(q), (std::vector<std::string>{"3|Ann|3"}));
}

TEST(OutQueue, RemovalDropsTheWaitingPositionAndKeepsOrderAfterIt) {
    OutQueue q;
    q.Push(Pos("Ann", 1), t0);
    q.Push(Pos("Bob", 1), t0);
    q.Push(Removal("Ann"), t0);
    q.Push(Pos("Ann", 2), t0); // Ann is back: this must come after the removal, not in the old slot
    q.Push(Removal("Ann"), t0);
    q.Push(Removal("Ann"), t0); // removals are never merged or dropped
    EXPECT_EQ(Drain(q), (std::vector<std::string>{"3|Bob|1", "2|Ann", "2|Ann", "2|Ann"}));
    q.Push(Removal("Bob"), t0);
    q.Push(Pos("Bob", 5), t0);
    EXPECT_EQ(Drain(q), (std::vector<std::string>{"2|Bob", "3|Bob|5"}));
}

TEST(OutQueue, WritesInBatchesOfBoundedSize) {
    OutQueue q;
    const std::string line(90, 'c');
    for (int i = 0; i < 10; ++i) q.Push(Chat(line), t0);
    const std::size_t one = Chat(line)->frame.size();
    EXPECT_EQ(q.StartWrite(3 * one + 1).size(), 3u);
    q.FinishWrite(t0);
    // A message larger than the batch size still goes, alone.
    EXPECT_EQ(q.StartWrite(1).size(), 1u);
    q.FinishWrite(t0);
    EXPECT_EQ(Drain(q).size(), 6u);
}

TEST(OutQueue, ManyPositionsFromFewPlayersStayFew) {
    OutQueue q;
    for (int round = 0; round < 5000; ++round) {
        for (const char* nick : {"Ann", "Bob", "Cid"}) q.Push(Pos(nick, round), t0);
    }
    EXPECT_LT(q.Bytes(), 100u);
    EXPECT_EQ(q.Check(t0, milliseconds(10000)), OutQueue::Health::Ok);
    EXPECT_EQ(Drain(q), (std::vector<std::string>{"3|Ann|4999", "3|Bob|4999", "3|Cid|4999"}));
}

TEST(OutQueue, OverflowPastTheHardLimit) {
    OutQueue q;
    const MessagePtr line = Chat(std::string(1024 - 4 - 1 - 6, 'x')); // exactly 1 KiB framed
    ASSERT_EQ(line->frame.size(), 1024u);
    for (int i = 0; i < 256; ++i) q.Push(line, t0);
    EXPECT_EQ(q.Bytes(), MAX_QUEUE_BYTES);
    EXPECT_NE(q.Check(t0, milliseconds(10000)), OutQueue::Health::Overflow);
    q.Push(Removal("A"), t0);
    EXPECT_EQ(q.Check(t0, milliseconds(10000)), OutQueue::Health::Overflow);
    // Bytes being written count as well.
    OutQueue w;
    for (int i = 0; i < 64; ++i) w.Push(line, t0);
    w.StartWrite();
    for (int i = 0; i < 193; ++i) w.Push(line, t0);
    EXPECT_EQ(w.Check(t0, milliseconds(10000)), OutQueue::Health::Overflow);
}

TEST(OutQueue, StalledWhenAboveSoftLimitForTheWholeStallTime) {
    const milliseconds stall(10000);
    const MessagePtr line = Chat(std::string(1024 - 4 - 1 - 6, 'x'));
    OutQueue q;
    for (int i = 0; i < 64; ++i) q.Push(line, t0);
    EXPECT_EQ(q.Bytes(), STALL_QUEUE_BYTES); // at the limit, not above: no clock running
    EXPECT_EQ(q.Check(t0 + milliseconds(60000), stall), OutQueue::Health::Ok);
    q.Push(line, t0 + milliseconds(1000)); // above from here
    EXPECT_EQ(q.Check(t0 + milliseconds(11000), stall), OutQueue::Health::Ok);
    EXPECT_EQ(q.Check(t0 + milliseconds(11001), stall), OutQueue::Health::Stalled);

    // Falling back to the limit restarts the clock.
    q.StartWrite(1024);
    q.FinishWrite(t0 + milliseconds(5000));
    q.Push(line, t0 + milliseconds(8000));
    EXPECT_EQ(q.Check(t0 + milliseconds(17000), stall), OutQueue::Health::Ok);
    EXPECT_EQ(q.Check(t0 + milliseconds(18001), stall), OutQueue::Health::Stalled);

    // A write that ends still above the limit does not restart it.
    OutQueue r;
    for (int i = 0; i < 70; ++i) r.Push(line, t0);
    r.StartWrite(1024);
    r.FinishWrite(t0 + milliseconds(9000));
    EXPECT_EQ(r.Check(t0 + milliseconds(10001), stall), OutQueue::Health::Stalled);
}

} // namespace
