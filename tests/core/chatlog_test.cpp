// The typed chat line and the five-line log, without a window.
#include "core/chatlog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ChatBuffer : public ::testing::Test {
  protected:
    void SetUp() override {
        FlushBuffer();
        SetNickName("");
    }
    static void Type(const std::string& text) {
        for (char c : text)
            AddToBuffer(c);
    }
};

// The line takes a character while it is at most 58 minus the name's length long.
TEST_F(ChatBuffer, LineLengthDependsOnTheNickname) {
    for (auto [nick, longest] : {std::pair{"Ninechars", 50u}, {"Anna", 55u}, {"", 59u}}) {
        FlushBuffer();
        SetNickName(nick);
        Type(std::string(longest - 1, 'a') + "bc" + std::string(20, 'd'));
        EXPECT_EQ(chatstring, std::string(longest - 1, 'a') + "b") << nick;
    }
    // A refused bar uses up no room; after a full line, Backspace makes room for exactly one more.
    FlushBuffer();
    SetNickName("Ninechars");
    Type(std::string(49, 'a') + "|b");
    BackOne();
    Type("zz");
    EXPECT_EQ(chatstring, std::string(49, 'a') + "z");
}

TEST_F(ChatBuffer, BackspaceAndTheRefusedCharacters) {
    WriteMessage("Bob: hi");
    BackOne(); // on an empty line: nothing at all
    EXPECT_EQ(chatstring, "");
    EXPECT_EQ(chatbuffer[0], "Bob: hi");
    // Only the bar and the zero character are refused: either would cut the line short on the wire.
    Type("a|b||c\x01\x1f\x7fx");
    AddToBuffer('\0');
    BackOne();
    AddToBuffer('d');
    EXPECT_EQ(chatstring, "abc\x01\x1f\x7f"
                          "d");
}

TEST_F(ChatBuffer, SixLinesScrollTheOldestOutAndFlushEmptiesAllButName) {
    for (const char* line : {"one", "two", "three", "four", "five", "six"})
        WriteMessage(line);
    const char* expected[CHAT_LOG_LINES] = {"six", "five", "four", "three", "two"};
    for (int i = 0; i < CHAT_LOG_LINES; i++)
        EXPECT_EQ(chatbuffer[i], expected[i]) << "line " << i;

    SetNickName("Ann");
    Type("x");
    FlushBuffer();
    EXPECT_EQ(chatstring, "");
    for (const std::string& line : chatbuffer)
        EXPECT_EQ(line, "");
    EXPECT_EQ(GetNickName(), "Ann");
}

// A relayed line longer than the panel shows is kept only as far as it shows.
TEST_F(ChatBuffer, LogLinesKeepWhatALogLineCanShow) {
    const std::string shown(CHAT_LOG_LINE_CHARS, 'x');
    for (const std::string& line : {shown, shown + "y", std::string("Ann: ") + std::string(60000, 'z')}) {
        WriteMessage(line);
        EXPECT_EQ(chatbuffer[0], line.substr(0, CHAT_LOG_LINE_CHARS));
    }
    WriteMessage("short");
    EXPECT_EQ(chatbuffer[0], "short");
}

} // namespace
