#include "server/network.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>

#include "server/cluster.h"
#include "wire/protocol.h"

// Kernel send buffer per client. Small on purpose: bytes a stuck client has not read pile
// up where they are counted and limited, not out of sight in the kernel.
static constexpr int SOCKET_SEND_BUFFER = 64 * 1024;
// Longest part of a refused nickname that goes into the log.
static constexpr std::size_t LOGGED_NICK_BYTES = 32;
// Pause before accepting again after accept failed (out of file descriptors, for one).
static constexpr std::chrono::milliseconds ACCEPT_RETRY{200};
// Most bytes taken from one socket per turn, so one busy peer cannot hold up the others.
static constexpr std::size_t READ_CHUNK = 64 * 1024;
// Events taken from the kernel per wake-up; the rest come at the next, at once.
static constexpr int MAX_EVENTS = 4096;

struct Connection {
    int fd = -1;
    Slot slot = NO_SLOT;
    std::string address; // the peer's address alone: the key of the per-address limits
    std::string peer;    // "address:port", for the log
    std::string nick;    // the login frame's text once it has come
    bool loggedIn = false;
    bool closed = false;
    bool dirty = false;
    bool writing = false; // waits for the socket to take more (EPOLLOUT registered)
    // The login waits for the cluster's answer about its nickname; frames wait in inbuf.
    bool claiming = false;
    std::uint64_t ticket = 0;
    std::string inbuf; // bytes read and not yet cut into frames
    ServerTime connectedAt;
    ServerTime heardAt;                     // the last complete frame
    std::optional<ServerTime> partialSince; // when the first byte of an unfinished frame came
    OutBuffer out;
};

static std::string Ms(std::chrono::milliseconds ms) {
    return std::to_string(ms.count()) + " ms";
}

static std::system_error SystemError(const std::string& what) {
    return std::system_error(errno, std::generic_category(), what);
}

// The numeric address of a peer and "address:port" for the log.
static std::pair<std::string, std::string> PeerNames(const sockaddr_storage& addr, socklen_t len) {
    char host[NI_MAXHOST], port[NI_MAXSERV];
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&addr), len, host, sizeof host, port, sizeof port,
                    NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return {"?", "?"};
    const std::string shown = addr.ss_family == AF_INET6 ? "[" + std::string(host) + "]" : host;
    return {host, shown + ":" + port};
}

Server::Server(const ServerOptions& options)
    : options_(options), chunk_(READ_CHUNK), events_(static_cast<std::size_t>(MAX_EVENTS)) {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE | AI_NUMERICSERV;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(options_.bind.c_str(), std::to_string(options_.port).c_str(), &hints, &found);
    if (rc != 0) throw std::system_error(EINVAL, std::generic_category(), gai_strerror(rc));
    listenFd_ = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int yes = 1;
    const bool ok = listenFd_ >= 0 &&
                    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0 &&
                    bind(listenFd_, found->ai_addr, found->ai_addrlen) == 0 && listen(listenFd_, 1024) == 0;
    freeaddrinfo(found);
    if (!ok) {
        const std::system_error error = SystemError("listen");
        if (listenFd_ >= 0) close(listenFd_);
        throw error;
    }
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&bound), &len);
    port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                              : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    epollFd_ = epoll_create1(EPOLL_CLOEXEC);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = listenFd_;
    if (epollFd_ < 0 || epoll_ctl(epollFd_, EPOLL_CTL_ADD, listenFd_, &ev) != 0) {
        const std::system_error error = SystemError("epoll");
        close(listenFd_);
        throw error;
    }
    // The sweep finds expired timers; a tenth of the shortest one keeps it accurate
    // without waking an idle server more than a few times a second.
    const auto shortest =
        std::min({options_.loginTimeout, options_.frameTimeout, options_.stallTimeout, options_.idleTimeout});
    sweepEvery_ = std::clamp(shortest / 10, std::chrono::milliseconds(5), std::chrono::milliseconds(250));
    nextSweep_ = ServerClock::now() + sweepEvery_;
    if (!options_.cluster.empty()) {
        cluster_ = std::make_unique<Cluster>(options_.cluster, options_.clusterReplicas, relay_);
        relay_.SetPublishing(true);
        ev.data.fd = cluster_->WakeFd();
        epoll_ctl(epollFd_, EPOLL_CTL_ADD, cluster_->WakeFd(), &ev);
        LogLine("cluster: node " + cluster_->NodeId() + " joining via " + options_.cluster.front() +
                (options_.cluster.size() > 1 ? " and " + std::to_string(options_.cluster.size() - 1) + " more"
                                             : ""));
    }
}

