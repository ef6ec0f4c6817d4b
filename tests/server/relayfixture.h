// The relay over its in-memory model, with players logged in by name and what each is owed read
// back as a client reads it; shared by the single server's and the cluster's rule tests.
#pragma once

#include <gtest/gtest.h>

#include <map>

#include "server/relay.h"
#include "wire/protocol.h"

namespace tt {

using Texts = std::vector<std::string>;
using Got = std::map<std::string, Texts>; // by receiver's nick

// A position "x|y" on map, as the client sends it.
inline std::string Pos(const std::string& nick, const std::string& xy, const std::string& map = "main.map") {
    return "3|" + nick + "|" + xy + "|1|1|0|2|" + map;
}

// The texts in a run of frames, as a client reads them (up to the first zero byte).
inline Texts Cut(std::string bytes) {
    Texts texts;
    for (std::string text; CutFrame(bytes, text) == FrameStatus::Complete;)
        texts.push_back(text);
    return texts;
}

class RelayTest : public ::testing::Test {
  protected:
    // What each touched player is owed, as a network turn would take it; slow takes nothing.
    Got Take(const std::string& slow = "") {
        Got got;
        for (const Slot slot : relay.Touched()) {
            std::string bytes;
            if (relay.Nick(slot) != slow && relay.TakeOutput(slot, bytes) > 0)
                got[relay.Nick(slot)] = Cut(bytes);
        }
        relay.ClearTouched();
        return got;
    }
    // What one player is owed now, touched or not.
    Texts TakeFor(const std::string& nick) {
        std::string bytes;
        relay.TakeOutput(slots.at(nick), bytes);
        return Cut(bytes);
    }
    Slot In(const std::string& nick, const std::string& address = "10.0.0.1") {
        const Slot slot = relay.Join(nick, address, t0);
        if (slot != NO_SLOT) slots[nick] = slot;
        return slot;
    }
    // Logs players in; player n stands at (n, n) on its map, if it has one.
    void Players(const std::vector<std::pair<std::string, std::string>>& players) {
        int n = 0;
        for (const auto& [nick, map] : players) {
            ASSERT_NE(In(nick), NO_SLOT) << nick;
            ++n;
            if (!map.empty()) Send(nick, Pos(nick, std::to_string(n) + "|" + std::to_string(n), map));
        }
        Take();
    }
    const char* Send(const std::string& nick, const std::string& text, int ms = 0) {
        return relay.Receive(slots.at(nick), text, t0 + std::chrono::milliseconds(ms));
    }

    const ServerTime t0 = ServerTime{} + std::chrono::hours(1);
    Relay relay;
    std::map<std::string, Slot> slots;
};

} // namespace tt
