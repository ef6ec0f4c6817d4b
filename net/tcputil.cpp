// Writing frames to the server's socket.
#include "net/net.h"
#include "wire/protocol.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

volatile std::sig_atomic_t sendinprogress = 0;

int putMsg(TCPsocket to, std::string buf) {
    if (buf.empty()) return 1;
    // Prefix and body leave in one send, so a frame is never split by a failure between them.
    const std::string frame = EncodeFrame(buf);
    SDL_ClearError();
    errno = 0;
    sendinprogress = 1;
    const int sent = SDLNet_TCP_Send(to, frame.data(), static_cast<int>(frame.size()));
    sendinprogress = 0;
    if (sent < static_cast<int>(frame.size())) {
        const int error = errno;
        // Standard output gets the library's own words only; the system's reason goes with the
        // player's explanation to standard error.
        const char* text = SDLNet_GetError();
        if (text && *text) std::printf("SDLNet_TCP_Send: %s\n", text);
        std::fprintf(stderr, "Lost the connection to the server: a send failed (%s).\n",
                     error ? std::strerror(error) : "nothing was sent");
        return 0;
    }
    return sent - static_cast<int>(FRAME_PREFIX_BYTES);
}
