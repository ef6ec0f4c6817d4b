// The tokenizer against a plain split written the slow, obvious way: every piece, every number.
// Input: one byte (low two bits + 1 = delimiter length), the delimiter, then the message.
#include "wire/tokenizer.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Every piece between delimiters, found by comparing at each position; one piece for "".
static std::vector<std::string> Split(const std::string& text, const std::string& delim) {
    std::vector<std::string> pieces(1);
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.size() - i >= delim.size() &&
            std::memcmp(text.data() + i, delim.data(), delim.size()) == 0) {
            pieces.emplace_back();
            i += delim.size();
        } else {
            pieces.back().push_back(text[i++]);
        }
    }
    return pieces;
}

// atoi that saturates: what the game promises for numbers beyond an int.
static int ReferenceInt(const std::string& token) {
    const long long value = std::strtoll(token.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

static bool SameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t delimlen = (data[0] & 3u) + 1;
    if (size < 1 + delimlen) return 0;
    const std::string delim(reinterpret_cast<const char*>(data + 1), delimlen);
    const std::string message(reinterpret_cast<const char*>(data + 1 + delimlen), size - 1 - delimlen);
    const std::vector<std::string> pieces = Split(message, delim);
    // The pieces, then nothing: the first pieces.size() calls, and a few past the end.
    {
        StringTokenizer tokens(message, delim);
        for (const std::string& piece : pieces) {
            if (tokens.nextToken() != piece) std::abort();
        }
        for (int i = 0; i < 3; ++i) {
            if (!tokens.nextToken().empty()) std::abort();
        }
    }
    // The same pieces read as numbers, each by its own conversion chosen by the first byte.
    {
        StringTokenizer tokens(message, delim);
        for (std::size_t i = 0; i < pieces.size() + 2; ++i) {
            const std::string piece = i < pieces.size() ? pieces[i] : std::string();
            if ((data[0] >> (2 + i % 6)) & 1u) {
                if (!SameDouble(tokens.nextFloatToken(), std::atof(piece.c_str()))) std::abort();
            } else {
                if (tokens.nextIntToken() != ReferenceInt(piece)) std::abort();
            }
        }
    }
    return 0;
}
