#include "wire/tokenizer.h"

#include <cstdlib>
#include <utility>

StringTokenizer::StringTokenizer(std::string message, std::string deliminator)
    : tokenstr(std::move(message)), delim(std::move(deliminator)) {}

std::string StringTokenizer::nextToken() {
    if (tokenstr.empty()) return std::string();
    const std::string::size_type pos = tokenstr.find(delim);
    std::string token;
    if (pos == std::string::npos) {
        token.swap(tokenstr);
    } else {
        token = tokenstr.substr(0, pos);
        tokenstr.erase(0, pos + delim.size());
    }
    return token;
}

int StringTokenizer::nextIntToken() {
    // strtol saturates instead of overflowing, which is what we want for
    // numbers that come from a hostile peer or a damaged file.
    const std::string token = nextToken();
    const long value = std::strtol(token.c_str(), nullptr, 10);
    if (value > 2147483647L) return 2147483647;
    if (value < -2147483647L - 1) return -2147483647 - 1;
    return static_cast<int>(value);
}

double StringTokenizer::nextFloatToken() {
    return std::atof(nextToken().c_str());
}
