// The game server's rules, with no sockets: who is logged in, on which map, where each
// player last said they stand, and what each player still has to be told. The network
// layer feeds it frames and, once per turn of its loop, takes out the bytes for each
// player it names as touched; unit tests and the benchmark drive it directly.
//
// Cost: a position is parsed, framed once into its sender's record and marked as pending
// in the receivers on the sender's map, one byte each; nothing is allocated per message.
// What a receiver gets is merged per sender: however often a sender moves or flips maps
// before the receiver's bytes are taken, the receiver gets at most its removal and its
// latest position, in that order, so a slow reader cannot be buried by a fast sender.
#pragma once

#include "wire/protocol.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The server's monotonic clock; every rule that counts time takes "now" as a parameter.
using ServerClock = std::chrono::steady_clock;
using ServerTime = ServerClock::time_point;

// A logged-in player's place in the relay's tables; reused only after nobody still owes
// a removal naming its last holder.
using Slot = std::uint32_t;
constexpr Slot NO_SLOT = ~Slot{0};

// Chat lines a player may send within CHAT_WINDOW; further lines in that window are dropped.
// The allowance belongs to the nickname and, doubled, to the address, so logging in again
// under the same or another name does not renew it.
constexpr std::size_t CHAT_LINES_PER_WINDOW = 5;
constexpr std::size_t CHAT_LINES_PER_ADDRESS = 2 * CHAT_LINES_PER_WINDOW;
constexpr std::chrono::milliseconds CHAT_WINDOW{5000};
// Map changes a player may make within MAP_CHANGE_WINDOW; one more and the player is dropped.
// Walking from an exit to the next takes the real client a good part of a second.
constexpr std::size_t MAP_CHANGES_PER_WINDOW = 20;
constexpr std::chrono::milliseconds MAP_CHANGE_WINDOW{10000};

// Why nick cannot be a login name ("" when it can), ignoring whether it is in use.
std::string NicknameProblem(const std::string& nick);
// Chat text as relayed: only IsWireTextChar bytes kept, cut to MAX_CHAT_TEXT ("" means drop).
std::string CleanChatText(std::string_view text);
// True for a map name the server passes on: 1 to MAX_MAP_NAME IsWireTextChar bytes.
bool ValidMapName(std::string_view map);

// The times of the last N events, to allow at most N within a sliding window.
template <std::size_t N> class EventWindow {
  public:
    // Records an event at now and returns true, or returns false when N already fell within
    // the window before now.
    bool Admit(ServerTime now, std::chrono::milliseconds window) {
        if (count_ == N && now - times_[next_] < window) return false;
        times_[next_] = now;
        next_ = (next_ + 1) % N;
        if (count_ < N) ++count_;
        return true;
    }
    // True when Admit would record an event at now.
    bool Allows(ServerTime now, std::chrono::milliseconds window) const {
        return count_ < N || now - times_[next_] >= window;
    }
    // True when no recorded event falls within the window before now.
    bool Quiet(ServerTime now, std::chrono::milliseconds window) const {
        return count_ == 0 || now - times_[(next_ + N - 1) % N] >= window;
    }

  private:
    std::array<ServerTime, N> times_{};
    std::size_t next_ = 0;
    std::size_t count_ = 0;
};

class Relay {
  public:
    // Why nick cannot log in now ("" when it can): a NicknameProblem, or in use.
    std::string LoginProblem(const std::string& nick) const;
    // Logs the player in on START_MAP and hands it the positions of the players there.
    // address keys the chat allowance. NO_SLOT, changing nothing, when LoginProblem refuses.
    Slot Join(const std::string& nick, const std::string& address, ServerTime now);
    // Acts on one message text from the player in slot. Returns null, or why the player
    // must be dropped (a flood that would otherwise cost the other players).
    const char* Receive(Slot slot, std::string_view text, ServerTime now);
    // The player is gone: the others on its map are told to remove it.
    void Leave(Slot slot);

    // Slots that have bytes waiting since the last ClearTouched, each once.
    const std::vector<Slot>& Touched() const { return touched_; }
    void ClearTouched();
    // Appends what slot is owed, as frames, to out: chat lines in order, then per sender a
    // removal and/or the latest position. Returns the number of bytes appended.
    std::size_t TakeOutput(Slot slot, std::string& out);
    // Bytes of chat waiting for slot (positions and removals are bounded by the map's size).
    std::size_t ChatBytes(Slot slot) const { return slot < players_.size() ? players_[slot].chat.size() : 0; }

