// The typed chat line and the five-line log, without a window.
#include "chat/chat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ChatBuffer : public ::testing::Test {
  protected:
    void SetUp() override {
        FlushBuffer();
        SetNickName("");
        chat = 0;
    }
    // Types count copies of c, the way the key handling feeds the line.
    static void Type(char c, int count) {
        for (int i = 0; i < count; i++) AddToBuffer(c);
    }
};

TEST_F(ChatBuffer, LineLengthDependsOnTheNickname) {
    SetNickName("Ninechars");
    Type('a', 49);
    ASSERT_EQ(chatstring.size(), 49u);
    AddToBuffer('b');
    EXPECT_EQ(chatstring.size(), 50u) << "the 50th character is still taken";
    EXPECT_EQ(chatstring.back(), 'b');
    AddToBuffer('c');
    Type('d', 20);
    EXPECT_EQ(chatstring, std::string(49, 'a') + "b") << "everything after the 50th is dropped";

    FlushBuffer();
    SetNickName("Anna");
    Type('x', 100);
    EXPECT_EQ(chatstring.size(), 55u);

    FlushBuffer();
    SetNickName("");
    Type('x', 100);
    EXPECT_EQ(chatstring.size(), 59u);
}

TEST_F(ChatBuffer, BackspaceRemovesTheLastCharacterAndIgnoresAnEmptyLine) {
    SetNickName("Ann");
    WriteMessage("Bob: hi");
    BackOne();
    EXPECT_EQ(chatstring, "");
    EXPECT_EQ(chatbuffer[0], "Bob: hi") << "backspace on an empty line touches nothing else";
    EXPECT_EQ(GetNickName(), "Ann");

    AddToBuffer('h');
    AddToBuffer('e');
    AddToBuffer('y');
    BackOne();
    EXPECT_EQ(chatstring, "he");
    BackOne();
    BackOne();
    BackOne();
    EXPECT_EQ(chatstring, "");
    // After a full line, backspace makes room for exactly one more character.
    SetNickName("Ninechars");
    Type('a', 60);
    BackOne();
    AddToBuffer('z');
    AddToBuffer('z');
    EXPECT_EQ(chatstring, std::string(49, 'a') + "z");
}

TEST_F(ChatBuffer, BarIsRefusedButOtherKeyCodesAreTyped) {
    // The key handling passes every code from 1 to 127 except Backspace and Enter.
    std::string expected;
    for (int code = 1; code <= 127; code++) {
        if (code == 8 || code == 13) continue;
        AddToBuffer(char(code));
        if (code != '|') expected += char(code);
    }
    // 124 acceptable codes are more than the 59 an empty name allows.
    EXPECT_EQ(chatstring, expected.substr(0, 59));
    // The upper codes, bar included, fit into one line.
    FlushBuffer();
    expected.clear();
    for (int code = 70; code <= 127; code++) {
        AddToBuffer(char(code));
        if (code != '|') expected += char(code);
    }
    EXPECT_EQ(expected.size(), 57u);
    EXPECT_EQ(chatstring, expected);
    EXPECT_EQ(chatstring.find('|'), std::string::npos);

    FlushBuffer();
    for (char c : std::string("a|b||c")) AddToBuffer(c);
    AddToBuffer('\0');
    EXPECT_EQ(chatstring, "abc");
    EXPECT_EQ(chatstring.size(), 3u);
}

TEST_F(ChatBuffer, RefusedBarDoesNotUseUpRoom) {
    SetNickName("Ninechars");
    Type('a', 49);
    AddToBuffer('|');
    AddToBuffer('b');
    EXPECT_EQ(chatstring, std::string(49, 'a') + "b");
}

TEST_F(ChatBuffer, LogKeepsTheFiveNewestLinesNewestFirst) {
    for (const std::string& line : chatbuffer) EXPECT_EQ(line, "");
    WriteMessage("one");
    EXPECT_EQ(chatbuffer[0], "one");
    for (int i = 1; i < CHAT_LOG_LINES; i++) EXPECT_EQ(chatbuffer[i], "");
    WriteMessage("two");
    WriteMessage("three");
    WriteMessage("four");
    WriteMessage("five");
    EXPECT_EQ(chatbuffer[0], "five");
    EXPECT_EQ(chatbuffer[4], "one");
    WriteMessage("six");
    const char* expected[CHAT_LOG_LINES] = {"six", "five", "four", "three", "two"};
    for (int i = 0; i < CHAT_LOG_LINES; i++) EXPECT_EQ(chatbuffer[i], expected[i]) << "line " << i;
    // A line is kept as given, even empty or with characters the typed line refuses.
    WriteMessage("");
    WriteMessage("Ann: a|b");
    EXPECT_EQ(chatbuffer[0], "Ann: a|b");
    EXPECT_EQ(chatbuffer[1], "");
    EXPECT_EQ(chatbuffer[2], "six");
    EXPECT_EQ(chatbuffer[4], "four");
}

TEST_F(ChatBuffer, FlushEmptiesLineAndLogButKeepsNameAndFlag) {
    SetNickName("Ann");
    chat = 1;
    AddToBuffer('x');
    for (int i = 0; i < 7; i++) WriteMessage("line " + std::to_string(i));
    FlushBuffer();
    EXPECT_EQ(chatstring, "");
    for (const std::string& line : chatbuffer) EXPECT_EQ(line, "");
    EXPECT_EQ(GetNickName(), "Ann");
    EXPECT_EQ(chat, 1);
}

} // namespace
