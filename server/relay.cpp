#include "server/relay.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

// Room for a position frame with the longest nick and map name and every number at its widest.
static constexpr std::size_t POSITION_FRAME_CAPACITY =
    4 + 2 + MAX_NICKNAME_LENGTH + 2 * 14 + 4 * 12 + MAX_MAP_NAME + 8;

namespace {

// Splits a message at "|" the way the client's tokenizer does, without copying: a token asked
// for after the end is empty.
class Fields {
  public:
    explicit Fields(std::string_view text) : rest_(text) {}
    std::string_view Next() {
        const std::size_t bar = rest_.find('|');
        std::string_view token = rest_.substr(0, bar);
        rest_.remove_prefix(bar == std::string_view::npos ? rest_.size() : bar + 1);
        return token;
    }
    // Read as the client reads numbers: from the start of the token, 0 when none starts it.
    int Int() {
        char buf[64];
        const long value = std::strtol(Terminated(Next(), buf), nullptr, 10);
        if (value > 2147483647L) return 2147483647;
        if (value < -2147483647L - 1) return -2147483647 - 1;
        return static_cast<int>(value);
    }
    double Float() {
        char buf[64];
        return std::atof(Terminated(Next(), buf));
    }

  private:
    // The token with a zero byte after it; a token too long for buf (only a hostile peer sends
    // one) goes through a string instead.
    const char* Terminated(std::string_view token, char (&buf)[64]) {
        if (token.size() < sizeof buf) {
            token.copy(buf, token.size());
            buf[token.size()] = '\0';
            return buf;
        }
        long_.assign(token);
        return long_.c_str();
    }
    std::string_view rest_;
    std::string long_;
};

void AppendInt(std::string& out, int value) {
    char buf[16];
    const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    out.append(buf, static_cast<std::size_t>(end - buf));
}

void AppendFloat(std::string& out, float value) {
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%g", static_cast<double>(value));
    out.append(buf, static_cast<std::size_t>(n));
}

// Writes the length prefix of the frame that starts at 'at' and runs to the end of out.
void SealFrame(std::string& out, std::size_t at) {
    WriteFrameLength(&out[at], static_cast<std::uint32_t>(out.size() - at - FRAME_PREFIX_BYTES));
}

void AppendRemoval(std::string& out, const std::string& nick) {
    const std::size_t at = out.size();
    out.append(FRAME_PREFIX_BYTES, '\0');
    out += "2|";
    out += nick;
    out.push_back('\0');
    SealFrame(out, at);
}

} // namespace

std::string NicknameProblem(const std::string& nick) {
    if (nick.empty()) return "empty nickname";
    if (nick.size() > MAX_NICKNAME_LENGTH)
        return "nickname longer than " + std::to_string(MAX_NICKNAME_LENGTH) + " bytes";
    for (const char c : nick) {
        if (c == '|') return "nickname contains \"|\"";
        if (!IsWireTextChar(c)) return "nickname contains a byte outside printable ASCII";
    }
    return std::string();
}

std::string CleanChatText(std::string_view text) {
    // The client's font and chat line know printable ASCII only; anything else a peer
    // sends could only garble the other players' chat panels.
    std::string clean;
    for (const char c : text) {
        if (clean.size() == MAX_CHAT_TEXT) break;
        if (IsWireTextChar(c)) clean.push_back(c);
    }
    return clean;
}

bool ValidMapName(std::string_view map) {
    if (map.empty() || map.size() > MAX_MAP_NAME) return false;
    for (const char c : map) {
        if (!IsWireTextChar(c)) return false;
    }
    return true;
}

std::string Relay::LoginProblem(const std::string& nick) const {
    std::string problem = NicknameProblem(nick);
    if (!problem.empty()) return problem;
    if (nicks_.count(nick) != 0) return "nickname in use";
    return std::string();
}

Slot Relay::NewSlot() {
    if (!free_.empty()) {
        const Slot slot = free_.back();
        free_.pop_back();
        return slot;
    }
    players_.emplace_back();
    players_.back().position.reserve(POSITION_FRAME_CAPACITY);
    return static_cast<Slot>(players_.size() - 1);
}

