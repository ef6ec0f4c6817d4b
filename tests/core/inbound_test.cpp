#include "core/inbound.h"

#include <gtest/gtest.h>

// Delivers stream in segments of the given sizes (the last repeats) while the pump wants bytes, until
// all is handled or a length is impossible; the texts handled, in order, and the most bytes held.
static std::vector<std::string> Pump(const std::string& stream, std::vector<std::size_t> sizes, int perturn,
                                     std::size_t* largest = nullptr) {
    InboundBuffer in;
    std::vector<std::string> handled;
    std::size_t sent = 0, which = 0;
    for (int turn = 0; turn < 100000 && (sent < stream.size() || InboundWaiting(in) > 0); ++turn) {
        if (sent < stream.size() && InboundWantsBytes(in)) {
            const std::size_t n = std::min(sizes[std::min(which++, sizes.size() - 1)], stream.size() - sent);
            InboundAppend(in, stream.data() + sent, n, 0);
            sent += n;
        }
        if (largest) *largest = std::max(*largest, in.bytes.size());
        const InboundTurn result =
            CutInboundFrames(in, perturn, 0, [&](const std::string& text) { handled.push_back(text); });
        if (result.stopped == FrameStatus::Invalid) {
            handled.push_back("invalid after " + std::to_string(result.handled));
            break;
        }
    }
    return handled;
}

TEST(Inbound, EveryFrameIsHandledOnceInArrivalOrderHoweverTheSegmentsFall) {
    std::vector<std::string> texts;
    for (int i = 0; i < 40; ++i)
        texts.push_back("3|P" + std::to_string(i) + "|1.5|2");
    texts[20] = std::string(MAX_FRAME_BODY - 1, 'x'); // the largest frame must never wait for a read
    std::string stream;
    for (const std::string& text : texts)
        stream += EncodeFrame(text);
    // One segment, also three frames a turn; a split inside a prefix; splits inside bodies; a byte at a
    // time; one frame and a bit a turn.
    const std::pair<std::vector<std::size_t>, int> cases[] = {
        {{stream.size()}, 256},  {{stream.size()}, 3}, {{2, stream.size()}, 256},
        {{37, 5, 101, 64}, 256}, {{1}, 256},           {{EncodeFrame(texts[0]).size() + 1}, 1}};
    for (const auto& [sizes, perturn] : cases)
        EXPECT_EQ(Pump(stream, sizes, perturn), texts) << sizes[0] << " bytes, " << perturn << " a turn";
}

// Far more bytes than one receive, in frames so small that a turn cannot handle one receive's worth.
TEST(Inbound, AFloodOfSmallFramesKeepsTheBufferUnderTwoReceivesAndLosesNothing) {
    const std::string frame = EncodeFrame("2|x");
    std::string stream;
    while (stream.size() < 10 * INBOUND_RECEIVE_CHUNK)
        stream += frame;
    std::size_t largest = 0;
    EXPECT_EQ(Pump(stream, {INBOUND_RECEIVE_CHUNK}, 256, &largest),
              std::vector<std::string>(stream.size() / frame.size(), "2|x"));
    EXPECT_LE(largest, 2 * INBOUND_RECEIVE_CHUNK);
}

TEST(Inbound, AnImpossibleLengthStopsTheTurnAndIsReported) {
    const std::string good = EncodeFrame("1|Ann|hi");
    EXPECT_EQ(Pump(good + std::string(4, '\0') + good, {100}, 256),
              (std::vector<std::string>{"1|Ann|hi", "invalid after 1"}));
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
