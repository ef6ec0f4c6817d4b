#include "core/config.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// Each text read from the start values; a refused file is checked for where reading stopped (port).
TEST(Config, KeysValuesAndRefusedNicknames) {
    using V = ConfigVerdict;
    const struct {
        std::string text;
        V verdict;
        std::string name, server;
        int character, port;
    } cases[] = {
        {"port=7457\nserver=example.org\ncharacter=3\nname=Bob\n", V::Accepted, "Bob", "example.org", 3,
         7457},
        // Keys are exact, values keep their spaces and stop at a second equals sign.
        {"name = Bob\nNAME=Ann\n# name=Eve\nserver= host\n", V::Accepted, "", " host", 0, 0},
        {"server=a=b\n", V::Accepted, "", "a", 0, 0},
        // Numbers take their leading digits.
        {"port=5000x\ncharacter=abc\n", V::Accepted, "", "", 0, 5000},
        {"port=5\nport=\n", V::Accepted, "", "", 0, 0},
        {"name=abcdefghi\n", V::Accepted, "abcdefghi", "", 0, 0},
        {"name=abcdefghij\n", V::NicknameTooLong, "", "", 0, 0},
        {"name=Default\n", V::NicknameIsDefault, "", "", 0, 0},
        {"name=default\n", V::Accepted, "default", "", 0, 0},
        {"name=a|b\n", V::NicknameHasBar, "", "", 0, 0},
        // A zero byte would cut every outbound message short at the nickname, like a bar.
        {std::string("name=a\0b\n", 9), V::NicknameHasZero, "", "", 0, 0},
        {std::string("name=\0\nname=Bob\n", 15), V::NicknameHasZero, "", "", 0, 0},
        {"name=Bob\nname=\n", V::Accepted, "", "", 0, 0},
        {"name\n", V::Accepted, "", "", 0, 0},
        // The last line wins, but every name is checked when read: a refusal ends reading there.
        {"name=Ann\nport=1\nname=Bob\nport=2\n", V::Accepted, "Bob", "", 0, 2},
        {"name=Default\nname=Bob\nport=9\n", V::NicknameIsDefault, "", "", 0, 0},
        // Carriage returns stay in the values: nine letters and a CR are too long.
        {"name=Default\r\nport=7457\r\nserver=host\r\n", V::Accepted, "Default\r", "host\r", 0, 7457},
        {"name=abcdefghi\r\n", V::NicknameTooLong, "", "", 0, 0},
        {"name=Bob\nport=42", V::Accepted, "Bob", "", 0, 42},
        {"", V::Accepted, "", "", 0, 0},
    };
    for (const auto& c : cases) {
        CONFIG_NICKNAME.clear(), CONFIG_SERVER.clear(), CONFIG_CHARACTER = 0, CONFIG_PORT = 0;
        std::istringstream in(c.text);
        EXPECT_EQ(ReadConfigFrom(in), c.verdict) << c.text;
        EXPECT_EQ(CONFIG_PORT, c.port) << c.text;
        if (c.verdict != V::Accepted) continue;
        EXPECT_EQ(std::tuple(CONFIG_NICKNAME, CONFIG_SERVER, CONFIG_CHARACTER),
                  std::tuple(c.name, c.server, c.character))
            << c.text;
    }
    const std::pair<V, const char*> texts[] = {{V::NicknameTooLong, "Nickname too long."},
                                               {V::NicknameIsDefault, "Edit the client.cfg file!"},
                                               {V::NicknameHasBar, "Nickname may not contain '|'."},
                                               {V::NicknameHasZero, "Nickname may not contain a zero byte."}};
    for (const auto& [verdict, text] : texts)
        EXPECT_STREQ(ConfigRefusalText(verdict), text);
}

} // namespace
