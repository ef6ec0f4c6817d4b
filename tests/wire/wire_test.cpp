#include "wire/protocol.h"

#include <gtest/gtest.h>

template <std::size_t N> static std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

TEST(Frame, LengthTextAndZeroByteAndNoFrameForNoText) {
    EXPECT_EQ(EncodeFrame("Bob"), Bytes("\0\0\0\4Bob\0"));
    EXPECT_EQ(EncodeFrame(""), "");
    // A position carries a zero byte of its own, so its frame ends in two; floats have six digits.
    const std::string visible = "3|Bob|1234.57|-3|3|0|1|7|forest.map";
    EXPECT_EQ(EncodeFrame(BuildPositionMessage("Bob", 1234.5678f, -3, 3, 0, 1, 7, "forest.map")),
              Bytes("\0\0\0") + static_cast<char>(visible.size() + 2) + visible + Bytes("\0\0"));
}

// A body one byte short waits; an impossible length is refused before its body arrives.
TEST(Frame, CutsWholeFramesOnly) {
    using S = FrameStatus;
    const std::string second = EncodeFrame("2|Ann"), part = Bytes("\0\0\0\11xxxxxxxx");
    const std::tuple<std::string, S, std::string, std::string> cases[] = {
        {EncodeFrame("1|Ann|hi") + second, S::Complete, "1|Ann|hi", second},
        {second + part, S::Complete, "2|Ann", part},
        {part, S::Incomplete, "", ""},
        {Bytes("\0\0\0\5ab\0cd"), S::Complete, "ab", ""},
        {Bytes("\0\0\0\3xyz"), S::Complete, "xyz", ""},
        {Bytes("\0\0\0\1\0"), S::Complete, "", ""},
        {Bytes("\0\0\0\0"), S::Invalid, "", ""},
        {Bytes("\0\1\0\1"), S::Invalid, "", ""},
        {Bytes("\0\1\0\0"), S::Incomplete, "", ""}};
    for (const auto& [bytes, status, text, rest] : cases) {
        std::string buffer = bytes, cut;
        EXPECT_EQ(CutFrame(buffer, cut), status) << bytes.size() << " bytes";
        EXPECT_EQ(std::pair(cut, buffer), std::pair(text, status == S::Complete ? rest : bytes))
            << bytes.size();
    }
}

TEST(Messages, ChatAndMapChangeLayouts) {
    EXPECT_EQ(BuildChatMessage("Bob", "hello there", "main.map"), "1|Bob|hello there|main.map");
    EXPECT_EQ(BuildMapChangeMessage("Bob", "house.map"), "4|Bob|house.map");
}
