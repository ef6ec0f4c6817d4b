// The server's sockets: one listener and the client connections, on one Asio event loop
// and one thread. Frames are cut here and handed to the Relay; what it hands back goes
// into each client's OutQueue and out through the socket.
#pragma once

#include <asio.hpp>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "server/options.h"
#include "server/relay.h"

struct Connection;

class Server {
  public:
    // Opens the listener (throws asio::system_error when it cannot) and starts accepting.
    Server(asio::io_context& io, const ServerOptions& options);
    ~Server();
    // The port actually listened on (the chosen one when --port 0).
    unsigned short Port() const;
    // Closes the listener and every connection; the event loop then runs dry.
    void Stop();

  private:
    using ConnPtr = std::shared_ptr<Connection>;
    enum class End { Leave, Drop, Refuse };

    void Accept();
    void Read(const ConnPtr& conn);
    void OnRead(const ConnPtr& conn, std::size_t bytes);
    bool OnFrame(const ConnPtr& conn, const std::string& text, ServerTime now);
    void Close(const ConnPtr& conn, End end, const std::string& reason);
    void Dispatch();
    void Write(const ConnPtr& conn);
    void Sweep();
    void ScheduleSweep();

    asio::io_context& io_;
    ServerOptions options_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer acceptTimer_; // pause after a failed accept
    asio::steady_timer sweepTimer_;  // wakes Sweep, which enforces the timeouts
    std::chrono::milliseconds sweepEvery_;
    std::map<ConnId, ConnPtr> conns_; // every open connection, logged in or not
    ConnId nextId_ = 1;
    Relay relay_;
    std::vector<Delivery> out_; // what the relay produced and Dispatch has not queued yet
    bool stopped_ = false;
};
