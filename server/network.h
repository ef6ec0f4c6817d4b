// The server's sockets: one listener and the client connections on one epoll loop and one
// thread. Each turn of the loop reads every socket that has bytes, hands the frames to the
// Relay, and only then writes once to each client the Relay has something for, so what
// arrived together leaves together, in one write per client.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <sys/epoll.h>

#include "server/log.h"
#include "server/options.h"
#include "server/outqueue.h"
#include "server/relay.h"

struct Connection;
class Cluster;

class Server {
  public:
    // Opens the listener and, with options.cluster, starts joining the cluster; throws
    // std::system_error when it cannot listen, std::runtime_error on unusable cluster addresses.
    explicit Server(const ServerOptions& options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    // The port actually listened on (the chosen one when --port 0).
    unsigned short Port() const { return port_; }
    // Runs until SIGINT or SIGTERM (blocked by the caller and read here), then closes
    // every connection. Returns the signal's number.
    int Run(int signalFd);
    // One turn of Run's loop: waits up to maxWait (less when the sweep is due) for events and
    // handles them. Returns the number of a stop signal read from signalFd (registered by Run;
    // -1 for none), or 0. The fuzzing harness runs the whole server in its own process with it.
    int Turn(int signalFd, std::chrono::milliseconds maxWait);
    // Connections open, logged in or not.
    std::size_t OpenConnections() const { return open_; }

  private:
    enum class End { Leave, Drop, Refuse };

    void AcceptAll(ServerTime now);
    void ReadFrom(Connection& conn, ServerTime now);
    void CutFrames(Connection& conn, ServerTime now);
    bool OnFrame(Connection& conn, std::string_view text, ServerTime now);
    void LogIn(Connection& conn, ServerTime now);
    void HearCluster(ServerTime now);
    void Close(Connection& conn, End end, const std::string& reason);
    void MarkDirty(Connection& conn);
    void FlushAll(ServerTime now);
    void WriteOut(Connection& conn, ServerTime now);
    void WantWrite(Connection& conn, bool want);
    void Sweep(ServerTime now);
    void Log(const std::string& address, const std::string& line, ServerTime now);

    ServerOptions options_;
    int listenFd_ = -1;
    int epollFd_ = -1;
    unsigned short port_ = 0;
    std::vector<std::unique_ptr<Connection>> byFd_;    // every open connection, by descriptor
    std::vector<Connection*> bySlot_;                  // logged-in connections, by relay slot
    std::vector<Connection*> dirty_;                   // to write to at the end of this turn
    std::vector<int> closing_;                         // descriptors to close at the end of this turn
    std::vector<std::unique_ptr<Connection>> retired_; // closed this turn; events may still name them
    std::unordered_map<std::string, std::size_t> perAddress_;
    std::size_t open_ = 0;
    bool acceptPaused_ = false;
    ServerTime acceptAgainAt_;
    ServerTime nextSweep_;
    std::chrono::milliseconds sweepEvery_;
    Relay relay_;
    std::unique_ptr<Cluster> cluster_; // null when running alone
    // Logins waiting for the cluster to grant their nickname, by ticket, and their nicknames.
    std::unordered_map<std::uint64_t, Connection*> claiming_;
    std::unordered_set<std::string> claimingNicks_;
    std::uint64_t nextTicket_ = 1;
    LogThrottle throttle_;
    std::vector<char> chunk_;         // one read
    std::vector<epoll_event> events_; // what one wait hands over
};
