#include "server/relay.h"

#include <cmath>
#include <utility>

#include "wire/tokenizer.h"
#include "wire/protocol.h"

static bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}
static bool IsPrintableAscii(unsigned char c) {
    return c >= 0x20 && c < 0x7F;
}

static MessagePtr MakeMessage(Message::Kind kind, const std::string& nick, const std::string& text) {
    return std::make_shared<const Message>(Message{kind, nick, EncodeFrame(text)});
}

static MessagePtr MakeRemoval(const std::string& nick) {
    return MakeMessage(Message::Removal, nick, "2|" + nick);
}

std::string NicknameProblem(const std::string& nick) {
    if (nick.empty()) return "empty nickname";
    if (nick.size() > MAX_NICKNAME_LENGTH)
        return "nickname longer than " + std::to_string(MAX_NICKNAME_LENGTH) + " bytes";
    for (const char c : nick) {
        if (c == '|') return "nickname contains \"|\"";
        if (IsControl(static_cast<unsigned char>(c))) return "nickname contains a control character";
    }
    return std::string();
}

std::string CleanChatText(const std::string& text) {
    // The client's font and chat line know printable ASCII only; anything else a peer
    // sends could only garble the other players' chat panels.
    std::string clean;
    for (const char c : text) {
        if (clean.size() == MAX_CHAT_TEXT) break;
        if (IsPrintableAscii(static_cast<unsigned char>(c)) && c != '|') clean.push_back(c);
    }
    return clean;
}

bool ValidMapName(const std::string& map) {
    if (map.empty() || map.size() > MAX_MAP_NAME) return false;
    for (const char c : map) {
        if (!IsPrintableAscii(static_cast<unsigned char>(c)) || c == '|') return false;
    }
    return true;
}

std::string Relay::LoginProblem(const std::string& nick) const {
    std::string problem = NicknameProblem(nick);
    if (!problem.empty()) return problem;
    for (const auto& entry : players_) {
        if (entry.second.nick == nick) return "nickname in use";
    }
    return std::string();
}

bool Relay::Join(ConnId id, const std::string& nick, ServerTime, std::vector<Delivery>& out) {
    if (!LoginProblem(nick).empty() || players_.count(id) != 0) return false;
    Player player;
    player.nick = nick;
    player.map = START_MAP;
    for (const auto& entry : players_) {
        const Player& other = entry.second;
        if (other.map == player.map && other.position) out.push_back({id, other.position});
    }
    players_.emplace(id, std::move(player));
    return true;
}

void Relay::Receive(ConnId id, const std::string& text, ServerTime now, std::vector<Delivery>& out) {
    const auto found = players_.find(id);
    if (found == players_.end()) return;
    Player& player = found->second;
    StringTokenizer fields(text, "|");
    switch (fields.nextIntToken()) {
    case MSG_CHAT:
        fields.nextToken(); // the nick as the client wrote it; only the login name is relayed
        Chat(id, player, fields.nextToken(), now, out);
        break;
    case MSG_POSITION:
        Position(id, player, text, out);
        break;
    case MSG_MAPCHANGE: {
        fields.nextToken();
        const std::string map = fields.nextToken();
        if (ValidMapName(map) && map != player.map) ChangeMap(id, player, map, out);
        break;
    }
    default:
        break;
    }
}

void Relay::Chat(ConnId, Player& player, const std::string& text, ServerTime now,
                 std::vector<Delivery>& out) {
    const std::string clean = CleanChatText(text);
    if (clean.empty()) return;
    while (!player.chats.empty() && now - player.chats.front() >= CHAT_WINDOW)
        player.chats.pop_front();
    if (player.chats.size() >= CHAT_LINES_PER_WINDOW) return;
    player.chats.push_back(now);
    const MessagePtr line =
        MakeMessage(Message::Chat, player.nick, BuildChatMessage(player.nick, clean, player.map));
    for (const auto& entry : players_)
        out.push_back({entry.first, line});
}

void Relay::Position(ConnId id, Player& player, const std::string& text, std::vector<Delivery>& out) {
    StringTokenizer fields(text, "|");
    fields.nextToken(); // type
    fields.nextToken(); // nick as written
    const double x = fields.nextFloatToken();
    const double y = fields.nextFloatToken();
    const int direction = fields.nextIntToken();
    const int walking = fields.nextIntToken();
    const int collision = fields.nextIntToken();
    const int charid = fields.nextIntToken();
    const std::string map = fields.nextToken();
    // A coordinate that is not a finite float would travel on as "nan" or "inf" and poison
    // every client's drawing of this player; a bad map name is not passed on either.
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    if (!std::isfinite(fx) || !std::isfinite(fy) || !ValidMapName(map)) return;
    if (map != player.map) ChangeMap(id, player, map, out);
    player.position =
        MakeMessage(Message::Position, player.nick,
                    BuildPositionMessage(player.nick, fx, fy, direction, walking, collision, charid, map));
    for (const auto& entry : players_) {
        if (entry.first != id && entry.second.map == player.map)
            out.push_back({entry.first, player.position});
    }
}

void Relay::ChangeMap(ConnId id, Player& player, const std::string& map, std::vector<Delivery>& out) {
    // The client never empties its roster by itself, so both sides of the move are told
    // to forget each other; otherwise players would linger as ghosts on the wrong map.
    const MessagePtr removal = MakeRemoval(player.nick);
    for (const auto& entry : players_) {
        if (entry.first == id || entry.second.map != player.map) continue;
        out.push_back({entry.first, removal});
        out.push_back({id, MakeRemoval(entry.second.nick)});
    }
    player.map = map;
    // The stored position still names the old map; the client sends a fresh one at once.
    player.position.reset();
    for (const auto& entry : players_) {
        const Player& other = entry.second;
        if (entry.first != id && other.map == map && other.position) out.push_back({id, other.position});
    }
}

void Relay::Leave(ConnId id, std::vector<Delivery>& out) {
    const auto found = players_.find(id);
    if (found == players_.end()) return;
    const MessagePtr removal = MakeRemoval(found->second.nick);
    for (const auto& entry : players_) {
        if (entry.first != id && entry.second.map == found->second.map) out.push_back({entry.first, removal});
    }
    players_.erase(found);
}

const Player* Relay::Find(ConnId id) const {
    const auto found = players_.find(id);
    return found == players_.end() ? nullptr : &found->second;
}
