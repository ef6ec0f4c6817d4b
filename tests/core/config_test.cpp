#include "core/config.h"

#include <gtest/gtest.h>

#include <sstream>

static ConfigVerdict Read(const std::string& text) {
    CONFIG_NICKNAME.clear(), CONFIG_SERVER.clear(), CONFIG_CHARACTER = 0, CONFIG_PORT = 0;
    std::istringstream in(text);
    return ReadConfigFrom(in);
}

TEST(Config, KeysAndValues) {
    const std::tuple<std::string, std::string, std::string, int, int> cases[] = {
        {"port=7457\nserver=example.org\ncharacter=3\nname=Bob\n", "Bob", "example.org", 3, 7457},
        {"name = Bob\nNAME=Ann\n# name=Eve\nserver= host\n", "", " host", 0, 0},
        {"server=a=b\nport=42", "", "a", 0, 42},
        {"character=3x\nport=5\nport=\n", "", "", 3, 0},
        {"name=default\nport=1\nname=abcdefghi\nport=2\nname=\n", "", "", 0, 2},
        {"name=Default\r\nport=7457\r\nserver=host\r\n", "Default\r", "host\r", 0, 7457},
        {"", "", "", 0, 0}};
    for (const auto& [text, name, server, character, port] : cases) {
        EXPECT_EQ(Read(text), ConfigVerdict::Accepted) << text;
        EXPECT_EQ(std::tuple(CONFIG_NICKNAME, CONFIG_SERVER, CONFIG_CHARACTER, CONFIG_PORT),
                  std::tuple(name, server, character, port))
            << text;
    }
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
