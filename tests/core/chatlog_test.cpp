// The typed chat line and the five-line log, without a window.
#include "core/chatlog.h"

#include <gtest/gtest.h>

#include <string>

struct ChatBuffer : ::testing::Test {
    void SetUp() override { FlushBuffer(); }
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
    Type(std::string("a|b||c\x01\x1f\x7fx\0", 11));
    BackOne();
    AddToBuffer('d');
    EXPECT_EQ(chatstring, "abc\x01\x1f\x7f"
                          "d");
}

// Six lines scroll the oldest out; a relayed line longer than the panel shows is kept only as far
// as it shows. Flushing empties the line and the log but keeps the name.
TEST_F(ChatBuffer, LogScrollsKeepsWhatALineCanShowAndFlushEmptiesAllButName) {
    const std::string shown(CHAT_LOG_LINE_CHARS, 'x'), huge = "Ann: " + std::string(60000, 'z');
    for (const std::string& line :
         {std::string("one"), shown, shown + "y", huge, std::string("five"), std::string("six")})
        WriteMessage(line);
    const std::string expected[CHAT_LOG_LINES] = {"six", "five", huge.substr(0, CHAT_LOG_LINE_CHARS), shown,
                                                  shown};
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