Slot Relay::Join(const std::string& nick, const std::string& address, ServerTime) {
    if (!LoginProblem(nick).empty()) return NO_SLOT;
    const Slot slot = NewSlot();
    Player& player = players_[slot];
    player.remote = false;
    player.node.clear();
    player.nick = nick;
    player.address = address;
    player.online = true;
    player.mapChanges = {};
    ++online_;
    nicks_.emplace(nick, slot);
    Enter(slot, START_MAP);
    return slot;
}

const char* Relay::Receive(Slot slot, std::string_view text, ServerTime now) {
    if (slot >= players_.size() || !players_[slot].online) return nullptr;
    Player& player = players_[slot];
    Fields fields(text);
    switch (fields.Int()) {
    case MSG_CHAT:
        fields.Next(); // the nick as the client wrote it; only the login name is relayed
        Chat(player, fields.Next(), now);
        return nullptr;
    case MSG_POSITION:
        return Position(slot, text, now);
    case MSG_MAPCHANGE: {
        fields.Next();
        const std::string_view map = fields.Next();
        if (ValidMapName(map) && map != maps_[player.map].name) return ChangeMap(slot, map, now);
        return nullptr;
    }
    default:
        return nullptr;
    }
}

void Relay::Chat(Player& player, std::string_view text, ServerTime now) {
    const std::string clean = CleanChatText(text);
    if (clean.empty()) return;
    auto& byNick = nickChats_[player.nick];
    auto& byAddress = addressChats_[player.address];
    if (!byNick.Allows(now, CHAT_WINDOW) || !byAddress.Allows(now, CHAT_WINDOW)) return;
    byNick.Admit(now, CHAT_WINDOW);
    byAddress.Admit(now, CHAT_WINDOW);
    const std::string line = EncodeFrame(BuildChatMessage(player.nick, clean, maps_[player.map].name));
    for (Slot to = 0; to < players_.size(); ++to) {
        if (!players_[to].online || players_[to].remote) continue;
        players_[to].chat += line;
        Touch(to);
    }
    if (publishing_) chatOut_ += line;
}

const char* Relay::Position(Slot slot, std::string_view text, ServerTime now) {
    Fields fields(text);
    fields.Next(); // type
    fields.Next(); // nick as written
    // A coordinate that is not a finite float would travel on as "nan" or "inf" and poison
    // every client's drawing of this player; a bad map name is not passed on either.
    const auto x = static_cast<float>(fields.Float());
    const auto y = static_cast<float>(fields.Float());
    const int direction = fields.Int();
    const int walking = fields.Int();
    const int collision = fields.Int();
    const int charid = fields.Int();
    const std::string_view map = fields.Next();
    if (!std::isfinite(x) || !std::isfinite(y) || !ValidMapName(map)) return nullptr;
    if (map != maps_[players_[slot].map].name) {
        if (const char* problem = ChangeMap(slot, map, now)) return problem;
    }
    Player& player = players_[slot];
    std::string& frame = player.position;
    frame.assign(FRAME_PREFIX_BYTES, '\0');
    frame += "3|";
    frame += player.nick;
    for (const float f : {x, y}) {
        frame.push_back('|');
        AppendFloat(frame, f);
    }
    for (const int i : {direction, walking, collision, charid}) {
        frame.push_back('|');
        AppendInt(frame, i);
    }
    frame.push_back('|');
    frame.append(map);
    // The client's position text carries a zero byte of its own before the frame's.
    frame.append(2, '\0');
    SealFrame(frame, 0);
    for (const Slot to : maps_[player.map].members) {
        if (to != slot) Owe(to, slot, POSITION);
    }
    if (publishing_ && !player.remote && !player.moved) {
        player.moved = true;
        moved_.push_back(slot);
    }
    return nullptr;
}

const char* Relay::ChangeMap(Slot slot, std::string_view map, ServerTime now) {
    // Another node has already held its own player to this limit.
    if (!players_[slot].remote && !players_[slot].mapChanges.Admit(now, MAP_CHANGE_WINDOW))
        return "more than 20 map changes within 10 s";
    // The client never empties its roster by itself, so both sides of the move are told
    // to forget each other; otherwise players would linger as ghosts on the wrong map.
    Exit(slot, true);
    // The stored position still names the old map; the client sends a fresh one at once.
    players_[slot].position.clear();
    Enter(slot, map);
    return nullptr;
}

