// client.cfg as any bytes: the settings and the nickname verdict against a line-by-line reading
// written from the file's rules, without the tokenizer.
#include "core/config.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

namespace {
struct Settings {
    std::string nickname, server;
    int character = 0, port = 0;
    ConfigVerdict verdict = ConfigVerdict::Accepted;
};

int Number(const std::string& value) {
    const long long n = std::strtoll(value.c_str(), nullptr, 10);
    return n > INT_MAX ? INT_MAX : n < INT_MIN ? INT_MIN : static_cast<int>(n);
}

ConfigVerdict Judge(const std::string& name) {
    if (name.size() > MAX_NICKNAME_LENGTH) return ConfigVerdict::NicknameTooLong;
    if (name == "Default") return ConfigVerdict::NicknameIsDefault;
    if (name.find('|') != std::string::npos) return ConfigVerdict::NicknameHasBar;
    if (name.find('\0') != std::string::npos) return ConfigVerdict::NicknameHasZero;
    return ConfigVerdict::Accepted;
}

Settings Expected(const std::string& file) {
    Settings s;
    std::size_t start = 0;
    while (start < file.size()) {
        std::size_t end = file.find('\n', start);
        if (end == std::string::npos) end = file.size();
        const std::string line = file.substr(start, end - start);
        start = end + 1;
        const std::size_t eq = line.find('=');
        const std::string key = line.substr(0, eq);
        std::string value;
        if (eq != std::string::npos) value = line.substr(eq + 1, line.find('=', eq + 1) - (eq + 1));
        if (key == "name") {
            s.nickname = value;
            s.verdict = Judge(value);
            if (s.verdict != ConfigVerdict::Accepted) break;
        } else if (key == "character") {
            s.character = Number(value);
        } else if (key == "port") {
            s.port = Number(value);
        } else if (key == "server") {
            s.server = value;
        }
    }
    return s;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    CONFIG_NICKNAME.clear();
    CONFIG_SERVER.clear();
    CONFIG_CHARACTER = 0;
    CONFIG_PORT = 0;
    std::istringstream in(file);
    const ConfigVerdict verdict = ReadConfigFrom(in);
    const Settings want = Expected(file);
    if (verdict != want.verdict || CONFIG_NICKNAME != want.nickname || CONFIG_SERVER != want.server ||
        CONFIG_CHARACTER != want.character || CONFIG_PORT != want.port)
        std::abort();
    // A refusal always has its line; an accepted name has none and fits the wire.
    const bool refused = verdict != ConfigVerdict::Accepted;
    if (refused != (std::strlen(ConfigRefusalText(verdict)) > 0)) std::abort();
    if (!refused && CONFIG_NICKNAME.size() > MAX_NICKNAME_LENGTH) std::abort();
    return 0;
}
