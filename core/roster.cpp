// What inbound messages do to the roster of remote players; no socket involved.
#include "core/roster.h"
#include "wire/protocol.h"
#include "wire/tokenizer.h"

std::vector<character>::iterator FindInRoster(std::vector<character>& roster, const std::string& name) {
    for (auto it = roster.begin(); it != roster.end(); ++it)
        if (it->nickname == name) return it;
    return roster.end();
}

std::optional<std::string> ApplyServerMessage(const std::string& message, const std::string& ownnick,
                                              std::vector<character>& roster, std::uint32_t now) {
    StringTokenizer tokens(message, "|");
    const int messagetype = tokens.nextIntToken();
    switch (messagetype) {
    case MSG_CHAT: {
        const std::string nick = tokens.nextToken();
        const std::string chatstr = tokens.nextToken();
        return nick + ": " + chatstr;
    }
    case MSG_REMOVE: {
        const std::string nick = tokens.nextToken();
        if (nick == ownnick) break;
        const auto it = FindInRoster(roster, nick);
        if (it != roster.end()) roster.erase(it);
        break;
    }
    case MSG_POSITION: {
        const std::string nick = tokens.nextToken();
        if (nick == ownnick) break;
        auto it = FindInRoster(roster, nick);
        if (it == roster.end()) {
            if (roster.size() >= static_cast<std::size_t>(MAX_REMOTE_PLAYERS)) break;
            character newclient;
            newclient.nickname = nick;
            roster.push_back(newclient);
            it = roster.end() - 1;
        }
        it->netposx = static_cast<float>(tokens.nextFloatToken());
        it->netposy = static_cast<float>(tokens.nextFloatToken());
        it->direction = tokens.nextIntToken();
        it->walking = tokens.nextIntToken();
        it->collision = tokens.nextIntToken();
        it->charid = tokens.nextIntToken();
        it->map = tokens.nextToken();
        it->lastupdate = now;
        break;
    }
    default:
        // Map changes of others are only announced; their next position carries the new map.
        break;
    }
    return std::nullopt;
}
