#include "core/config.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

class Config : public ::testing::Test {
  protected:
    void SetUp() override {
        CONFIG_NICKNAME.clear();
        CONFIG_SERVER.clear();
        CONFIG_CHARACTER = 0;
        CONFIG_PORT = 0;
    }
    ConfigVerdict Read(const std::string& text) {
        std::istringstream in(text);
        return ReadConfigFrom(in);
    }
};

TEST_F(Config, ReadsTheFourKeysInAnyOrder) {
    EXPECT_EQ(Read("port=7457\nserver=example.org\ncharacter=3\nname=Bob\n"), ConfigVerdict::Accepted);
    EXPECT_EQ(CONFIG_NICKNAME, "Bob");
    EXPECT_EQ(CONFIG_SERVER, "example.org");
    EXPECT_EQ(CONFIG_CHARACTER, 3);
    EXPECT_EQ(CONFIG_PORT, 7457);
}

TEST_F(Config, KeysAreExactAndValuesKeepTheirSpaces) {
    EXPECT_EQ(Read("name = Bob\nNAME=Ann\n# name=Eve\nserver= host\n"), ConfigVerdict::Accepted);
    EXPECT_EQ(CONFIG_NICKNAME, "");
    EXPECT_EQ(CONFIG_SERVER, " host");
}

TEST_F(Config, ValueStopsAtTheSecondEqualsSign) {
    Read("server=a=b\n");
    EXPECT_EQ(CONFIG_SERVER, "a");
}

TEST_F(Config, NumbersTakeTheirLeadingDigits) {
    Read("port=5000x\ncharacter=abc\n");
    EXPECT_EQ(CONFIG_PORT, 5000);
    EXPECT_EQ(CONFIG_CHARACTER, 0);
    Read("port=\n");
    EXPECT_EQ(CONFIG_PORT, 0);
}

TEST_F(Config, NicknameLengthLimitIsNineBytes) {
    EXPECT_EQ(Read("name=abcdefghi\n"), ConfigVerdict::Accepted);
    EXPECT_EQ(Read("name=abcdefghij\n"), ConfigVerdict::NicknameTooLong);
    EXPECT_STREQ(ConfigRefusalText(ConfigVerdict::NicknameTooLong), "Nickname too long.");
}

TEST_F(Config, PlaceholderNameIsRefusedExactly) {
    EXPECT_EQ(Read("name=Default\n"), ConfigVerdict::NicknameIsDefault);
    EXPECT_STREQ(ConfigRefusalText(ConfigVerdict::NicknameIsDefault), "Edit the client.cfg file!");
    EXPECT_EQ(Read("name=default\n"), ConfigVerdict::Accepted);
}

TEST_F(Config, NicknameWithABarIsRefused) {
    EXPECT_EQ(Read("name=a|b\n"), ConfigVerdict::NicknameHasBar);
    EXPECT_STREQ(ConfigRefusalText(ConfigVerdict::NicknameHasBar), "Nickname may not contain '|'.");
}

// Both would cut every outbound message short at the nickname.
TEST_F(Config, NicknameWithAZeroByteIsRefusedLikeABar) {
    EXPECT_EQ(Read(std::string("name=a\0b\n", 9)), ConfigVerdict::NicknameHasZero);
    EXPECT_EQ(Read(std::string("name=\0\nname=Bob\n", 15)), ConfigVerdict::NicknameHasZero);
    EXPECT_STREQ(ConfigRefusalText(ConfigVerdict::NicknameHasZero), "Nickname may not contain a zero byte.");
}

TEST_F(Config, EmptyNameIsAccepted) {
    EXPECT_EQ(Read("name=\n"), ConfigVerdict::Accepted);
    EXPECT_EQ(Read("name\n"), ConfigVerdict::Accepted);
    EXPECT_EQ(CONFIG_NICKNAME, "");
}

TEST_F(Config, LastLineWinsButEveryNameIsCheckedWhenRead) {
    EXPECT_EQ(Read("name=Ann\nport=1\nname=Bob\nport=2\n"), ConfigVerdict::Accepted);
    EXPECT_EQ(CONFIG_NICKNAME, "Bob");
    EXPECT_EQ(CONFIG_PORT, 2);
    // A refused first name ends reading there, whatever follows.
    EXPECT_EQ(Read("name=Default\nname=Bob\nport=9\n"), ConfigVerdict::NicknameIsDefault);
    EXPECT_EQ(CONFIG_PORT, 2);
}

TEST_F(Config, CarriageReturnsStayInTheValues) {
    EXPECT_EQ(Read("name=Default\r\nport=7457\r\nserver=host\r\n"), ConfigVerdict::Accepted);
    EXPECT_EQ(CONFIG_NICKNAME, "Default\r");
    EXPECT_EQ(CONFIG_PORT, 7457);
    EXPECT_EQ(CONFIG_SERVER, "host\r");
    // One character more: nine visible letters and the carriage return are too long.
    EXPECT_EQ(Read("name=abcdefghi\r\n"), ConfigVerdict::NicknameTooLong);
}

TEST_F(Config, LastLineWithoutLineFeedCounts) {
    Read("name=Bob\nport=42");
    EXPECT_EQ(CONFIG_PORT, 42);
}

TEST_F(Config, EmptyFileLeavesTheStartValues) {
    EXPECT_EQ(Read(""), ConfigVerdict::Accepted);
    EXPECT_EQ(CONFIG_NICKNAME, "");
    EXPECT_EQ(CONFIG_PORT, 0);
}

} // namespace
