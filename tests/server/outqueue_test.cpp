// A client's output queue: order, coalescing of positions, and the limits that get a slow
// reader dropped.
#include <gtest/gtest.h>

#include <memory>

#include "wire/protocol.h"
#include "server/outqueue.h"

namespace {

using Texts = std::vector<std::string>;
using Health = OutQueue::Health;

const ServerTime t0 = ServerTime{} + std::chrono::hours(1);
ServerTime At(int ms) {
    return t0 + std::chrono::milliseconds(ms);
}
const std::chrono::milliseconds stall(10000);

MessagePtr Msg(Message::Kind kind, const std::string& nick, const std::string& text) {
    return std::make_shared<const Message>(Message{kind, nick, EncodeFrame(text)});
}
MessagePtr Pos(std::string nick, int x) {
    return Msg(Message::Position, nick, nick + std::to_string(x));
}
MessagePtr Removal(const std::string& nick) {
    return Msg(Message::Removal, nick, "2|" + nick);
}
// A chat line exactly 1 KiB long on the wire.
const MessagePtr kib = Msg(Message::Chat, "Ann", "1|Ann|" + std::string(1024 - 4 - 1 - 6, 'x'));

std::string Text(const MessagePtr& m) {
    return m->frame.substr(4, m->frame.size() - 5);
}
// Everything the queue hands out, batch after batch.
Texts Drain(OutQueue& q) {
    Texts texts;
    for (; q.HasPending(); q.FinishWrite(t0))
        for (const MessagePtr& m : q.StartWrite())
            texts.push_back(Text(m));
    return texts;
}

// A newer position takes the waiting one's place, but not the place of one being written; a
// removal drops the player's waiting position, and a position after it comes after it.
TEST(OutQueue, PositionsCoalesceInPlace) {
    OutQueue q;
    q.Push(Pos("Ann", 1), t0);
    ASSERT_EQ(q.StartWrite(1).size(), 1u) << "a message larger than the batch still goes, alone";
    for (const MessagePtr& m : {Pos("Ann", 2), kib, Pos("Bob", 1), Pos("Ann", 3)})
        q.Push(m, t0);
    EXPECT_EQ(q.Bytes(), 3 * Pos("Ann", 1)->frame.size() + 1024);
    q.FinishWrite(t0);
    EXPECT_EQ(Drain(q), (Texts{"Ann3", Text(kib), "Bob1"}));
    EXPECT_EQ(q.Bytes(), 0u);

    for (const MessagePtr& m : {Pos("Ann", 1), Pos("Bob", 1), Removal("Ann"), Removal("Ann"), Pos("Ann", 2),
                                Removal("Cid"), Pos("Ann", 3)})
        q.Push(m, t0);
    EXPECT_EQ(Drain(q), (Texts{"Bob1", "2|Ann", "2|Ann", "Ann3", "2|Cid"}));
}

// Above the soft limit for the whole stall time a client has stalled: falling back to the limit
// restarts that clock, a write that ends still above it does not. Above the hard limit, counting
// the batch being written, it overflows at once.
TEST(OutQueue, HardAndSoftLimits) {
    OutQueue q;
    for (int i = 0; i < 64; ++i)
        q.Push(kib, t0);
    EXPECT_EQ(q.Check(At(60000), stall), Health::Ok) << "at the soft limit, not above";
    q.Push(kib, At(1000));
    EXPECT_EQ(q.Check(At(11000), stall), Health::Ok);
    EXPECT_EQ(q.Check(At(11001), stall), Health::Stalled);
    EXPECT_EQ(q.StartWrite(1024).size(), 1u);
    q.FinishWrite(At(5000));
    q.Push(kib, At(8000));
    q.Push(kib, At(9000));
    q.StartWrite(1024);
    q.FinishWrite(At(9000));
    EXPECT_EQ(q.Check(At(18000), stall), Health::Ok);
    EXPECT_EQ(q.Check(At(18001), stall), Health::Stalled);

    EXPECT_EQ(q.StartWrite().size(), MAX_WRITE_BATCH / 1024) << "batches are bounded";
    for (int i = 0; i < 191; ++i)
        q.Push(kib, At(9000));
    EXPECT_EQ(q.Bytes(), MAX_QUEUE_BYTES);
    EXPECT_NE(q.Check(At(9000), stall), Health::Overflow);
    q.Push(Removal("A"), At(9000));
    EXPECT_EQ(q.Check(At(9000), stall), Health::Overflow);
}

} // namespace
