// Real nats-server processes and tavrel-server nodes on them, for the cluster tests.
#pragma once

#include "tests/support/players.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>

namespace tt {

inline int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

inline bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

inline std::string TempFolder() {
    std::string path = testing::TempDir() + "tavrel-nats-XXXXXX";
    return mkdtemp(path.data()) ? path : std::string();
}

// One nats-server with JetStream, its store in a folder of its own; started again on the same
// port and folder after Kill, like a restarted service.
class Nats {
  public:
    explicit Nats(std::vector<std::string> extra = {}, int port = FreePort())
        : folder_(TempFolder()), port_(port), extra_(std::move(extra)) {
        Start();
    }
    void Start() {
        std::vector<std::string> argv{TAVREL_NATS_SERVER,   "-js", "-sd", folder_, "-a", "127.0.0.1", "-p",
                                      std::to_string(port_)};
        argv.insert(argv.end(), extra_.begin(), extra_.end());
        process_ = std::make_unique<Process>(argv, folder_);
        ready_ = Eventually([this] { return Accepts(port_); }, 10s);
    }
    void Kill(int sig = SIGKILL) {
        process_->Signal(sig);
        process_->Wait(5s);
    }
    bool ready() const { return ready_; }
    int port() const { return port_; }
    std::string Url() const { return "nats://127.0.0.1:" + std::to_string(port_); }
    std::string Log() const { return process_->Stderr(); }

  private:
    std::string folder_;
    int port_;
    std::vector<std::string> extra_;
    std::unique_ptr<Process> process_;
    bool ready_ = false;
};

// A tavrel-server node on the cluster, once it is on the bus.
inline std::unique_ptr<ServerProcess> Node(const std::string& binary, const std::string& urls,
                                           std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"--cluster", urls};
    args.insert(args.end(), extra.begin(), extra.end());
    auto node = std::make_unique<ServerProcess>(binary, args);
    EXPECT_NE(node->port(), 0) << node->Log();
    EXPECT_TRUE(node->WaitLog("on the bus at", 10s)) << node->Log();
    return node;
}

} // namespace tt
