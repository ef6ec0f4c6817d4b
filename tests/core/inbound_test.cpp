#include "core/inbound.h"

#include <gtest/gtest.h>

// Far more bytes than one receive, in frames so small that a turn cannot handle one receive's worth,
// received whenever the buffer wants bytes.
TEST(Inbound, AFloodOfSmallFramesKeepsTheBufferUnderTwoReceivesAndLosesNothing) {
    const std::string frame = EncodeFrame("2|x");
    std::string stream;
    while (stream.size() < 10 * INBOUND_RECEIVE_CHUNK)
        stream += frame;
    InboundBuffer in;
    std::size_t sent = 0, handled = 0, largest = 0;
    for (int turn = 0; turn < 100000 && (sent < stream.size() || InboundWaiting(in) > 0); ++turn) {
        if (sent < stream.size() && InboundWantsBytes(in)) {
            const std::size_t n = std::min(INBOUND_RECEIVE_CHUNK, stream.size() - sent);
            InboundAppend(in, stream.data() + sent, n, 0);
            sent += n;
        }
        largest = std::max(largest, in.bytes.size());
        CutInboundFrames(in, 256, 0, [&](const std::string& text) { handled += text == "2|x"; });
    }
    EXPECT_EQ(handled, stream.size() / frame.size());
    EXPECT_LE(largest, 2 * INBOUND_RECEIVE_CHUNK);
}

// A frame's wait starts with its first byte into an empty buffer or when the frame before it is
// handled; more of its bytes do not restart it, and the clock may wrap.
TEST(Inbound, AFrameThatWaitsFiveSecondsForItsBytesIsStalled) {
    const std::string frame = EncodeFrame("1|Ann|hi"), next = EncodeFrame("2|Bob");
    for (const std::uint32_t start : {1000u, 0xFFFFF000u}) {
        const struct {
            std::uint32_t ms;
            std::string bytes;
            bool stalled;
        } steps[] = {
            {0, "", false}, // nothing waiting is never stalled
            {0, frame.substr(0, 3), false},
            {3000, frame.substr(3, 4), false},
            {4999, "", false},
            {5000, "", true},
            {6000, frame.substr(7) + next.substr(0, 2), false},
            {10999, "", false},
            {11000, "", true},
        };
        InboundBuffer in;
        int handled = 0;
        for (const auto& s : steps) {
            const std::uint32_t now = start + s.ms;
            if (!s.bytes.empty()) InboundAppend(in, s.bytes.data(), s.bytes.size(), now);
            CutInboundFrames(in, 256, now, [&](const std::string&) { ++handled; });
            EXPECT_EQ(InboundStalled(in, now), s.stalled) << start << " + " << s.ms;
        }
        EXPECT_EQ(handled, 1);
    }
}
