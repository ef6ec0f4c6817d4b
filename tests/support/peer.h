// Test support: a scripted game server that accepts one client and reads and writes its frames.
#pragma once

#include "tests/support/process.h"

#include <optional>
#include <string>

namespace tt {

// One TCP listener on 127.0.0.1 and a free port, and the one connection it accepts.
class Peer {
  public:
    Peer();
    ~Peer();
    int port() const { return port_; }
    // Accepts one connection; false on time-out.
    bool Accept(Millis timeout);
    // Reads one frame; its whole body (zero bytes included), or nullopt on time-out / close.
    std::optional<std::string> ReadFrameBody(Millis timeout);
    // Reads one frame and returns its text (up to the first zero byte).
    std::optional<std::string> ReadMessage(Millis timeout);
    // Reads frames until one whose text starts with prefix; nullopt on time-out.
    std::optional<std::string> ReadUntil(const std::string& prefix, Millis timeout);
    // Reads exactly n raw bytes; nullopt on time-out / close.
    std::optional<std::string> ReadBytes(std::size_t n, Millis timeout);
    // Sends text as a frame (length prefix, text, zero byte).
    void SendMessage(const std::string& text);
    // Sends raw bytes.
    void SendRaw(const std::string& bytes);
    // Closes the accepted connection with a reset instead of an orderly close.
    void ResetConnection();
    // Closes the accepted connection (the listener stays).
    void CloseConnection();
    // True when the client has closed its end (a read sees end of stream within timeout).
    bool PeerClosed(Millis timeout);
    // Stops listening (a later connect is refused).
    void StopListening();

  private:
    bool FillTo(std::size_t n, Millis timeout);
    int listenfd_ = -1, connfd_ = -1, port_ = 0;
    std::string inbuf_;
};

// A port on 127.0.0.1 with nothing listening.
int ClosedPort();

} // namespace tt
