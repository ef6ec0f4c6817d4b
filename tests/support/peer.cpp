#include "tests/support/peer.h"

#include "wire/protocol.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tt {

int ListenOnLoopback(int backlog, int* port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(fd);
        return -1;
    }
    *port = ntohs(addr.sin_port);
    return fd;
}

int ClosedPort() {
    int port = 0;
    close(ListenOnLoopback(1, &port)); // closed: nothing accepts on the port now
    return port;
}

Peer::~Peer() {
    CloseConnection();
    if (listenfd_ >= 0) close(listenfd_);
}

bool Peer::Accept(Millis timeout) {
    pollfd p{listenfd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
    connfd_ = accept(listenfd_, nullptr, nullptr);
    return connfd_ >= 0;
}

// Receives into inbuf_ until it holds n bytes; false on time-out, close or error.
bool Peer::FillTo(std::size_t n, Millis timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (inbuf_.size() < n) {
        const auto left = std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
        pollfd p{connfd_, POLLIN, 0};
        if (connfd_ < 0 || left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char buf[4096];
        const ssize_t got = recv(connfd_, buf, sizeof buf, 0);
        if (got <= 0) return false;
        inbuf_.append(buf, static_cast<std::size_t>(got));
    }
    return true;
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
        auto msg = left.count() > 0 ? ReadMessage(left) : std::nullopt;
        if (!msg || msg->compare(0, prefix.size(), prefix) == 0) return msg;
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
    linger hard{1, 0};
    setsockopt(connfd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    CloseConnection();
}

} // namespace tt
