// Writing frames to the server's socket.
#include "net/net.h"
#include "wire/protocol.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

int putMsg(TCPsocket sock, std::string buf) {
    if (buf.empty()) return 1;
    // Prefix and body leave in one send, so a frame is never split by a failure between them.
    const std::string frame = EncodeFrame(buf);
    SDL_ClearError();
    errno = 0;
    const int sent = SDLNet_TCP_Send(sock, frame.data(), static_cast<int>(frame.size()));
    if (sent < static_cast<int>(frame.size())) {
        const char* text = SDLNet_GetError();
        if (!text || !*text) text = errno ? std::strerror(errno) : "connection lost";
        std::printf("SDLNet_TCP_Send: %s\n", text);
        return 0;
    }
    return sent - static_cast<int>(FRAME_PREFIX_BYTES);
}
