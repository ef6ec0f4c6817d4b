// The bytes the server has sent and the client has not handled yet, cut into frames without a
// socket: the connection appends what it receives, and each turn hands the whole frames on.
#pragma once

#include "wire/protocol.h"

#include <cstddef>
#include <functional>
#include <string>

// One receive takes at most this much: the largest frame, so that one always fits.
constexpr std::size_t INBOUND_RECEIVE_CHUNK = FRAME_PREFIX_BYTES + MAX_FRAME_BODY;

// Received bytes; those before offset are handled and dropped at the end of the turn.
struct InboundBuffer {
    std::string bytes;
    std::size_t offset = 0;
};

// What one turn's cutting did: frames handed on, and why it stopped (Complete: the turn's
// allowance was used up; Incomplete: no whole frame left; Invalid: an impossible length).
struct InboundTurn {
    int handled = 0;
    FrameStatus stopped = FrameStatus::Incomplete;
};

// Bytes received and not yet handled.
std::size_t InboundWaiting(const InboundBuffer& in);
// True while less than one receive is waiting: only then is the socket read, so a flood waits in
// the kernel, where TCP flow control slows the sender, instead of in our memory.
bool InboundWantsBytes(const InboundBuffer& in);
// Adds n received bytes.
void InboundAppend(InboundBuffer& in, const char* data, std::size_t n);
// Hands up to most whole frames' texts to handle in arrival order, then drops the handled bytes.
InboundTurn CutInboundFrames(InboundBuffer& in, int most,
                             const std::function<void(const std::string&)>& handle);
