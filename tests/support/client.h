// The real client, started in a sandbox folder against a scripted server.
#pragma once

#include "tests/support/display.h"
#include "tests/support/peer.h"

#include <gtest/gtest.h>
#include <memory>

namespace tt {

// Path of the built client, the built server and the runnable folder's resources.
std::string ClientBinary();
std::string ServerBinary();
std::string BuiltResources();

// A temporary folder with Tavrel.app/Contents/Resources/ holding copies of the built
// resources; removed on destruction unless the test failed.
class Sandbox {
  public:
    Sandbox();
    ~Sandbox();
    const std::string& dir() const { return dir_; }
    std::string Resource(const std::string& name) const;
    void WriteConfig(const std::vector<std::string>& lines);
    // The usual client.cfg: name, character, server 127.0.0.1, port.
    void WriteConfig(const std::string& name, int port, int character = 0);
    // Starts the real client here, on display (none when empty).
    Process* StartClient(const std::string& display);

  private:
    std::string dir_;
    std::unique_ptr<Process> client_;
};

// The real client in a sandbox, connecting to a scripted peer, on the test display.
class ClientSession {
  public:
    // Writes the usual client.cfg for name; Launch starts the client (tests may change files first).
    explicit ClientSession(const std::string& name = "Bob", int character = 0);
    virtual ~ClientSession();
    void Launch();
    // Accepts the connection, waits for the window and its first viewport line, focuses the window.
    ::testing::AssertionResult Start();
    Image Shot() const { return WindowShot(TestDisplay(), window); }
    // Holds a key down for ms, as a person does.
    void Hold(const std::string& key, int ms);

    Sandbox box;
    Peer peer;
    Process* client = nullptr;
    std::string window;
};

} // namespace tt
