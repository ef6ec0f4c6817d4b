// The server's rules without sockets, driven by a script of logins, messages of every kind,
// departures, reads of each player's bytes in pieces, and time passing. Every byte a player is
// handed is compared with what a small model of the rules owes it: chat lines in order, then per
// sender in the order they first changed a removal and/or the latest position. Each player's
// output buffer is compared with a plain string of unsent bytes, and its health with the limits.
// The model keeps time windows with the relay's own EventWindow: the rate rules are not what is
// checked here (tests/server/server_rules_test.cpp has them), but what they let through is.
#include "server/outqueue.h"
#include "fuzz/fields.h"
#include "server/relay.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

constexpr std::uint8_t LISTED = 1, REMOVAL = 2, POSITION = 4;
constexpr std::chrono::milliseconds STALL{3000};

struct ModelPlayer {
    std::string nick, address, map;
    Slot slot = NO_SLOT;
    bool online = false;
    bool touched = false;
    std::string position;             // framed latest position, "" when none
    std::vector<int> changed;         // senders in the order they first changed
    std::map<int, std::uint8_t> owed; // by sender
    std::string chat;                 // framed chat lines waiting
    EventWindow<MAP_CHANGES_PER_WINDOW> mapChanges;
    // The output buffer: the real one and the unsent bytes it should hold.
    OutBuffer out;
    std::string unsent;
    std::optional<ServerTime> waitingSince;
};

struct Model {
    std::vector<ModelPlayer> players; // by id, never reused
    std::map<std::string, std::vector<int>> members;
    std::map<std::string, EventWindow<CHAT_LINES_PER_WINDOW>> nickChats;
    std::map<std::string, EventWindow<CHAT_LINES_PER_ADDRESS>> addressChats;

    void Owe(int to, int from, std::uint8_t what) {
        ModelPlayer& p = players[static_cast<std::size_t>(to)];
        std::uint8_t& bits = p.owed[from];
        if (!(bits & LISTED)) {
            p.changed.push_back(from);
            bits = LISTED;
        }
        bits = what == REMOVAL ? static_cast<std::uint8_t>((bits & ~POSITION) | REMOVAL)
                               : static_cast<std::uint8_t>(bits | what);
        p.touched = true;
    }
    void Enter(int id, const std::string& map) {
        for (const int other : members[map])
            if (!players[static_cast<std::size_t>(other)].position.empty()) Owe(id, other, POSITION);
        members[map].push_back(id);
        players[static_cast<std::size_t>(id)].map = map;
    }
    void Exit(int id, bool tellLeaver) {
        std::vector<int>& on = members[players[static_cast<std::size_t>(id)].map];
        on.erase(std::find(on.begin(), on.end(), id));
        for (const int other : on) {
            Owe(other, id, REMOVAL);
            if (tellLeaver) Owe(id, other, REMOVAL);
        }
        if (on.empty()) members.erase(players[static_cast<std::size_t>(id)].map);
    }
    bool ChangeMap(int id, const std::string& map, ServerTime now) {
        ModelPlayer& p = players[static_cast<std::size_t>(id)];
        if (!p.mapChanges.Admit(now, MAP_CHANGE_WINDOW)) return false;
        Exit(id, true);
        p.position.clear();
        Enter(id, map);
        return true;
    }
    void Leave(int id) {
        Exit(id, false);
        ModelPlayer& p = players[static_cast<std::size_t>(id)];
        p.changed.clear();
        p.owed.clear();
        p.chat.clear();
        p.position.clear();
        p.online = false;
    }
    std::string Take(int id) {
        ModelPlayer& p = players[static_cast<std::size_t>(id)];
        std::string out = p.chat;
        p.chat.clear();
        for (const int from : p.changed) {
            const std::uint8_t bits = p.owed[from];
            const ModelPlayer& sender = players[static_cast<std::size_t>(from)];
            if (bits & REMOVAL) out += EncodeFrame("2|" + sender.nick);
            if ((bits & POSITION) && !sender.position.empty()) out += sender.position;
        }
        p.changed.clear();
        p.owed.clear();
        return out;
    }
};

