// One node of a world shared by several tavrel-server processes over NATS (docs/cluster.md).
//
// The NATS client runs threads of its own; everything it hears, and every answer of the
// key-value store, is queued here and taken by the event loop when WakeFd turns readable, so
// the relay rules still run on the loop's one thread. The blocking key-value calls (claim,
// refresh, release a nickname) run on a worker thread of this module, never on the loop.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "server/relay.h"
#include "wire/cluster.h"

struct __natsConnection;
struct __natsSubscription;
struct __natsMsg;

class Cluster {
  public:
    // The answer to Claim.
    struct ClaimResult {
        std::uint64_t ticket = 0;
        std::string nick;
        std::string problem; // "" when the nickname is now this node's
    };

    // Starts connecting to servers ("nats://host:port" each); while none answers, the node keeps
    // trying in the background and serves its own players alone. replicas: copies of the
    // nickname bucket when this node is the one that creates it. Throws std::runtime_error when
    // the NATS client refuses the addresses.
    Cluster(const std::vector<std::string>& servers, int replicas, Relay& relay);
    // Says goodbye to the other nodes and gives up this node's nickname claims.
    ~Cluster();
    Cluster(const Cluster&) = delete;
    Cluster& operator=(const Cluster&) = delete;

    // Readable while something waits for TakeInbound.
    int WakeFd() const { return wakeFd_; }
    const std::string& NodeId() const { return node_; }

    // Asks the cluster for nick on behalf of a login; the answer comes out of TakeInbound.
    void Claim(std::uint64_t ticket, const std::string& nick);
    // A local player left: its claim is given up.
    void Release(const std::string& nick);
    // Applies what came over the bus to the relay; appends the answers to claims and the local
    // nicknames whose claim another node holds now (they must be dropped) to lost.
    void TakeInbound(ServerTime now, std::vector<ClaimResult>& claims, std::vector<std::string>& lost);
    // After each turn of the loop: publishes what the local players did and follows them to
    // the maps they are on.
    void AfterTurn();
    // Now and then: heartbeats, silent nodes, claim refreshes.
    void Tick(ServerTime now);

  private:
    struct Inbound {
        enum Kind { Message, Connected, Disconnected, Claimed, Refreshed, Lost } kind;
        std::string subject, reply, data; // Message
        std::uint64_t ticket = 0;         // Claimed
        std::string nick, problem;        // Claimed, Refreshed, Lost
        std::uint64_t revision = 0, base = 0;
    };
    struct Job {
        enum class Kind { Claim, Release, Refresh } kind;
        std::uint64_t ticket = 0;
        std::string nick;
        std::uint64_t revision = 0;
    };

    static void OnMessage(__natsConnection*, __natsSubscription*, __natsMsg* msg, void* self);
    static void OnConnected(__natsConnection*, void* self);
    static void OnDisconnected(__natsConnection*, void* self);
    void Push(Inbound&& in);
    void Work();
    void Handle(const Inbound& in, ServerTime now);
    void Publish(const std::string& subject, const std::string& payload, const char* reply = nullptr);
    void PublishFrames(const std::string& subject, const std::string& frames);
    std::string PositionsOn(const std::string& map) const;
    void Follow(const std::string& map);
    void Heard(std::string_view node, ServerTime now);

    Relay& relay_;
    std::string node_;
    std::string origin_; // ClusterOrigin(node_)
    int replicas_;
    int wakeFd_ = -1;
    __natsConnection* nc_ = nullptr;

    std::mutex inMutex_; // guards inbound_, written by the client's and the worker's threads
    std::deque<Inbound> inbound_;

    std::mutex jobMutex_; // guards jobs_ and stop_
    std::condition_variable jobReady_;
    std::deque<Job> jobs_;
    bool stop_ = false;
    std::thread worker_;

    // The loop's own state.
    bool connected_ = false;
    std::unordered_map<std::string, __natsSubscription*> maps_; // map name -> subscription
    std::unordered_map<std::string, std::string> subjects_;     // map subject -> map name
    std::unordered_map<std::string, ServerTime> nodes_;         // other nodes, last heard
    std::unordered_map<std::string, std::uint64_t> claims_;     // local nicknames, revision
    ServerTime nextHeartbeat_{};
    ServerTime nextRefresh_{};
    std::vector<__natsSubscription*> fixed_; // chat, nodes, this node's answers
};
