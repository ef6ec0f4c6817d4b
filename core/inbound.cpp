#include "core/inbound.h"

std::size_t InboundWaiting(const InboundBuffer& in) {
    return in.bytes.size() - in.offset;
}

bool InboundWantsBytes(const InboundBuffer& in) {
    return InboundWaiting(in) < INBOUND_RECEIVE_CHUNK;
}

void InboundAppend(InboundBuffer& in, const char* data, std::size_t n) {
    in.bytes.append(data, n);
}

InboundTurn CutInboundFrames(InboundBuffer& in, int most,
                             const std::function<void(const std::string&)>& handle) {
    InboundTurn turn;
    turn.stopped = FrameStatus::Complete;
    std::string text;
    while (turn.handled < most) {
        turn.stopped = CutFrameAt(in.bytes, in.offset, text);
        if (turn.stopped != FrameStatus::Complete) break;
        ++turn.handled;
        handle(text);
    }
    // Once per turn, not once per frame: dropping bytes from the front costs what is left.
    if (turn.stopped != FrameStatus::Invalid) {
        in.bytes.erase(0, in.offset);
        in.offset = 0;
    }
    return turn;
}
