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

// A number no int holds is clamped, not wrapped: it comes from a peer or a damaged file.
TEST(Tokenizer, IntegersSaturateAtTheIntLimits) {
    StringTokenizer ints("-7|99999999999|-99999999999", "|");
    for (int expected : {-7, 2147483647, -2147483647 - 1})
        EXPECT_EQ(ints.nextIntToken(), expected);
}
