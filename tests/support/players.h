// Scripted players and the real game server, for tests that play against tavrel-server.
#pragma once

#include "wire/protocol.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <mutex>
#include <thread>

namespace tt {

// A scripted player: one connection to the server, and (unless told not to read) a thread
// that reads every frame the server sends into a list the test takes from.
class ScriptedPlayer {
  public:
    // rcvbuf > 0 shrinks the receive buffer, so a client that does not read backs up fast;
    // from (another loopback address such as "127.0.0.2") makes it a player from elsewhere.
    explicit ScriptedPlayer(int port, bool reading = true, int rcvbuf = 0, const char* from = nullptr) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        if (rcvbuf > 0) setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
        if (from) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            inet_pton(AF_INET, from, &local.sin_addr);
            bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
        }
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool connected = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        if (connected && reading) reader_ = std::thread([this] { ReadLoop(); });
    }
    ~ScriptedPlayer() {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        if (fd_ >= 0) close(fd_);
    }
    ScriptedPlayer(const ScriptedPlayer&) = delete;
    ScriptedPlayer& operator=(const ScriptedPlayer&) = delete;

    // Sends bytes as they are; false when the connection refuses them.
    bool SendRaw(const std::string& bytes) {
        return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    bool Send(const std::string& text) { return SendRaw(EncodeFrame(text)); }
    // A position message framed as the client frames it, with its extra zero byte.
    bool SendPosition(const std::string& nick, float x, float y, const std::string& map) {
        return SendRaw(EncodeFrame(BuildPositionMessage(nick, x, y, 2, 1, 0, 1, map)));
    }
    // The next frame's text up to its first zero byte; nullopt after timeout or close.
    std::optional<std::string> Next(Millis timeout = 3s) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [this] { return !texts_.empty(); })) return std::nullopt;
        std::string text = std::move(texts_.front());
        texts_.pop_front();
        return text;
    }
    // Every frame text that arrives until nothing has come for quiet.
    std::vector<std::string> Drain(Millis quiet = 300ms) {
        std::vector<std::string> texts;
        while (const auto text = Next(quiet))
            texts.push_back(*text);
        return texts;
    }
    // Reads frames into heard until all of texts are among them; false after timeout.
    bool Hears(const std::vector<std::string>& texts, Millis timeout = 5s,
               std::vector<std::string>* heard = nullptr) {
        std::vector<std::string> own;
        std::vector<std::string>& all = heard ? *heard : own;
        const auto has = [&all](const std::string& t) { return std::count(all.begin(), all.end(), t) > 0; };
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!std::all_of(texts.begin(), texts.end(), has)) {
            if (std::chrono::steady_clock::now() >= end) return false;
            if (const auto got = Next(100ms)) all.push_back(*got);
        }
        return true;
    }
    // The server closed the connection within timeout (a reading player only).
    bool WaitClosed(Millis timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, timeout, [this] { return closed_; });
    }

  private:
    void ReadLoop() {
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

    int fd_ = -1;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::string> texts_;
    bool closed_ = false;
};

// The real server on 127.0.0.1 and a port the system picked; its log is its standard output.
class ServerProcess : public Process {
  public:
    explicit ServerProcess(const std::string& binary, std::vector<std::string> extra = {})
        : Process(Argv(binary, std::move(extra)), "/tmp") {
        const std::string marker = "listening on 127.0.0.1 port ";
        if (WaitForStdout(marker, 5s)) port_ = std::atoi(Log().c_str() + Log().find(marker) + marker.size());
        EXPECT_NE(port_, 0) << Log() << Stderr();
    }
    int port() const { return port_; }
    bool WaitLog(const std::string& text, Millis timeout = 3s) { return WaitForStdout(text, timeout); }
    std::string Log() const { return Stdout(); }
    // Ends the server with sig; succeeds when it exits 0 and says so in the log.
    ::testing::AssertionResult Stop(int sig = SIGTERM) {
        Signal(sig);
        const std::optional<int> code = Wait(5s);
        if (code == 0 &&
            Log().find(sig == SIGINT ? "stopping on SIGINT" : "stopping on SIGTERM") != std::string::npos)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "exit " << (code ? std::to_string(*code) : "none within 5 s") << "\n"
               << Log() << Stderr();
    }

  private:
    static std::vector<std::string> Argv(const std::string& binary, std::vector<std::string> extra) {
        extra.insert(extra.begin(), {binary, "--bind", "127.0.0.1", "--port", "0"});
        return extra;
    }
    int port_ = 0;
};

// Logs a client in and waits until the server has taken it.
inline std::unique_ptr<ScriptedPlayer> LogIn(ServerProcess& server, const std::string& nick,
                                             const char* from = nullptr) {
    auto client = std::make_unique<ScriptedPlayer>(server.port(), true, 0, from);
    client->Send(nick);
    EXPECT_TRUE(server.WaitLog("join \"" + nick + "\"")) << nick;
    return client;
}

} // namespace tt
