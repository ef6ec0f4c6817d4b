// The client's inbound stream without a socket: the bytes a server sends arrive in chunks of any
// size, are cut into frames a few per turn, and each message is handled against the roster and
// the chat log, the tick count being a counter. Checked against a cutting and a roster worked out
// here from the whole stream at once.
#include "core/chatlog.h"
#include "fuzz/fields.h"
#include "core/inbound.h"
#include "core/roster.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

static void Check(bool ok) {
    if (!ok) std::abort();
}

// The frames of stream up to the first impossible length or the unfinished end.
static std::vector<std::string> ReferenceFrames(const std::string& stream, bool& invalid) {
    std::vector<std::string> texts;
    invalid = false;
    std::size_t at = 0;
    while (stream.size() - at >= 4) {
        std::uint32_t len = 0;
        for (int i = 0; i < 4; ++i)
            len = len * 256 + static_cast<unsigned char>(stream[at + static_cast<std::size_t>(i)]);
        if (len == 0 || len > MAX_FRAME_BODY) {
            invalid = true;
            break;
        }
        if (stream.size() - at - 4 < len) break;
        const std::string body = stream.substr(at + 4, len);
        texts.push_back(body.substr(0, body.find('\0')));
        at += 4 + len;
    }
    return texts;
}

// A server may send "nan": stored as sent, it equals nothing, not even itself.
static bool SameFloat(float a, float b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

static int Int(const std::string& field) {
    const long long n = std::strtoll(field.c_str(), nullptr, 10);
    return n > INT_MAX ? INT_MAX : n < INT_MIN ? INT_MIN : static_cast<int>(n);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string ownnick = input.ConsumeRandomLengthString(MAX_NICKNAME_LENGTH);
    FlushBuffer();
    std::vector<character> roster;
    std::vector<std::string> expectedNicks; // the roster's names, in order
    InboundBuffer inbound;
    std::string stream;
    std::vector<std::string> handled;
    std::uint32_t now = 0;
    bool ended = false;
    const auto handle = [&](const std::string& text) {
        handled.push_back(text);
        ++now;
        const std::optional<std::string> line = ApplyServerMessage(text, ownnick, roster, now);
        if (line) WriteMessage(*line);
        const std::vector<std::string> f = MessageFields(text);
        const int type = Int(f[0]);
        Check(line.has_value() == (type == MSG_CHAT));
        if (type == MSG_CHAT) {
            Check(chatbuffer[0] == (f[1] + ": " + f[2]).substr(0, CHAT_LOG_LINE_CHARS));
        } else if (type == MSG_REMOVE && f[1] != ownnick) {
            const auto it = std::find(expectedNicks.begin(), expectedNicks.end(), f[1]);
            if (it != expectedNicks.end()) expectedNicks.erase(it);
        } else if (type == MSG_POSITION && f[1] != ownnick) {
            if (std::find(expectedNicks.begin(), expectedNicks.end(), f[1]) == expectedNicks.end() &&
                expectedNicks.size() < static_cast<std::size_t>(MAX_REMOTE_PLAYERS))
                expectedNicks.push_back(f[1]);
            const auto it = FindInRoster(roster, f[1]);
            if (it != roster.end()) {
                Check(SameFloat(it->netposx, static_cast<float>(std::atof(f[2].c_str()))));
                Check(SameFloat(it->netposy, static_cast<float>(std::atof(f[3].c_str()))));
                Check(it->direction == Int(f[4]) && it->walking == Int(f[5]) && it->collision == Int(f[6]));
                Check(it->charid == Int(f[7]) && it->map == f[8] && it->lastupdate == now);
            }
        }
        Check(roster.size() == expectedNicks.size());
        for (std::size_t i = 0; i < roster.size(); ++i)
            Check(roster[i].nickname == expectedNicks[i]);
    };
    while (!ended && input.remaining_bytes() > 0) {
        // One receive: only while less than a frame's worth waits, at most that much.
        if (InboundWantsBytes(inbound)) {
            const std::size_t room = INBOUND_RECEIVE_CHUNK - InboundWaiting(inbound);
            const std::string chunk = input.ConsumeBytesAsString(
                std::min<std::size_t>(room, input.ConsumeIntegral<std::uint8_t>()));
            InboundAppend(inbound, chunk.data(), chunk.size(), 0);
            stream += chunk;
        }
        // Turns until no whole frame is left; an impossible length ends the client.
        const int most = input.ConsumeIntegralInRange(1, 4);
        for (;;) {
            const InboundTurn turn = CutInboundFrames(inbound, most, 0, handle);
            Check(turn.handled <= most);
            if (turn.stopped == FrameStatus::Invalid) ended = true;
            if (turn.stopped != FrameStatus::Complete) break;
        }
        // What waits now is less than a whole frame, even the largest: there must be room for the rest.
        Check(ended || InboundWantsBytes(inbound));
    }
    bool invalid = false;
    Check(handled == ReferenceFrames(stream, invalid));
    Check(invalid == ended);
    for (const std::string& line : chatbuffer)
        Check(line.size() <= CHAT_LOG_LINE_CHARS);
    return 0;
}
