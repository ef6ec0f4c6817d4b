#include "core/inbound.h"

std::size_t InboundWaiting(const InboundBuffer& in) {
    return in.bytes.size() - in.offset;
}

bool InboundWantsBytes(const InboundBuffer& in) {
    return InboundWaiting(in) < INBOUND_RECEIVE_CHUNK;
}

void InboundAppend(InboundBuffer& in, const char* data, std::size_t n, std::uint32_t now) {
    if (InboundWaiting(in) == 0) in.frontsince = now;
    in.bytes.append(data, n);
}

bool InboundStalled(const InboundBuffer& in, std::uint32_t now) {
    return InboundWaiting(in) > 0 && now - in.frontsince >= PARTIAL_FRAME_TIMEOUT_MS;
}

InboundTurn CutInboundFrames(InboundBuffer& in, int most, std::uint32_t now,
                             const std::function<void(const std::string&)>& handle) {
    InboundTurn turn;
    turn.stopped = FrameStatus::Complete;
    std::string text;
    while (turn.handled < most) {
        turn.stopped = CutFrameAt(in.bytes, in.offset, text);
        if (turn.stopped != FrameStatus::Complete) break;
        ++turn.handled;
        in.frontsince = now;
        handle(text);
    }
    // Once per turn, not once per frame: dropping bytes from the front costs what is left.
    if (turn.stopped != FrameStatus::Invalid) {
        in.bytes.erase(0, in.offset);
        in.offset = 0;
    }
    return turn;
}
