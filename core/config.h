// The player's settings, read once from client.cfg before anything else starts.
#pragma once

#include "core/resources.h"
#include "wire/protocol.h"

#include <istream>
#include <string>

// The settings file.
#define CONFIG_FILE RESOURCE_DIR CONFIG_NAME

// Outcome of reading the settings: accepted, or the reason the nickname was refused.
enum class ConfigVerdict { Accepted, NicknameTooLong, NicknameIsDefault, NicknameHasBar, NicknameHasZero };

// Reads key=value lines from in into the settings below; stops at the first refused nickname.
ConfigVerdict ReadConfigFrom(std::istream& in);
// The line printed on standard output for a refused nickname ("" for Accepted).
const char* ConfigRefusalText(ConfigVerdict verdict);

// Nickname ("name"); empty until read, set once at start-up.
extern std::string CONFIG_NICKNAME;
// Host name or address of the game server ("server"); empty until read.
extern std::string CONFIG_SERVER;
// Index of the character picture in the sprite sheet ("character"); 0 until read.
extern int CONFIG_CHARACTER;
// TCP port of the game server ("port"); only its low 16 bits are used; 0 until read.
extern int CONFIG_PORT;