Server::~Server() {
    cluster_.reset();
    for (const auto& conn : byFd_) {
        if (conn) close(conn->fd);
    }
    for (const int fd : closing_)
        close(fd);
    close(listenFd_);
    close(epollFd_);
}

int Server::Run(int signalFd) {
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = signalFd;
    epoll_ctl(epollFd_, EPOLL_CTL_ADD, signalFd, &ev);
    for (;;) {
        if (const int signal = Turn(signalFd, std::chrono::milliseconds::max())) return signal;
    }
}

int Server::Turn(int signalFd, std::chrono::milliseconds maxWait) {
    const auto untilSweep =
        std::chrono::duration_cast<std::chrono::milliseconds>(nextSweep_ - ServerClock::now()).count();
    // The sweep is at most a quarter second away, so the wait always fits an int.
    const long long wait = std::min<long long>(std::max<long long>(0, untilSweep + 1), maxWait.count());
    const int n = epoll_wait(epollFd_, events_.data(), MAX_EVENTS, static_cast<int>(wait));
    if (n < 0 && errno != EINTR) throw SystemError("epoll_wait");
    const ServerTime now = ServerClock::now();
    for (int i = 0; i < n; ++i) {
        const int fd = events_[static_cast<std::size_t>(i)].data.fd;
        const std::uint32_t what = events_[static_cast<std::size_t>(i)].events;
        if (fd == signalFd) {
            signalfd_siginfo info{};
            if (read(signalFd, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) continue;
            LogLine(std::string("stopping on ") + (info.ssi_signo == SIGINT ? "SIGINT" : "SIGTERM"));
            return static_cast<int>(info.ssi_signo);
        }
        if (fd == listenFd_) {
            AcceptAll(now);
            continue;
        }
        if (cluster_ && fd == cluster_->WakeFd()) {
            HearCluster(now);
            continue;
        }
        Connection* conn =
            static_cast<std::size_t>(fd) < byFd_.size() ? byFd_[static_cast<std::size_t>(fd)].get() : nullptr;
        if (!conn || conn->closed) continue;
        if (what & (EPOLLIN | EPOLLHUP | EPOLLERR)) ReadFrom(*conn, now);
        if ((what & EPOLLOUT) && !conn->closed) MarkDirty(*conn);
    }
    FlushAll(now);
    if (now >= nextSweep_) {
        Sweep(now);
        if (cluster_) cluster_->Tick(now);
        FlushAll(now);
        nextSweep_ = now + sweepEvery_;
    }
    if (cluster_) cluster_->AfterTurn();
    for (const int fd : closing_)
        close(fd);
    closing_.clear();
    return 0;
}

void Server::AcceptAll(ServerTime now) {
    for (;;) {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        const int fd =
            accept4(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED) return;
            LogLine(std::string("accept failed: ") + std::strerror(errno));
            // The listener stays ready while the cause lasts; look again a little later.
            epoll_ctl(epollFd_, EPOLL_CTL_DEL, listenFd_, nullptr);
            acceptPaused_ = true;
            acceptAgainAt_ = now + ACCEPT_RETRY;
            return;
        }
        auto [address, peer] = PeerNames(addr, len);
        std::size_t& fromAddress = perAddress_[address];
        std::string refusal;
        if (fromAddress >= options_.maxPerAddress) {
            refusal = "more than " + std::to_string(options_.maxPerAddress) + " connections from " + address;
        } else if (open_ >= options_.maxClients) {
            // Room for a newcomer: a connection that has not logged in since the longest
            // gives way, so idle connections cannot keep real players out.
            Connection* oldest = nullptr;
            for (const auto& conn : byFd_) {
                if (conn && !conn->closed && !conn->loggedIn &&
                    (!oldest || conn->connectedAt < oldest->connectedAt))
                    oldest = conn.get();
            }
            if (oldest) {
                Close(*oldest, End::Drop, "not logged in; its place goes to a newcomer");
            } else {
                refusal = "server full (" + std::to_string(options_.maxClients) + " connections)";
            }
        }
        if (!refusal.empty()) {
            if (fromAddress == 0) perAddress_.erase(address);
            Log(address, "refuse - " + peer + ": " + refusal, now);
            close(fd);
            continue;
        }
        const int yes = 1;
        // Positions are small and late ones are useless: send each at once.
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &SOCKET_SEND_BUFFER, sizeof SOCKET_SEND_BUFFER);
        auto conn = std::make_unique<Connection>();
        conn->fd = fd;
        conn->address = std::move(address);
        conn->peer = std::move(peer);
        conn->connectedAt = now;
        conn->heardAt = now;
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = fd;
        if (epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &ev) != 0) {
            close(fd);
            continue;
        }
        ++fromAddress;
        ++open_;
        if (byFd_.size() <= static_cast<std::size_t>(fd)) byFd_.resize(static_cast<std::size_t>(fd) + 1);
        byFd_[static_cast<std::size_t>(fd)] = std::move(conn);
    }
}