void Relay::Enter(Slot slot, std::string_view map) {
    MapId id;
    const auto found = mapIds_.find(std::string(map));
    if (found != mapIds_.end()) {
        id = found->second;
    } else {
        if (!freeMaps_.empty()) {
            id = freeMaps_.back();
            freeMaps_.pop_back();
        } else {
            id = static_cast<MapId>(maps_.size());
            maps_.emplace_back();
        }
        maps_[id].name.assign(map);
        mapIds_.emplace(maps_[id].name, id);
    }
    std::vector<Slot>& members = maps_[id].members;
    for (const Slot other : members) {
        if (!players_[other].position.empty()) Owe(slot, other, POSITION);
    }
    players_[slot].map = id;
    members.push_back(slot);
    if (!players_[slot].remote && maps_[id].locals++ == 0 && publishing_)
        mapsChanged_.push_back(maps_[id].name);
}

void Relay::Exit(Slot slot, bool tellLeaver) {
    const MapId id = players_[slot].map;
    std::vector<Slot>& members = maps_[id].members;
    // Kept in the order players arrived, so each receiver hears of a map's players in that order.
    members.erase(std::find(members.begin(), members.end(), slot));
    for (const Slot other : members) {
        Owe(other, slot, REMOVAL);
        if (tellLeaver) Owe(slot, other, REMOVAL);
    }
    if (!players_[slot].remote) {
        if (publishing_) exitsOut_.emplace_back(maps_[id].name, players_[slot].nick);
        if (--maps_[id].locals == 0 && publishing_) mapsChanged_.push_back(maps_[id].name);
    }
    if (members.empty()) {
        mapIds_.erase(maps_[id].name);
        maps_[id].name.clear();
        freeMaps_.push_back(id);
    }
}

void Relay::Owe(Slot receiver, Slot sender, std::uint8_t what) {
    Player& to = players_[receiver];
    if (to.remote) return;
    if (to.owed.size() <= sender) to.owed.resize(std::max<std::size_t>(sender + 1, players_.size()), 0);
    std::uint8_t& bits = to.owed[sender];
    if (!(bits & LISTED)) {
        to.changed.push_back(sender);
        bits = LISTED;
    }
    if (what == REMOVAL) {
        if (!(bits & REMOVAL)) ++players_[sender].removalsOwed;
        bits = static_cast<std::uint8_t>((bits & ~POSITION) | REMOVAL);
    } else {
        bits = static_cast<std::uint8_t>(bits | what);
    }
    Touch(receiver);
}

void Relay::Touch(Slot receiver) {
    Player& to = players_[receiver];
    if (to.touched) return;
    to.touched = true;
    touched_.push_back(receiver);
}

void Relay::ClearTouched() {
    for (const Slot slot : touched_)
        players_[slot].touched = false;
    touched_.clear();
}

std::size_t Relay::TakeOutput(Slot slot, std::string& out) {
    if (slot >= players_.size() || !players_[slot].online) return 0;
    const std::size_t before = out.size();
    Player& player = players_[slot];
    out += player.chat;
    player.chat.clear();
    for (const Slot sender : player.changed) {
        const std::uint8_t bits = player.owed[sender];
        player.owed[sender] = 0;
        Player& from = players_[sender];
        if (bits & REMOVAL) {
            AppendRemoval(out, from.nick);
            if (--from.removalsOwed == 0 && !from.online) Release(sender);
        }
        if ((bits & POSITION) && !from.position.empty()) out += from.position;
    }
    player.changed.clear();
    return out.size() - before;
}

void Relay::Leave(Slot slot) {
    if (slot >= players_.size() || !players_[slot].online) return;
    Exit(slot, false);
    Player& player = players_[slot];
    // What the leaver was still owed is void; removals it held no longer keep their slots.
    for (const Slot sender : player.changed) {
        const std::uint8_t bits = player.owed[sender];
        player.owed[sender] = 0;
        if ((bits & REMOVAL) && --players_[sender].removalsOwed == 0 && !players_[sender].online)
            Release(sender);
    }
    player.changed.clear();
    player.chat.clear();
    player.position.clear();
    nicks_.erase(player.nick);
    player.online = false;
    --(player.remote ? remotes_ : online_);
    if (player.removalsOwed == 0) Release(slot);
}

