#include "server/network.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "wire/protocol.h"
#include "server/log.h"
#include "server/outqueue.h"

// Kernel send buffer per client. Small on purpose: bytes a stuck client has not read pile
// up in its OutQueue, where they are counted and limited, not out of sight in the kernel.
static constexpr int SOCKET_SEND_BUFFER = 64 * 1024;
// Longest part of a refused nickname that goes into the log.
static constexpr std::size_t LOGGED_NICK_BYTES = 32;
// Pause before accepting again after accept failed (out of file descriptors, for one).
static constexpr std::chrono::milliseconds ACCEPT_RETRY{200};

struct Connection {
    explicit Connection(asio::ip::tcp::socket s) : socket(std::move(s)) {}

    ConnId id = 0;
    asio::ip::tcp::socket socket;
    std::string peer; // "address:port", for the log
    std::string nick; // the login frame's text once it has come
    bool loggedIn = false;
    bool closed = false;
    bool touched = false;           // got messages in the Dispatch round under way
    std::string inbuf;              // bytes read and not yet cut into frames
    std::array<char, 8192> chunk{}; // one read
    ServerTime connectedAt;
    std::optional<ServerTime> partialSince; // when the first byte of an unfinished frame came
    OutQueue queue;
    std::vector<asio::const_buffer> buffers; // the batch being written, as Asio sees it
};

static std::string PeerName(const asio::ip::tcp::socket& socket) {
    asio::error_code ec;
    const asio::ip::tcp::endpoint remote = socket.remote_endpoint(ec);
    if (ec) return "?";
    const asio::ip::address address = remote.address();
    const std::string host = address.is_v6() ? "[" + address.to_string() + "]" : address.to_string();
    return host + ":" + std::to_string(remote.port());
}

static std::string Ms(std::chrono::milliseconds ms) {
    return std::to_string(ms.count()) + " ms";
}

Server::Server(asio::io_context& io, const ServerOptions& options)
    : io_(io), options_(options), acceptor_(io), acceptTimer_(io), sweepTimer_(io) {
    const asio::ip::tcp::endpoint endpoint(asio::ip::make_address(options_.bind),
                                           static_cast<unsigned short>(options_.port));
    acceptor_.open(endpoint.protocol());
    acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true));
    acceptor_.bind(endpoint);
    acceptor_.listen();
    // The sweep finds expired timers; a tenth of the shortest one keeps it accurate
    // without waking an idle server more than a few times a second.
    const auto shortest = std::min({options_.loginTimeout, options_.frameTimeout, options_.stallTimeout});
    sweepEvery_ = std::clamp(shortest / 10, std::chrono::milliseconds(5), std::chrono::milliseconds(250));
    Accept();
    ScheduleSweep();
}

Server::~Server() = default;

unsigned short Server::Port() const {
    return acceptor_.local_endpoint().port();
}

void Server::Stop() {
    stopped_ = true;
    asio::error_code ignored;
    acceptor_.close(ignored);
    acceptTimer_.cancel();
    sweepTimer_.cancel();
    for (auto& entry : conns_) {
        entry.second->closed = true;
        entry.second->socket.close(ignored);
    }
    conns_.clear();
}

void Server::Accept() {
    acceptor_.async_accept([this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
        if (stopped_) return;
        if (ec) {
            LogLine("accept failed: " + ec.message());
            acceptTimer_.expires_after(ACCEPT_RETRY);
            acceptTimer_.async_wait([this](const asio::error_code& waited) {
                if (!waited && !stopped_) Accept();
            });
            return;
        }
        auto conn = std::make_shared<Connection>(std::move(socket));
        conn->peer = PeerName(conn->socket);
        if (conns_.size() >= options_.maxClients) {
            LogLine("refuse - " + conn->peer + ": server full (" + std::to_string(options_.maxClients) +
                    " connections)");
            asio::error_code ignored;
            conn->socket.close(ignored);
        } else {
            asio::error_code ignored;
            // Positions are small and late ones are useless: send each at once.
            conn->socket.set_option(asio::ip::tcp::no_delay(true), ignored);
            conn->socket.set_option(asio::socket_base::send_buffer_size(SOCKET_SEND_BUFFER), ignored);
            conn->id = nextId_++;
            conn->connectedAt = ServerClock::now();
            conns_.emplace(conn->id, conn);
            Read(conn);
        }
        Accept();
    });
}

void Server::Read(const ConnPtr& conn) {
    conn->socket.async_read_some(
        asio::buffer(conn->chunk), [this, conn](const asio::error_code& ec, std::size_t n) {
            if (conn->closed) return;
            if (ec) {
                Close(conn, End::Leave, ec == asio::error::eof ? "connection closed" : ec.message());
                Dispatch();
                return;
            }
            OnRead(conn, n);
        });
}

