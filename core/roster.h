// What inbound messages from the server do to the roster of remote players and the chat log,
// with no socket involved.
#pragma once

#include "core/character.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Most remote players the roster holds: a newcomer beyond that is ignored until a removal frees
// room, so a server inventing names cannot make the client hold or draw without bound.
constexpr int MAX_REMOTE_PLAYERS = 1024;

// Handles one inbound message for a player named ownnick: updates roster and returns the chat
// line to show, if the message is a chat line. now is the tick count stamped on positions.
std::optional<std::string> ApplyServerMessage(const std::string& message, const std::string& ownnick,
                                              std::vector<character>& roster, std::uint32_t now);
// The first record of roster named name (same length, same bytes), or roster.end().
std::vector<character>::iterator FindInRoster(std::vector<character>& roster, const std::string& name);
