#include "tests/support/peer.h"
#include "wire/protocol.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tt {

static int ListenOn(int port, int* bound) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *bound = ntohs(addr.sin_port);
    return fd;
}

Peer::Peer() {
    listenfd_ = ListenOn(0, &port_);
    listen(listenfd_, 8);
}

Peer::~Peer() {
    CloseConnection();
    StopListening();
}

bool Peer::Accept(Millis timeout) {
    struct pollfd p {
        listenfd_, POLLIN, 0
    };
    if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
    connfd_ = accept(listenfd_, nullptr, nullptr);
    return connfd_ >= 0;
}

bool Peer::FillTo(std::size_t n, Millis timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (inbuf_.size() < n) {
        const auto left = std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0 || connfd_ < 0) return false;
        struct pollfd p {
            connfd_, POLLIN, 0
        };
        if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
        char buf[4096];
        const ssize_t got = recv(connfd_, buf, sizeof buf, 0);
        if (got <= 0) return false;
        inbuf_.append(buf, static_cast<std::size_t>(got));
    }
    return true;
}

std::optional<std::string> Peer::ReadBytes(std::size_t n, Millis timeout) {
    if (!FillTo(n, timeout)) return std::nullopt;
    std::string out = inbuf_.substr(0, n);
    inbuf_.erase(0, n);
    return out;
}

std::optional<std::string> Peer::ReadFrameBody(Millis timeout) {
    if (!FillTo(4, timeout)) return std::nullopt;
    const std::uint32_t len = ReadFrameLength(inbuf_.data());
    if (len > MAX_FRAME_BODY || !FillTo(4 + len, timeout)) return std::nullopt;
    std::string body = inbuf_.substr(4, len);
    inbuf_.erase(0, 4 + len);
    return body;
}

std::optional<std::string> Peer::ReadMessage(Millis timeout) {
    auto body = ReadFrameBody(timeout);
    if (!body) return std::nullopt;
    return body->substr(0, body->find('\0'));
}

std::optional<std::string> Peer::ReadUntil(const std::string& prefix, Millis timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        auto msg = ReadMessage(left);
        if (!msg) return std::nullopt;
        if (msg->compare(0, prefix.size(), prefix) == 0) return msg;
    }
}

void Peer::SendRaw(const std::string& bytes) {
    if (connfd_ >= 0) send(connfd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

void Peer::SendMessage(const std::string& text) {
    SendRaw(EncodeFrame(text));
}

void Peer::CloseConnection() {
    if (connfd_ >= 0) close(connfd_);
    connfd_ = -1;
}

void Peer::ResetConnection() {
    if (connfd_ < 0) return;
    struct linger hard {
        1, 0
    };
    setsockopt(connfd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    CloseConnection();
}

bool Peer::PeerClosed(Millis timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (connfd_ >= 0) {
        const auto left = std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        struct pollfd p {
            connfd_, POLLIN, 0
        };
        if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
        char buf[4096];
        const ssize_t got = recv(connfd_, buf, sizeof buf, 0);
        if (got <= 0) return true;
        inbuf_.append(buf, static_cast<std::size_t>(got));
    }
    return true;
}

void Peer::StopListening() {
    if (listenfd_ >= 0) close(listenfd_);
    listenfd_ = -1;
}

int ClosedPort() {
    int port = 0;
    const int fd = ListenOn(0, &port);
    close(fd); // bound but never listened: nothing accepts on it now
    return port;
}

} // namespace tt