void Server::ReadFrom(Connection& conn, ServerTime now) {
    const ssize_t n = recv(conn.fd, chunk_.data(), chunk_.size(), 0);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
        Close(conn, End::Leave, std::strerror(errno));
        return;
    }
    if (n == 0) {
        Close(conn, End::Leave, "connection closed");
        return;
    }
    conn.inbuf.append(chunk_.data(), static_cast<std::size_t>(n));
    CutFrames(conn, now);
}

void Server::CutFrames(Connection& conn, ServerTime now) {
    // Frames are cut in place; the bytes they took go in one move at the end.
    std::size_t at = 0;
    bool cutOne = false;
    const std::string& in = conn.inbuf;
    while (!conn.claiming) {
        std::string_view text;
        const FrameStatus status = CutFrameView(in, at, text);
        if (status == FrameStatus::Incomplete) break;
        if (status == FrameStatus::Invalid) {
            Close(conn, End::Drop,
                  "frame length " + std::to_string(ReadFrameLength(in.data() + at)) + " outside 1 to " +
                      std::to_string(MAX_FRAME_BODY));
            return;
        }
        cutOne = true;
        if (!OnFrame(conn, text, now)) return;
    }
    conn.inbuf.erase(0, at);
    if (cutOne) conn.heardAt = now;
    // The frame timer runs from the first byte of the frame that is still unfinished.
    if (conn.inbuf.empty()) {
        conn.partialSince.reset();
    } else if (cutOne || !conn.partialSince) {
        conn.partialSince = now;
    }
}

bool Server::OnFrame(Connection& conn, std::string_view text, ServerTime now) {
    if (conn.loggedIn) {
        if (const char* problem = relay_.Receive(conn.slot, text, now)) {
            Close(conn, End::Drop, problem);
            return false;
        }
        return true;
    }
    conn.nick.assign(text);
    std::string problem = relay_.LoginProblem(conn.nick);
    if (problem.empty() && claimingNicks_.count(conn.nick) != 0) problem = "nickname in use";
    if (!problem.empty()) {
        Close(conn, End::Refuse, problem);
        return false;
    }
    if (cluster_) {
        // The frames after the login wait until the cluster says whose nickname this is.
        conn.claiming = true;
        conn.ticket = nextTicket_++;
        claiming_.emplace(conn.ticket, &conn);
        claimingNicks_.insert(conn.nick);
        cluster_->Claim(conn.ticket, conn.nick);
        return true;
    }
    LogIn(conn, now);
    return true;
}

