#include "wire/protocol.h"

#include <gtest/gtest.h>

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

TEST(Frame, LoginOfBobIsEightBytes) {
    EXPECT_EQ(EncodeFrame("Bob"), Bytes({0, 0, 0, 4, 'B', 'o', 'b', 0}));
}

TEST(Frame, EmptyTextIsNeverFramed) {
    EXPECT_EQ(EncodeFrame(""), "");
}

TEST(Frame, PositionMessageCarriesTwoZeroBytes) {
    const std::string text = BuildPositionMessage("Ann", 10.5f, 5, 1, 1, 0, 2, "main.map");
    const std::string visible = "3|Ann|10.5|5|1|1|0|2|main.map";
    ASSERT_EQ(text, visible + std::string(1, '\0'));
    const std::string frame = EncodeFrame(text);
    const std::uint32_t len = static_cast<std::uint32_t>(visible.size() + 2);
    EXPECT_EQ(frame.substr(0, 4), Bytes({0, 0, 0, static_cast<int>(len)}));
    EXPECT_EQ(frame.size(), 4 + len);
    EXPECT_EQ(frame.substr(frame.size() - 2), std::string(2, '\0'));
}

TEST(Frame, CutsWholeFramesOnlyAndKeepsTheRest) {
    std::string buffer = EncodeFrame("1|Ann|hi") + EncodeFrame("2|Ann");
    const std::string second = EncodeFrame("2|Ann");
    std::string text;
    // Fed one byte at a time, a frame completes only with its last byte.
    std::string partial;
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        partial.push_back(buffer[i]);
        const FrameStatus status = CutFrame(partial, text);
        const bool frameEnds = i + 1 == buffer.size() - second.size() || i + 1 == buffer.size();
        EXPECT_EQ(status, frameEnds ? FrameStatus::Complete : FrameStatus::Incomplete) << "at byte " << i;
    }
    EXPECT_EQ(text, "2|Ann");
    EXPECT_TRUE(partial.empty());

    ASSERT_EQ(CutFrame(buffer, text), FrameStatus::Complete);
    EXPECT_EQ(text, "1|Ann|hi");
    ASSERT_EQ(CutFrame(buffer, text), FrameStatus::Complete);
    EXPECT_EQ(text, "2|Ann");
    EXPECT_EQ(CutFrame(buffer, text), FrameStatus::Incomplete);
}

TEST(Frame, TextEndsAtTheFirstZeroByteOrTheBodyEnd) {
    std::string text;
    std::string withZero = Bytes({0, 0, 0, 5, 'a', 'b', 0, 'c', 'd'});
    ASSERT_EQ(CutFrame(withZero, text), FrameStatus::Complete);
    EXPECT_EQ(text, "ab");
    std::string noZero = Bytes({0, 0, 0, 3, 'x', 'y', 'z'});
    ASSERT_EQ(CutFrame(noZero, text), FrameStatus::Complete);
    EXPECT_EQ(text, "xyz");
    std::string emptyText = Bytes({0, 0, 0, 1, 0});
    ASSERT_EQ(CutFrame(emptyText, text), FrameStatus::Complete);
    EXPECT_EQ(text, "");
}

TEST(Frame, ImpossibleLengthsAreRefusedBeforeTheBodyArrives) {
    std::string text;
    std::string zero = Bytes({0, 0, 0, 0});
    EXPECT_EQ(CutFrame(zero, text), FrameStatus::Invalid);
    std::string huge = Bytes({0x7f, 0xff, 0xff, 0xff});
    EXPECT_EQ(CutFrame(huge, text), FrameStatus::Invalid);
    std::string justOver = Bytes({0, 1, 0, 1});
    EXPECT_EQ(CutFrame(justOver, text), FrameStatus::Invalid);
    std::string limit = Bytes({0, 1, 0, 0}); // exactly MAX_FRAME_BODY: allowed, waits for its body
    EXPECT_EQ(CutFrame(limit, text), FrameStatus::Incomplete);
}

TEST(Numbers, FloatsUseSixSignificantDigits) {
    EXPECT_EQ(FormatFloat(320), "320");
    EXPECT_EQ(FormatFloat(12.5), "12.5");
    EXPECT_EQ(FormatFloat(1234.5678), "1234.57");
    EXPECT_EQ(FormatFloat(0.00001), "1e-05");
    EXPECT_EQ(FormatFloat(2000000), "2e+06");
    EXPECT_EQ(FormatFloat(-0.5), "-0.5");
    // The single-precision position 0.1 goes out widened, as six digits.
    EXPECT_EQ(FormatFloat(0.1f), "0.1");
}

TEST(Messages, OutboundLayouts) {
    EXPECT_EQ(BuildChatMessage("Bob", "hello there", "main.map"), "1|Bob|hello there|main.map");
    EXPECT_EQ(BuildMapChangeMessage("Bob", "house.map"), "4|Bob|house.map");
    EXPECT_EQ(BuildPositionMessage("Bob", 1234.5678f, -3, 3, 0, 1, 7, "forest.map"),
              std::string("3|Bob|1234.57|-3|3|0|1|7|forest.map") + '\0');
}

} // namespace
