// Reading settings from any stream; no window or network needed, so tests use it directly.
#include "core/config.h"
#include "wire/tokenizer.h"

std::string CONFIG_NICKNAME;
std::string CONFIG_SERVER;
int CONFIG_CHARACTER = 0;
int CONFIG_PORT = 0;

static ConfigVerdict CheckNickname(const std::string& name) {
    if (name.size() > MAX_NICKNAME_LENGTH) return ConfigVerdict::NicknameTooLong;
    if (name == "Default") return ConfigVerdict::NicknameIsDefault;
    // A "|" would split every message the client sends at the wrong place.
    if (name.find('|') != std::string::npos) return ConfigVerdict::NicknameHasBar;
    // A zero byte would end the nickname, and every message after it, early on the wire.
    if (name.find('\0') != std::string::npos) return ConfigVerdict::NicknameHasZero;
    return ConfigVerdict::Accepted;
}

ConfigVerdict ReadConfigFrom(std::istream& in) {
    std::string line;
    // Only a line feed ends a line: a carriage return stays part of the value.
    while (std::getline(in, line)) {
        StringTokenizer tokens(line, "=");
        const std::string key = tokens.nextToken();
        if (key == "name") {
            CONFIG_NICKNAME = tokens.nextToken();
            const ConfigVerdict verdict = CheckNickname(CONFIG_NICKNAME);
            if (verdict != ConfigVerdict::Accepted) return verdict;
        } else if (key == "character") {
            CONFIG_CHARACTER = tokens.nextIntToken();
        } else if (key == "port") {
            CONFIG_PORT = tokens.nextIntToken();
        } else if (key == "server") {
            CONFIG_SERVER = tokens.nextToken();
        }
    }
    return ConfigVerdict::Accepted;
}

const char* ConfigRefusalText(ConfigVerdict verdict) {
    switch (verdict) {
    case ConfigVerdict::NicknameTooLong:
        return "Nickname too long.";
    case ConfigVerdict::NicknameIsDefault:
        return "Edit the client.cfg file!";
    case ConfigVerdict::NicknameHasBar:
        return "Nickname may not contain '|'.";
    case ConfigVerdict::NicknameHasZero:
        return "Nickname may not contain a zero byte.";
    case ConfigVerdict::Accepted:
        break;
    }
    return "";
}
