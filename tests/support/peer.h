// A scripted game server: one listener on 127.0.0.1 and the one connection it accepts.
#pragma once

#include "tests/support/process.h"

namespace tt {

// A socket listening on 127.0.0.1 with room for backlog waiting connections; its port goes to *port.
int ListenOnLoopback(int backlog, int* port);
// A port on 127.0.0.1 with nothing listening.
int ClosedPort();

// One TCP listener on 127.0.0.1 and a free port, and the one connection it accepts.
class Peer {
  public:
    Peer() { listenfd_ = ListenOnLoopback(8, &port_); }
    ~Peer();
    int port() const { return port_; }
    bool Accept(Millis timeout);
    // Reads one frame; its whole body (zero bytes included), or nullopt on time-out / close.
    std::optional<std::string> ReadFrameBody(Millis timeout);
    // Reads one frame and returns its text (up to the first zero byte).
    std::optional<std::string> ReadMessage(Millis timeout);
    // Reads frames until one whose text starts with prefix; nullopt on time-out.
    std::optional<std::string> ReadUntil(const std::string& prefix, Millis timeout);
    void SendMessage(const std::string& text);
    void SendRaw(const std::string& bytes);
    // Closes the accepted connection with a reset instead of an orderly close.
    void ResetConnection();
    void CloseConnection();

  private:
    bool FillTo(std::size_t n, Millis timeout);
    int listenfd_ = -1, connfd_ = -1, port_ = 0;
    std::string inbuf_;
};

} // namespace tt