    // The nick in slot, "" for a free slot.
    const std::string& Nick(Slot slot) const {
        static const std::string none;
        return slot < players_.size() && players_[slot].online ? players_[slot].nick : none;
    }
    // The map the player in slot is on.
    const std::string& MapOf(Slot slot) const { return maps_[players_[slot].map].name; }
    // The framed latest position of the player in slot on its map, "" when none.
    const std::string& PositionOf(Slot slot) const { return players_[slot].position; }
    // Logged-in players.
    std::size_t PlayerCount() const { return online_; }
    // Players on the named map.
    std::size_t PlayersOn(const std::string& map) const;
    // Drops chat allowances nobody has used for a whole window; the network layer calls it
    // now and then so a stream of one-line visitors does not grow the table.
    void ForgetQuietChatters(ServerTime now);

    // ---- Players of other nodes (server/cluster.h) ------------------------------------------
    // They hold slots like local players and are owed to the local players on their map by the
    // same rules (merged per sender, removal before position), but are never receivers. The
    // relay knows only those on maps where a local player is.

    // From now on, record what the cluster publishes after each turn (below).
    void SetPublishing(bool on) { publishing_ = on; }
    // A position text ("3|nick|x|y|...|map") of a player of node: adds, moves or updates it.
    // A player moving to a map without local players leaves the view like one logging out.
    // Ignored for a nickname of a local player.
    void RemotePosition(std::string_view node, std::string_view text, ServerTime now);
    // A removal of nick published on map by node: the player left that map.
    void RemoteRemoval(std::string_view node, std::string_view nick, std::string_view map);
    // A chat text ("1|nick|text|map") from another node, for every local player.
    void RemoteChat(std::string_view text);
    // Removes every player of node, as if each had logged out (the node died or stopped).
    void ForgetNode(std::string_view node);
    // Removes the remote players on map when no local player is left there to see them.
    void ForgetRemotesOn(const std::string& map);
    // Remote players known now.
    std::size_t RemoteCount() const { return remotes_; }
    bool IsRemote(Slot slot) const { return slot < players_.size() && players_[slot].remote; }
    // Local players on the named map, in the order they came.
    std::vector<Slot> LocalsOn(const std::string& map) const;
    // Every map with local players on it.
    std::vector<std::string> LocalMaps() const;

    // What happened since ClearPublished, kept only while publishing: the local players' map
    // exits in order (map, nick), the local slots whose position changed, their chat frames,
    // and maps that gained their first or lost their last local player (names, maybe repeated).
    const std::vector<std::pair<std::string, std::string>>& PublishedExits() const { return exitsOut_; }
    const std::vector<Slot>& Moved() const { return moved_; }
    const std::string& PublishedChat() const { return chatOut_; }
    const std::vector<std::string>& MapsChanged() const { return mapsChanged_; }
    void ClearPublished();

  private:
    using MapId = std::uint32_t;
    // What a receiver owes about one sender, one byte per sender slot.
    enum Pending : std::uint8_t { LISTED = 1, REMOVAL = 2, POSITION = 4 };

    struct Player {
        std::string nick;    // kept after leaving while removals naming it are owed
        std::string address; // the peer's address, which keys its chat allowance
        std::string node;    // a remote player's node
        MapId map = 0;
        bool online = false;
        bool touched = false;
        bool remote = false;            // a player of another node: sends through the bus, never receives
        bool moved = false;             // in moved_
        std::string position;           // framed latest position on this map, "" when none
        std::vector<std::uint8_t> owed; // by sender slot: Pending bits
        std::vector<Slot> changed;      // senders with LISTED set, in the order they changed
        std::string chat;               // framed chat lines waiting
        std::uint32_t removalsOwed = 0; // receivers with a REMOVAL naming this slot
        EventWindow<MAP_CHANGES_PER_WINDOW> mapChanges;
    };
    struct MapInfo {
        std::string name;
        std::vector<Slot> members;
        std::size_t locals = 0; // members that are not remote
    };

    void Chat(Player& player, std::string_view text, ServerTime now);
    const char* Position(Slot slot, std::string_view text, ServerTime now);
    const char* ChangeMap(Slot slot, std::string_view map, ServerTime now);
    Slot NewSlot();
    void Enter(Slot slot, std::string_view map);
    void Exit(Slot slot, bool tellLeaver);
    void Owe(Slot receiver, Slot sender, std::uint8_t what);
    void Touch(Slot receiver);
    void Release(Slot slot);

    std::vector<Player> players_;
    std::vector<Slot> free_;
    std::size_t online_ = 0;
    std::vector<MapInfo> maps_;
    std::vector<MapId> freeMaps_;
    std::unordered_map<std::string, MapId> mapIds_;
    std::unordered_map<std::string, Slot> nicks_;
    std::unordered_map<std::string, EventWindow<CHAT_LINES_PER_WINDOW>> nickChats_;
    std::unordered_map<std::string, EventWindow<CHAT_LINES_PER_ADDRESS>> addressChats_;
    std::vector<Slot> touched_;
    std::size_t remotes_ = 0;
    bool publishing_ = false;
    std::vector<std::pair<std::string, std::string>> exitsOut_;
    std::vector<Slot> moved_;
    std::string chatOut_;
    std::vector<std::string> mapsChanged_;
};
