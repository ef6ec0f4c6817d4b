// The game server's rules, with no sockets: who is logged in, on which map, where each
// player last said they stand, and which connection gets which message when a player
// logs in, chats, moves, changes maps or leaves. The network layer feeds it frames and
// writes out what it hands back; unit tests and the benchmark drive it directly.
#pragma once

#include "wire/protocol.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The server's monotonic clock; every rule that counts time takes "now" as a parameter.
using ServerClock = std::chrono::steady_clock;
using ServerTime = ServerClock::time_point;

// One connection, numbered by the network layer; never reused while the server runs.
using ConnId = std::uint64_t;

// Chat lines a player may send within CHAT_WINDOW; further lines in that window are dropped.
constexpr std::size_t CHAT_LINES_PER_WINDOW = 5;
constexpr std::chrono::milliseconds CHAT_WINDOW{5000};

// One outbound message, framed once and shared by every connection it goes to.
struct Message {
    enum Kind { Chat, Removal, Position };
    Kind kind;
    std::string nick;  // the player the message is about (the sender for chat)
    std::string frame; // the bytes on the wire: length prefix, text, zero byte
};
using MessagePtr = std::shared_ptr<const Message>;

// A message for one connection.
struct Delivery {
    ConnId to;
    MessagePtr message;
};

// Why nick cannot be a login name ("" when it can), ignoring whether it is in use.
std::string NicknameProblem(const std::string& nick);
// Chat text as relayed: only printable ASCII kept, cut to MAX_CHAT_TEXT ("" means drop).
std::string CleanChatText(const std::string& text);
// True for a map name the server passes on: 1 to MAX_MAP_NAME printable ASCII bytes, no "|".
bool ValidMapName(const std::string& map);

// What the server remembers about one logged-in player.
struct Player {
    std::string nick;             // the login name, the only name relayed for this player
    std::string map;              // the map the player is on; START_MAP after login
    MessagePtr position;          // latest position on this map, null until one arrives
    std::deque<ServerTime> chats; // times of the chat lines relayed within the last window
};

class Relay {
  public:
    // Why nick cannot log in now ("" when it can): a NicknameProblem, or in use.
    std::string LoginProblem(const std::string& nick) const;
    // Logs the player in on START_MAP and hands it the positions of the players there.
    // Returns false, changing nothing, when LoginProblem refuses nick.
    bool Join(ConnId id, const std::string& nick, ServerTime now, std::vector<Delivery>& out);
    // Acts on one message text from a logged-in player (ignored for unknown ids).
    void Receive(ConnId id, const std::string& text, ServerTime now, std::vector<Delivery>& out);
    // The player's connection is gone: the others on its map are told to remove it.
    void Leave(ConnId id, std::vector<Delivery>& out);

    // The logged-in player on connection id, or null.
    const Player* Find(ConnId id) const;
    // Number of logged-in players.
    std::size_t PlayerCount() const { return players_.size(); }

  private:
    void Chat(ConnId id, Player& player, const std::string& text, ServerTime now, std::vector<Delivery>& out);
    void Position(ConnId id, Player& player, const std::string& text, std::vector<Delivery>& out);
    void ChangeMap(ConnId id, Player& player, const std::string& map, std::vector<Delivery>& out);

    // By connection. ConnIds grow, so broadcasts go out in the order the players connected.
    std::map<ConnId, Player> players_;
};
