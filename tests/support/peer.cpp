#include "tests/support/peer.h"

#include "wire/protocol.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tt {

sockaddr_in Loopback(int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    return addr;
}

int ListenOnLoopback(int backlog, int* port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr = Loopback(0);
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

bool Connection::SendRaw(const std::string& bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

bool Connection::Send(const std::string& text) {
    return SendRaw(EncodeFrame(text));
}

bool Connection::SendPosition(const std::string& nick, float x, float y, const std::string& map) {
    return Send(BuildPositionMessage(nick, x, y, 2, 1, 0, 1, map));
}

std::optional<std::string> Connection::Next(Millis timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, timeout, [this] { return !texts_.empty() || closed_; });
    if (texts_.empty()) return std::nullopt;
    std::string text = std::move(texts_.front());
    texts_.pop_front();
    return text;
}

std::optional<std::string> Connection::ReadUntil(const std::string& prefix, Millis timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now());
        auto text = left.count() > 0 ? Next(left) : std::nullopt;
        if (!text || text->compare(0, prefix.size(), prefix) == 0) return text;
    }
}

std::vector<std::string> Connection::Drain(Millis quiet) {
    std::vector<std::string> texts;
    while (const auto text = Next(quiet))
        texts.push_back(*text);
    return texts;
}

bool Connection::Hears(const std::vector<std::string>& texts, Millis timeout,
                       std::vector<std::string>* heard) {
    std::vector<std::string> own;
    std::vector<std::string>& all = heard ? *heard : own;
    const auto has = [&all](const std::string& t) { return std::count(all.begin(), all.end(), t) > 0; };
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!std::all_of(texts.begin(), texts.end(), has)) {
        if (std::chrono::steady_clock::now() >= end) return false;
        if (const auto got = Next(100ms))
            all.push_back(*got);
        else if (WaitClosed(0ms))
            return false; // nothing left to read, and nothing more will come
    }
    return true;
}

bool Connection::WaitClosed(Millis timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, timeout, [this] { return closed_; });
}

void Connection::Open(int fd, bool reading) {
    fd_ = fd;
    if (reading) reader_ = std::thread([this] { ReadLoop(); });
}

void Connection::Close() {
    stop_ = true;
    if (reader_.joinable()) reader_.join();
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

void Connection::Reset() {
    linger hard{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    Close();
}

void Connection::ReadLoop() {
    std::string buffer;
    char chunk[65536];
    while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        buffer.append(chunk, static_cast<std::size_t>(n));
        std::size_t at = 0;
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::string text; CutFrameAt(buffer, at, text) == FrameStatus::Complete;)
            texts_.push_back(std::move(text));
        buffer.erase(0, at);
        cv_.notify_all();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    cv_.notify_all();
}

ScriptedPlayer::ScriptedPlayer(int port, bool reading, int rcvbuf, const char* from) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (rcvbuf > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    if (from) {
        sockaddr_in local = Loopback(0);
        inet_pton(AF_INET, from, &local.sin_addr);
        bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    }
    const sockaddr_in addr = Loopback(port);
    const bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    Open(fd, connected && reading);
}

Peer::~Peer() {
    if (listenfd_ >= 0) close(listenfd_);
}

bool Peer::Accept(Millis timeout, bool reading) {
    pollfd p{listenfd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
    const int fd = accept(listenfd_, nullptr, nullptr);
    if (fd >= 0) Open(fd, reading);
    return fd >= 0;
}

} // namespace tt