void Server::LogIn(Connection& conn, ServerTime now) {
    conn.slot = relay_.Join(conn.nick, conn.address, now);
    conn.loggedIn = true;
    if (bySlot_.size() <= conn.slot) bySlot_.resize(conn.slot + 1, nullptr);
    bySlot_[conn.slot] = &conn;
    Log(conn.address,
        "join \"" + Printable(conn.nick) + "\" " + conn.peer + " (" + std::to_string(relay_.PlayerCount()) +
            " online)",
        now);
}

void Server::HearCluster(ServerTime now) {
    std::vector<Cluster::ClaimResult> claims;
    std::vector<std::string> lost;
    cluster_->TakeInbound(now, claims, lost);
    for (const Cluster::ClaimResult& claim : claims) {
        claimingNicks_.erase(claim.nick);
        const auto waiting = claiming_.find(claim.ticket);
        if (waiting == claiming_.end()) { // the connection went meanwhile
            if (claim.problem.empty()) cluster_->Release(claim.nick);
            continue;
        }
        Connection& conn = *waiting->second;
        claiming_.erase(waiting);
        conn.claiming = false;
        std::string problem = claim.problem;
        // A player of another node, seen here, whose claim has just expired.
        if (problem.empty()) problem = relay_.LoginProblem(conn.nick);
        if (!problem.empty()) {
            if (claim.problem.empty()) cluster_->Release(claim.nick);
            Close(conn, End::Refuse, problem);
            continue;
        }
        LogIn(conn, now);
        CutFrames(conn, now);
    }
    for (const std::string& nick : lost) {
        for (Connection* conn : bySlot_) {
            if (conn && !conn->closed && conn->nick == nick) {
                Close(*conn, End::Drop, "the nickname's claim expired and another node holds it now");
                break;
            }
        }
    }
}

void Server::Close(Connection& conn, End end, const std::string& reason) {
    if (conn.closed) return;
    conn.closed = true;
    epoll_ctl(epollFd_, EPOLL_CTL_DEL, conn.fd, nullptr);
    // The descriptor stays open until the end of the turn, so that events already taken
    // for it cannot reach a new connection that the kernel gives the same number.
    closing_.push_back(conn.fd);
    --open_;
    const auto count = perAddress_.find(conn.address);
    if (count != perAddress_.end() && --count->second == 0) perAddress_.erase(count);
    if (conn.loggedIn) {
        relay_.Leave(conn.slot);
        bySlot_[conn.slot] = nullptr;
        if (cluster_) cluster_->Release(conn.nick);
    }
    if (conn.claiming) claiming_.erase(conn.ticket); // its answer is released when it comes
    const char* word = end == End::Leave ? "leave" : end == End::Drop ? "drop" : "refuse";
    std::string who = "-";
    if (conn.loggedIn || end == End::Refuse) {
        const std::string shown = Printable(conn.nick.substr(0, LOGGED_NICK_BYTES));
        who = "\"" + shown + (conn.nick.size() > LOGGED_NICK_BYTES ? "...\"" : "\"");
    }
    std::string line = std::string(word) + " " + who + " " + conn.peer + ": " + reason;
    if (conn.loggedIn) line += " (" + std::to_string(relay_.PlayerCount()) + " online)";
    Log(conn.address, line, ServerClock::now());
    // The record goes with the turn; events of this turn may still name it.
    std::unique_ptr<Connection>& owner = byFd_[static_cast<std::size_t>(conn.fd)];
    retired_.push_back(std::move(owner));
}