void Server::OnRead(const ConnPtr& conn, std::size_t bytes) {
    const ServerTime now = ServerClock::now();
    conn->inbuf.append(conn->chunk.data(), bytes);
    bool cutOne = false;
    std::string text;
    for (;;) {
        const FrameStatus status = CutFrame(conn->inbuf, text);
        if (status == FrameStatus::Incomplete) break;
        if (status == FrameStatus::Invalid) {
            std::uint32_t len = 0;
            for (std::size_t i = 0; i < FRAME_PREFIX_BYTES; ++i) {
                len = (len << 8) | static_cast<unsigned char>(conn->inbuf[i]);
            }
            Close(conn, End::Drop,
                  "frame length " + std::to_string(len) + " outside 1 to " + std::to_string(MAX_FRAME_BODY));
            Dispatch();
            return;
        }
        cutOne = true;
        if (!OnFrame(conn, text, now)) {
            Dispatch();
            return;
        }
    }
    // The frame timer runs from the first byte of the frame that is still unfinished.
    if (conn->inbuf.empty()) {
        conn->partialSince.reset();
    } else if (cutOne || !conn->partialSince) {
        conn->partialSince = now;
    }
    Dispatch();
    if (!conn->closed) Read(conn);
}

bool Server::OnFrame(const ConnPtr& conn, const std::string& text, ServerTime now) {
    if (conn->loggedIn) {
        relay_.Receive(conn->id, text, now, out_);
        return true;
    }
    conn->nick = text;
    const std::string problem = relay_.LoginProblem(text);
    if (!problem.empty()) {
        Close(conn, End::Refuse, problem);
        return false;
    }
    relay_.Join(conn->id, text, now, out_);
    conn->loggedIn = true;
    LogLine("join \"" + Printable(conn->nick) + "\" " + conn->peer + " (" +
            std::to_string(relay_.PlayerCount()) + " online)");
    return true;
}

void Server::Close(const ConnPtr& conn, End end, const std::string& reason) {
    if (conn->closed) return;
    conn->closed = true;
    asio::error_code ignored;
    conn->socket.close(ignored);
    conns_.erase(conn->id);
    if (conn->loggedIn) relay_.Leave(conn->id, out_);
    const char* word = end == End::Leave ? "leave" : end == End::Drop ? "drop" : "refuse";
    std::string who = "-";
    if (conn->loggedIn || end == End::Refuse) {
        const std::string shown = Printable(conn->nick.substr(0, LOGGED_NICK_BYTES));
        who = "\"" + shown + (conn->nick.size() > LOGGED_NICK_BYTES ? "...\"" : "\"");
    }
    std::string line = std::string(word) + " " + who + " " + conn->peer + ": " + reason;
    if (conn->loggedIn) line += " (" + std::to_string(relay_.PlayerCount()) + " online)";
    LogLine(line);
}

void Server::Dispatch() {
    // Dropping a client tells the players on its map, which queues more; go round until quiet.
    while (!out_.empty()) {
        const ServerTime now = ServerClock::now();
        std::vector<Delivery> batch;
        batch.swap(out_);
        std::vector<ConnPtr> touched;
        for (const Delivery& delivery : batch) {
            const auto found = conns_.find(delivery.to);
            if (found == conns_.end()) continue;
            const ConnPtr& conn = found->second;
            conn->queue.Push(delivery.message, now);
            if (!conn->touched) {
                conn->touched = true;
                touched.push_back(conn);
            }
        }
        for (const ConnPtr& conn : touched) {
            conn->touched = false;
            if (conn->closed) continue;
            if (conn->queue.Check(now, options_.stallTimeout) == OutQueue::Health::Overflow) {
                Close(conn, End::Drop,
                      "more than " + std::to_string(MAX_QUEUE_BYTES) + " bytes waiting to be sent");
            } else {
                Write(conn);
            }
        }
    }
}

void Server::Write(const ConnPtr& conn) {
    if (conn->closed || conn->queue.Writing() || !conn->queue.HasPending()) return;
    conn->buffers.clear();
    for (const MessagePtr& message : conn->queue.StartWrite())
        conn->buffers.push_back(asio::buffer(message->frame));
    asio::async_write(conn->socket, conn->buffers, [this, conn](const asio::error_code& ec, std::size_t) {
        if (conn->closed) return;
        if (ec) {
            Close(conn, End::Leave, "write failed: " + ec.message());
            Dispatch();
            return;
        }
        conn->queue.FinishWrite(ServerClock::now());
        Write(conn);
    });
}

void Server::ScheduleSweep() {
    sweepTimer_.expires_after(sweepEvery_);
    sweepTimer_.async_wait([this](const asio::error_code& ec) {
        if (!ec && !stopped_) Sweep();
    });
}

void Server::Sweep() {
    const ServerTime now = ServerClock::now();
    std::vector<std::pair<ConnPtr, std::string>> expired;
    for (const auto& entry : conns_) {
        const ConnPtr& conn = entry.second;
        if (!conn->loggedIn && now - conn->connectedAt >= options_.loginTimeout) {
            expired.emplace_back(conn, "no login within " + Ms(options_.loginTimeout));
        } else if (conn->partialSince && now - *conn->partialSince >= options_.frameTimeout) {
            expired.emplace_back(conn, "frame not complete within " + Ms(options_.frameTimeout));
        } else if (conn->queue.Check(now, options_.stallTimeout) == OutQueue::Health::Stalled) {
            expired.emplace_back(conn, "more than " + std::to_string(STALL_QUEUE_BYTES) +
                                           " bytes unsent for " + Ms(options_.stallTimeout));
        }
    }
    for (const auto& victim : expired)
        Close(victim.first, End::Drop, victim.second);
    Dispatch();
    ScheduleSweep();
}
