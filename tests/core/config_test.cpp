#include "core/config.h"

#include <gtest/gtest.h>

#include <sstream>

static ConfigVerdict Read(const std::string& text) {
    CONFIG_NICKNAME.clear(), CONFIG_SERVER.clear(), CONFIG_CHARACTER = 0, CONFIG_PORT = 0;
    std::istringstream in(text);
    return ReadConfigFrom(in);
}

// Every name is checked when read: a refusal ends reading there, so the port after it stays unread.
TEST(Config, RefusedNicknamesPrintWhy) {
    const std::pair<std::string, const char*> cases[] = {
        {"name=abcdefghij\nport=9\n", "Nickname too long."},
        {"name=abcdefghi\r\n", "Nickname too long."}, // nine letters and a carriage return
        {"name=Default\nname=Bob\nport=9\n", "Edit the client.cfg file!"},
        {"name=a|b\n", "Nickname may not contain '|'."},
        {std::string("name=a\0b\n", 9), "Nickname may not contain a zero byte."}};
    for (const auto& [text, shown] : cases) {
        EXPECT_STREQ(ConfigRefusalText(Read(text)), shown) << text;
        EXPECT_EQ(CONFIG_PORT, 0) << text;
    }
}
