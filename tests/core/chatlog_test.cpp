#include "core/chatlog.h"

#include <gtest/gtest.h>

static void Type(const std::string& text) {
    for (char c : text)
        AddToBuffer(c);
}

// The line takes a character while it is at most 58 minus the name's length long. Only the bar and
// the zero character are refused: either would cut the line short on the wire.
TEST(ChatLine, LengthDependsOnTheNicknameAndOnlyTheBarAndZeroAreRefused) {
    for (auto [nick, longest] : {std::pair{"", 59u}, {"Anna", 55u}, {"Ninechars", 50u}}) {
        FlushBuffer();
        SetNickName(nick);
        Type(std::string(longest - 1, 'a') + "bc" + std::string(20, 'd'));
        EXPECT_EQ(chatstring, std::string(longest - 1, 'a') + "b") << nick;
    }
    FlushBuffer(); // the name stays Ninechars
    BackOne();     // on an empty line: nothing at all
    // The refused characters use up no room; after a full line, Backspace makes room for one more.
    Type(std::string("a|b||c\x01\x1f\x7fx\0", 11) + std::string(42, 'a') + "|b");
    BackOne();
    Type("zz");
    EXPECT_EQ(chatstring, "abc\x01\x1f\x7fx" + std::string(42, 'a') + "z");
}

// A relayed line longer than the panel shows is kept only as far as it shows.
TEST(ChatLog, ScrollsKeepsWhatALineCanShowAndFlushEmptiesAllButName) {
    const std::string shown(CHAT_LOG_LINE_CHARS, 'x'), huge = "Ann: " + std::string(60000, 'z');
    for (const std::string& line :
         {std::string("one"), shown, shown + "y", huge, std::string("five"), std::string("six")})
        WriteMessage(line);
    using Log = std::vector<std::string>;
    EXPECT_EQ(Log(chatbuffer, chatbuffer + CHAT_LOG_LINES),
              Log({"six", "five", huge.substr(0, CHAT_LOG_LINE_CHARS), shown, shown}));
    SetNickName("Ann");
    Type("x");
    FlushBuffer();
    EXPECT_EQ(std::tuple(chatstring, GetNickName(), Log(chatbuffer, chatbuffer + CHAT_LOG_LINES)),
              std::tuple("", "Ann", Log(CHAT_LOG_LINES, "")));
}
