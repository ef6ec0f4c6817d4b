// The client's inbound pump without a socket: every frame handled once, in arrival order, however
// the stream is cut into segments, and the buffer stays small under a flood.
#include "core/inbound.h"
#include "wire/protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Texts(int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back("3|P" + std::to_string(i) + "|1.5|2|0|1|0|0|main.map");
    return out;
}

// Delivers stream in segments of the given sizes (the last repeats), one segment per turn, and
// runs turns until everything is handled; the texts handled, in order.
std::vector<std::string> Pump(const std::string& stream, std::vector<std::size_t> sizes, int perturn) {
    InboundBuffer in;
    std::vector<std::string> handled;
    std::size_t sent = 0, which = 0;
    for (int turn = 0; turn < 100000; ++turn) {
        if (sent < stream.size() && InboundWantsBytes(in)) {
            const std::size_t n = std::min(sizes[std::min(which++, sizes.size() - 1)], stream.size() - sent);
            InboundAppend(in, stream.data() + sent, n);
            sent += n;
        }
        const InboundTurn result =
            CutInboundFrames(in, perturn, [&](const std::string& text) { handled.push_back(text); });
        EXPECT_NE(result.stopped, FrameStatus::Invalid);
        if (sent == stream.size() && InboundWaiting(in) == 0) break;
    }
    return handled;
}

TEST(Inbound, EveryFrameIsHandledOnceInArrivalOrderHoweverTheSegmentsFall) {
    std::vector<std::string> texts = Texts(40);
    // The largest frame there is, among small ones: it must never wait for a read that never comes.
    texts[20] = std::string(MAX_FRAME_BODY - 1, 'x');
    std::string stream;
    for (const std::string& t : texts)
        stream += EncodeFrame(t);
    const struct {
        const char* name;
        std::vector<std::size_t> sizes;
        int perturn;
    } cases[] = {
        {"one segment", {stream.size()}, 256},
        {"one segment, three a turn", {stream.size()}, 3},
        {"two segments split inside a prefix", {2, stream.size()}, 256},
        {"segments split inside bodies", {37, 5, 101, 64}, 256},
        {"one byte at a time", {1}, 256},
        {"one frame and a bit", {EncodeFrame(texts[0]).size() + 1}, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Pump(stream, c.sizes, c.perturn), texts) << c.name;
}

TEST(Inbound, AFloodOfSmallFramesKeepsTheBufferUnderTwoReceivesAndLosesNothing) {
    // Far more bytes than one receive, in frames so small that a turn cannot handle one receive's worth.
    const std::string frame = EncodeFrame("2|x");
    std::string chunk;
    while (chunk.size() + frame.size() <= INBOUND_RECEIVE_CHUNK)
        chunk += frame;
    const std::size_t perchunk = chunk.size() / frame.size();
    InboundBuffer in;
    std::size_t handled = 0, appended = 0, largest = 0;
    for (int turn = 0; turn < 2000; ++turn) {
        if (InboundWantsBytes(in)) {
            InboundAppend(in, chunk.data(), chunk.size());
            appended += perchunk;
        }
        largest = std::max(largest, in.bytes.size());
        CutInboundFrames(in, 256, [&](const std::string& text) {
            EXPECT_EQ(text, "2|x");
            ++handled;
        });
    }
    EXPECT_LE(largest, 2 * INBOUND_RECEIVE_CHUNK);
    EXPECT_GE(appended, 10 * perchunk) << "the flood never got going";
    EXPECT_EQ(handled + InboundWaiting(in) / frame.size(), appended);
}

TEST(Inbound, AnImpossibleLengthStopsTheTurnAndIsReported) {
    InboundBuffer in;
    const std::string good = EncodeFrame("1|Ann|hi");
    const std::string bad("\0\0\0\0", 4);
    InboundAppend(in, (good + bad + good).data(), good.size() * 2 + bad.size());
    std::vector<std::string> handled;
    const InboundTurn result = CutInboundFrames(in, 256, [&](const std::string& t) { handled.push_back(t); });
    EXPECT_EQ(result.stopped, FrameStatus::Invalid);
    EXPECT_EQ(result.handled, 1);
    EXPECT_EQ(handled, std::vector<std::string>{"1|Ann|hi"});
}

} // namespace
