// A plain reference reading of a message's fields, written apart from the game's tokenizer so
// that the harnesses can check the game's answers against it.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

// The "|"-separated fields of text, padded with empty fields to at least ten (the most any
// message has), so a harness can index them without checking the count.
inline std::vector<std::string> MessageFields(const std::string& text) {
    std::vector<std::string> fields(1);
    for (const char c : text) {
        if (c == '|')
            fields.emplace_back();
        else
            fields.back().push_back(c);
    }
    fields.resize(std::max<std::size_t>(fields.size(), 10));
    return fields;
}
