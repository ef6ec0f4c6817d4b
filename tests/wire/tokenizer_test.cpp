#include "wire/tokenizer.h"

#include <gtest/gtest.h>

TEST(Tokenizer, Splits) {
    const std::tuple<std::string, std::string, std::vector<std::string>> cases[] = {
        {"a|b|c", "|", {"a", "b", "c", "", ""}},
        {"a||b", "|", {"a", "", "b"}},
        {"|a", "|", {"", "a"}},
        {"a|", "|", {"a", "", ""}},
        {"", "|", {"", ""}},
        {"a==b=c", "==", {"a", "b=c", ""}}};
    for (const auto& [text, delim, tokens] : cases) {
        StringTokenizer t(text, delim);
        for (const std::string& token : tokens)
            EXPECT_EQ(t.nextToken(), token) << text;
    }
}

TEST(Tokenizer, ConvertsNumbers) {
    StringTokenizer ints(" 42|42xyz|-7||x|99999999999|-99999999999", "|");
    for (int expected : {42, 42, -7, 0, 0, 2147483647, -2147483647 - 1, 0})
        EXPECT_EQ(ints.nextIntToken(), expected);
    StringTokenizer floats("1.5|-2|3e2|1e-05|", "|");
    for (double expected : {1.5, -2.0, 300.0, 0.00001, 0.0})
        EXPECT_DOUBLE_EQ(floats.nextFloatToken(), expected);
}