void Relay::Release(Slot slot) {
    players_[slot].nick.clear();
    free_.push_back(slot);
}

std::size_t Relay::PlayersOn(const std::string& map) const {
    const auto found = mapIds_.find(map);
    return found == mapIds_.end() ? 0 : maps_[found->second].members.size();
}

void Relay::RemotePosition(std::string_view node, std::string_view text, ServerTime now) {
    Fields fields(text);
    if (fields.Int() != MSG_POSITION) return;
    const std::string nick(fields.Next());
    std::string_view map;
    for (int i = 0; i < 7; ++i)
        map = fields.Next();
    if (!NicknameProblem(nick).empty() || !ValidMapName(map)) return;
    const auto known = nicks_.find(nick);
    if (known != nicks_.end() && !players_[known->second].remote) return;
    const auto onMap = mapIds_.find(std::string(map));
    const bool watched = onMap != mapIds_.end() && maps_[onMap->second].locals > 0;
    if (!watched) {
        if (known != nicks_.end()) Leave(known->second);
        return;
    }
    Slot slot;
    if (known != nicks_.end()) {
        slot = known->second;
    } else {
        slot = NewSlot();
        Player& player = players_[slot];
        player.nick = nick;
        player.address.clear();
        player.remote = true;
        player.online = true;
        ++remotes_;
        nicks_.emplace(nick, slot);
        Enter(slot, map);
    }
    players_[slot].node.assign(node);
    Position(slot, text, now);
}

void Relay::RemoteRemoval(std::string_view node, std::string_view nick, std::string_view map) {
    const auto known = nicks_.find(std::string(nick));
    if (known == nicks_.end()) return;
    const Player& player = players_[known->second];
    if (player.remote && player.node == node && maps_[player.map].name == map) Leave(known->second);
}

void Relay::RemoteChat(std::string_view text) {
    Fields fields(text);
    if (fields.Int() != MSG_CHAT) return;
    const std::string nick(fields.Next());
    const std::string clean = CleanChatText(fields.Next());
    std::string map(fields.Next());
    if (!NicknameProblem(nick).empty() || clean.empty()) return;
    if (!ValidMapName(map)) map.clear();
    const std::string line = EncodeFrame(BuildChatMessage(nick, clean, map));
    for (Slot to = 0; to < players_.size(); ++to) {
        if (!players_[to].online || players_[to].remote) continue;
        players_[to].chat += line;
        Touch(to);
    }
}

void Relay::ForgetNode(std::string_view node) {
    for (Slot slot = 0; slot < players_.size(); ++slot) {
        if (players_[slot].online && players_[slot].remote && players_[slot].node == node) Leave(slot);
    }
}

void Relay::ForgetRemotesOn(const std::string& map) {
    const auto found = mapIds_.find(map);
    if (found == mapIds_.end() || maps_[found->second].locals > 0) return;
    // Leave takes each one out of the list, and the last one frees the map.
    const std::vector<Slot> members = maps_[found->second].members;
    for (const Slot slot : members)
        Leave(slot);
}

std::vector<Slot> Relay::LocalsOn(const std::string& map) const {
    std::vector<Slot> locals;
    const auto found = mapIds_.find(map);
    if (found == mapIds_.end()) return locals;
    for (const Slot slot : maps_[found->second].members) {
        if (!players_[slot].remote) locals.push_back(slot);
    }
    return locals;
}

std::vector<std::string> Relay::LocalMaps() const {
    std::vector<std::string> names;
    for (const MapInfo& map : maps_) {
        if (map.locals > 0) names.push_back(map.name);
    }
    return names;
}

void Relay::ClearPublished() {
    for (const Slot slot : moved_)
        players_[slot].moved = false;
    moved_.clear();
    exitsOut_.clear();
    chatOut_.clear();
    mapsChanged_.clear();
}

void Relay::ForgetQuietChatters(ServerTime now) {
    for (auto it = nickChats_.begin(); it != nickChats_.end();)
        it = it->second.Quiet(now, CHAT_WINDOW) ? nickChats_.erase(it) : std::next(it);
    for (auto it = addressChats_.begin(); it != addressChats_.end();)
        it = it->second.Quiet(now, CHAT_WINDOW) ? addressChats_.erase(it) : std::next(it);
}