void Server::MarkDirty(Connection& conn) {
    if (conn.dirty) return;
    conn.dirty = true;
    dirty_.push_back(&conn);
}

void Server::FlushAll(ServerTime now) {
    // Dropping a client tells the players on its map, which touches more; go round until quiet.
    while (!relay_.Touched().empty() || !dirty_.empty()) {
        for (const Slot slot : relay_.Touched()) {
            if (slot < bySlot_.size() && bySlot_[slot]) MarkDirty(*bySlot_[slot]);
        }
        relay_.ClearTouched();
        std::vector<Connection*> batch;
        batch.swap(dirty_);
        for (Connection* conn : batch) {
            conn->dirty = false;
            if (!conn->closed) WriteOut(*conn, now);
        }
        batch.clear();
        if (dirty_.empty()) dirty_.swap(batch); // keeps the capacity
    }
    retired_.clear();
}

void Server::WriteOut(Connection& conn, ServerTime now) {
    for (;;) {
        if (conn.out.Empty() && relay_.TakeOutput(conn.slot, conn.out.Tail()) == 0) break;
        if (conn.out.Check(relay_.ChatBytes(conn.slot), now, options_.stallTimeout) ==
            OutBuffer::Health::Overflow) {
            Close(conn, End::Drop,
                  "more than " + std::to_string(MAX_QUEUE_BYTES) + " bytes waiting to be sent");
            return;
        }
        const ssize_t n = send(conn.fd, conn.out.Data(), conn.out.Size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                conn.out.Wrote(0, now);
                break;
            }
            Close(conn, End::Leave, std::string("write failed: ") + std::strerror(errno));
            return;
        }
        conn.out.Wrote(static_cast<std::size_t>(n), now);
        if (!conn.out.Empty()) break;
    }
    WantWrite(conn, !conn.out.Empty());
}

void Server::WantWrite(Connection& conn, bool want) {
    if (conn.writing == want) return;
    conn.writing = want;
    epoll_event ev{};
    ev.events = want ? EPOLLIN | EPOLLOUT : EPOLLIN;
    ev.data.fd = conn.fd;
    epoll_ctl(epollFd_, EPOLL_CTL_MOD, conn.fd, &ev);
}

void Server::Sweep(ServerTime now) {
    if (acceptPaused_ && now >= acceptAgainAt_) {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = listenFd_;
        epoll_ctl(epollFd_, EPOLL_CTL_ADD, listenFd_, &ev);
        acceptPaused_ = false;
    }
    std::vector<std::pair<Connection*, std::string>> expired;
    for (const auto& owner : byFd_) {
        if (!owner || owner->closed) continue;
        Connection& conn = *owner;
        if (!conn.loggedIn && now - conn.connectedAt >= options_.loginTimeout) {
            expired.emplace_back(&conn, "no login within " + Ms(options_.loginTimeout));
        } else if (conn.partialSince && now - *conn.partialSince >= options_.frameTimeout) {
            expired.emplace_back(&conn, "frame not complete within " + Ms(options_.frameTimeout));
        } else if (conn.loggedIn && now - conn.heardAt >= options_.idleTimeout) {
            expired.emplace_back(&conn, "nothing sent for " + Ms(options_.idleTimeout));
        } else if (conn.out.Check(relay_.ChatBytes(conn.slot), now, options_.stallTimeout) ==
                   OutBuffer::Health::Stalled) {
            expired.emplace_back(&conn, "nothing could be sent for " + Ms(options_.stallTimeout));
        }
    }
    for (const auto& victim : expired)
        Close(*victim.first, End::Drop, victim.second);
    for (const std::string& line : throttle_.Summaries(now))
        LogLine(line);
    relay_.ForgetQuietChatters(now);
}

void Server::Log(const std::string& address, const std::string& line, ServerTime now) {
    if (throttle_.Admit(address, now)) LogLine(line);
}
