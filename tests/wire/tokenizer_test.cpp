#include "wire/tokenizer.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Tokens(const std::string& text, const std::string& delim, int count) {
    StringTokenizer t(text, delim);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back(t.nextToken());
    return out;
}

TEST(Tokenizer, SplitsAtEveryDelimiterWithoutCollapsingOrTrimming) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Tokens("a|b|c", "|", 5), (V{"a", "b", "c", "", ""}));
    EXPECT_EQ(Tokens("a||b", "|", 3), (V{"a", "", "b"}));
    EXPECT_EQ(Tokens("|a", "|", 2), (V{"", "a"}));
    EXPECT_EQ(Tokens("a|", "|", 3), (V{"a", "", ""}));
    EXPECT_EQ(Tokens("", "|", 2), (V{"", ""}));
    EXPECT_EQ(Tokens("name = Bob", "=", 2), (V{"name ", " Bob"}));
}

TEST(Tokenizer, MatchesAMultiCharacterDelimiterAsAWhole) {
    EXPECT_EQ(Tokens("a==b=c", "==", 3), (std::vector<std::string>{"a", "b=c", ""}));
}

TEST(Tokenizer, ConvertsNumbersFromTheStartOfEachToken) {
    StringTokenizer ints(" 42|42xyz|-7||x", "|");
    EXPECT_EQ(ints.nextIntToken(), 42);
    EXPECT_EQ(ints.nextIntToken(), 42);
    EXPECT_EQ(ints.nextIntToken(), -7);
    EXPECT_EQ(ints.nextIntToken(), 0);
    EXPECT_EQ(ints.nextIntToken(), 0);
    EXPECT_EQ(ints.nextIntToken(), 0); // exhausted

    StringTokenizer floats("1.5|-2|3e2|1e-05|", "|");
    EXPECT_DOUBLE_EQ(floats.nextFloatToken(), 1.5);
    EXPECT_DOUBLE_EQ(floats.nextFloatToken(), -2.0);
    EXPECT_DOUBLE_EQ(floats.nextFloatToken(), 300.0);
    EXPECT_DOUBLE_EQ(floats.nextFloatToken(), 0.00001);
    EXPECT_DOUBLE_EQ(floats.nextFloatToken(), 0.0);
}

TEST(Tokenizer, SaturatesIntegersBeyondThirtyTwoBits) {
    StringTokenizer t("99999999999|-99999999999", "|");
    EXPECT_EQ(t.nextIntToken(), 2147483647);
    EXPECT_EQ(t.nextIntToken(), -2147483647 - 1);
}

} // namespace
