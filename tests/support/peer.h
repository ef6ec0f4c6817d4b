// Scripted ends of game connections: a player that connects to a server, and a server that
// accepts one client. Both read the other end's frames the same way.
#pragma once

#include "tests/support/process.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <netinet/in.h>

namespace tt {

// The address of port on 127.0.0.1.
sockaddr_in Loopback(int port);
// A socket listening on 127.0.0.1 with room for backlog waiting connections; its port goes to *port.
int ListenOnLoopback(int backlog, int* port);
// A port on 127.0.0.1 with nothing listening.
int ClosedPort();

// One end of a game connection and (unless told not to read) a thread that reads every frame the
// other end sends into a list the test takes from; a frame's text ends at its first zero byte.
class Connection {
  public:
    Connection() = default;
    ~Connection() { Close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Sends bytes as they are; false when the connection refuses them.
    bool SendRaw(const std::string& bytes);
    bool Send(const std::string& text);
    // A position message framed as the client frames it, with its extra zero byte.
    bool SendPosition(const std::string& nick, float x, float y, const std::string& map);
    // The next frame's text; nullopt after timeout, or at once when the other end has closed.
    std::optional<std::string> Next(Millis timeout = 3s);
    // The next frame whose text starts with prefix; the frames before it are skipped.
    std::optional<std::string> ReadUntil(const std::string& prefix, Millis timeout);
    // Every frame text that arrives until nothing has come for quiet.
    std::vector<std::string> Drain(Millis quiet = 300ms);
    // Reads frames into heard until all of texts are among them; false after timeout or close.
    bool Hears(const std::vector<std::string>& texts, Millis timeout = 5s,
               std::vector<std::string>* heard = nullptr);
    // The other end closed the connection within timeout (a reading connection only).
    bool WaitClosed(Millis timeout);
    void Close();
    // Closes with a reset instead of an orderly close.
    void Reset();

  protected:
    // Takes over a connected socket, and reads it if asked to.
    void Open(int fd, bool reading);

  private:
    void ReadLoop();

    int fd_ = -1;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::string> texts_;
    bool closed_ = false;
};

// A scripted player connected to port on 127.0.0.1. rcvbuf > 0 shrinks the receive buffer, so a
// player that does not read backs up fast; from (another loopback address such as "127.0.0.2")
// makes it a player from elsewhere.
class ScriptedPlayer : public Connection {
  public:
    explicit ScriptedPlayer(int port, bool reading = true, int rcvbuf = 0, const char* from = nullptr);
};

// A scripted game server: a listener on 127.0.0.1 and a free port, and the one client it accepts.
class Peer : public Connection {
  public:
    Peer() { listenfd_ = ListenOnLoopback(8, &port_); }
    ~Peer();
    int port() const { return port_; }
    bool Accept(Millis timeout, bool reading = true);

  private:
    int listenfd_ = -1, port_ = 0;
};

} // namespace tt
