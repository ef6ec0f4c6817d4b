// The bytes the server has sent and the client has not handled yet, cut into frames without a
// socket: the connection appends what it receives, and each turn hands the whole frames on.
#pragma once

#include "wire/protocol.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// One receive takes at most this much: the largest frame, so that one always fits.
constexpr std::size_t INBOUND_RECEIVE_CHUNK = FRAME_PREFIX_BYTES + MAX_FRAME_BODY;

// A frame begun but not finished within this many ms means the server is gone.
constexpr std::uint32_t PARTIAL_FRAME_TIMEOUT_MS = 5000;

// Received bytes; those before offset are handled and dropped at the end of the turn. Times are
// the caller's millisecond clock (SDL's ticks in the game), so a wrap of the counter is harmless.
struct InboundBuffer {
    std::string bytes;
    std::size_t offset = 0;
    // When the frame at the front began to wait for its bytes: its first byte arrived into an
    // empty buffer, or the frame before it was handled.
    std::uint32_t frontsince = 0;
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
// Adds n bytes received at now.
void InboundAppend(InboundBuffer& in, const char* data, std::size_t n, std::uint32_t now);
// Hands up to most whole frames' texts to handle in arrival order, then drops the handled bytes.
InboundTurn CutInboundFrames(InboundBuffer& in, int most, std::uint32_t now,
                             const std::function<void(const std::string&)>& handle);
// True when part of a frame has waited PARTIAL_FRAME_TIMEOUT_MS or longer for the rest.
bool InboundStalled(const InboundBuffer& in, std::uint32_t now);
