// The real game server, and scripted players logged in to it.
#pragma once

#include "wire/protocol.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <csignal>

namespace tt {

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