int Int(const std::string& field) {
    const long long n = std::strtoll(field.c_str(), nullptr, 10);
    return n > INT_MAX ? INT_MAX : n < INT_MIN ? INT_MIN : static_cast<int>(n);
}

bool Printable(const std::string& text) {
    return std::all_of(text.begin(), text.end(), IsWireTextChar);
}

std::string Pick(FuzzedDataProvider& in, const std::vector<std::string>& choices, std::size_t longest) {
    const std::size_t i = in.ConsumeIntegralInRange<std::size_t>(0, choices.size());
    return i < choices.size() ? choices[i] : in.ConsumeRandomLengthString(longest);
}

// A message a client might send: well formed with odd values, or any bytes.
std::string Message(FuzzedDataProvider& in) {
    static const std::vector<std::string> maps = {"main.map", "house.map", "forest.map", ""};
    static const std::vector<std::string> numbers = {"1.5", "-2", "0", "nan", "inf", "1e40", "abc", "12x"};
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return "1|" + in.ConsumeRandomLengthString(12) + "|" + in.ConsumeRandomLengthString(80) + "|" +
               Pick(in, maps, 70);
    case 1: {
        std::string text = "3|x";
        for (int i = 0; i < 6; ++i)
            text += "|" + Pick(in, numbers, 16);
        return text + "|" + Pick(in, maps, 70);
    }
    case 2:
        return "4|x|" + Pick(in, maps, 70);
    default:
        return in.ConsumeRandomLengthString(200);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Relay relay;
    Model model;
    ServerTime now = ServerTime() + std::chrono::hours(1);
    static const std::vector<std::string> nicks = {"Ann", "Bob", "Cy", "Dee", "Eve"};
    static const std::vector<std::string> addresses = {"10.0.0.1", "10.0.0.2"};

    const auto online = [&]() {
        std::vector<int> ids;
        for (std::size_t i = 0; i < model.players.size(); ++i)
            if (model.players[i].online) ids.push_back(static_cast<int>(i));
        return ids;
    };
    const auto leave = [&](int id) {
        relay.Leave(model.players[static_cast<std::size_t>(id)].slot);
        model.Leave(id);
    };

    for (int step = 0; step < 400 && in.remaining_bytes() > 0; ++step) {
        const std::vector<int> ids = online();
        const int op = in.ConsumeIntegralInRange(0, 6);
        if (op == 0 || ids.empty()) {
            const std::string nick = Pick(in, nicks, 12);
            const std::string address = Pick(in, addresses, 4);
            bool inUse = false;
            for (const int id : ids)
                inUse = inUse || model.players[static_cast<std::size_t>(id)].nick == nick;
            const bool refused =
                nick.empty() || nick.size() > MAX_NICKNAME_LENGTH || !Printable(nick) || inUse;
            Check(relay.LoginProblem(nick).empty() == !refused);
            const Slot slot = relay.Join(nick, address, now);
            Check((slot == NO_SLOT) == refused);
            if (refused) continue;
            for (const int id : ids)
                Check(model.players[static_cast<std::size_t>(id)].slot != slot);
            ModelPlayer p;
            p.nick = nick;
            p.address = address;
            p.slot = slot;
            p.online = true;
            model.players.push_back(std::move(p));
            model.Enter(static_cast<int>(model.players.size() - 1), START_MAP);
            continue;
        }
        const int id = ids[in.ConsumeIntegralInRange<std::size_t>(0, ids.size() - 1)];
        ModelPlayer& p = model.players[static_cast<std::size_t>(id)];
        switch (op) {
        case 1: { // a message; the network layer hands over the text before the first zero byte
            std::string text = Message(in);
            text.resize(std::min(text.size(), text.find('\0')));
            const std::vector<std::string> f = MessageFields(text);
            bool drop = false;
            switch (Int(f[0])) {
            case MSG_CHAT: {
                std::string clean;
                for (const char c : f[2])
                    if (clean.size() < MAX_CHAT_TEXT && IsWireTextChar(c)) clean.push_back(c);
                auto& byNick = model.nickChats[p.nick];
                auto& byAddress = model.addressChats[p.address];
                if (clean.empty() || !byNick.Allows(now, CHAT_WINDOW) || !byAddress.Allows(now, CHAT_WINDOW))
                    break;
                byNick.Admit(now, CHAT_WINDOW);
                byAddress.Admit(now, CHAT_WINDOW);
                const std::string line = EncodeFrame(BuildChatMessage(p.nick, clean, p.map));
                for (const int to : ids) {
                    model.players[static_cast<std::size_t>(to)].chat += line;
                    model.players[static_cast<std::size_t>(to)].touched = true;
                }
                break;
            }
            case MSG_POSITION: {
                const auto x = static_cast<float>(std::atof(f[2].c_str()));
                const auto y = static_cast<float>(std::atof(f[3].c_str()));
                const std::string& map = f[8];
                if (!std::isfinite(x) || !std::isfinite(y) || !ValidMapName(map)) break;
                if (map != p.map && !model.ChangeMap(id, map, now)) {
                    drop = true;
                    break;
                }
                p.position = EncodeFrame(
                    BuildPositionMessage(p.nick, x, y, Int(f[4]), Int(f[5]), Int(f[6]), Int(f[7]), map));
                for (const int to : model.members[map])
                    if (to != id) model.Owe(to, id, POSITION);
                break;
            }
            case MSG_MAPCHANGE:
                if (ValidMapName(f[2]) && f[2] != p.map) drop = !model.ChangeMap(id, f[2], now);
                break;
            default:
                break;
            }
            const char* problem = relay.Receive(p.slot, text, now);
            Check((problem != nullptr) == drop);
            if (drop) leave(id);
            break;
        }
        case 2:
            leave(id);
            break;
        case 3: { // the network writes: new bytes only once the buffer went out whole
            if (p.out.Empty()) {
                const std::string want = model.Take(id);
                const std::size_t before = p.out.Tail().size();
                Check(relay.TakeOutput(p.slot, p.out.Tail()) == want.size());
                Check(p.out.Tail().compare(before, std::string::npos, want) == 0);
                p.unsent += want;
            }
            const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, p.unsent.size());
            p.out.Wrote(n, now);
            p.unsent.erase(0, n);
            if (p.unsent.empty())
                p.waitingSince.reset();
            else if (n > 0 || !p.waitingSince)
                p.waitingSince = now;
            Check(p.out.Size() == p.unsent.size() && std::string(p.out.Data(), p.out.Size()) == p.unsent);
            break;
        }
        case 4:
            now += std::chrono::milliseconds(in.ConsumeIntegralInRange(0, 12000));
            break;
        case 5:
            relay.ForgetQuietChatters(now);
            break;
        default: {
            // The touched list names everyone owed something since it was last cleared; then the
            // network clears it. And the buffer's health is what the limits say.
            const std::vector<Slot>& touched = relay.Touched();
            for (const int other : ids) {
                ModelPlayer& q = model.players[static_cast<std::size_t>(other)];
                if (q.touched) Check(std::count(touched.begin(), touched.end(), q.slot) == 1);
                q.touched = false;
            }
            relay.ClearTouched();
            OutBuffer::Health want = OutBuffer::Health::Ok;
            if (p.unsent.size() + p.chat.size() > MAX_QUEUE_BYTES)
                want = OutBuffer::Health::Overflow;
            else if (p.waitingSince && now - *p.waitingSince > STALL)
                want = OutBuffer::Health::Stalled;
            Check(relay.ChatBytes(p.slot) == p.chat.size());
            Check(p.out.Check(relay.ChatBytes(p.slot), now, STALL) == want);
            break;
        }
        }
        // What anyone may ask of the relay at any time.
        const std::vector<int> after = online();
        Check(relay.PlayerCount() == after.size());
        for (const int other : after) {
            const ModelPlayer& q = model.players[static_cast<std::size_t>(other)];
            Check(relay.Nick(q.slot) == q.nick && relay.MapOf(q.slot) == q.map);
            Check(relay.PlayersOn(q.map) == model.members[q.map].size());
        }
    }
    // Everyone reads what is owed to them, then leaves.
    for (const int id : online()) {
        ModelPlayer& p = model.players[static_cast<std::size_t>(id)];
        std::string got;
        Check(relay.TakeOutput(p.slot, got) == got.size() && got == model.Take(id));
        leave(id);
    }
    Check(relay.PlayerCount() == 0);
    return 0;
}
