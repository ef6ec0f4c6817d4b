// The real client, started in a sandbox folder against a scripted server.
#pragma once

#include "tests/support/display.h"
#include "tests/support/peer.h"

#include <gtest/gtest.h>
#include <memory>

namespace tt {

inline const char* const GAME_TITLE = "Quennick's Tavrel";

// Path of the built client.
std::string ClientBinary();
// Waits for the game's window and gives it the keyboard; its id, or "" when none came.
std::string FocusGameWindow();

// A temporary folder with Tavrel.app/Contents/Resources/ holding copies of the built
// resources; removed on destruction unless the test failed.
class Sandbox {
  public:
    Sandbox();
    // The folder, ending in "/".
    const std::string& dir() const { return dir_.path; }
    std::string Resource(const std::string& name) const;
    // Writes client.cfg: name, character, server, port.
    void WriteConfig(const std::string& name, int port, int character = 0,
                     const std::string& server = "127.0.0.1");
    // Starts the real client here, on the test display.
    Process* StartClient();

  private:
    TempDir dir_; // removed after the client below has been stopped
    std::unique_ptr<Process> client_;
};

// The real client in a sandbox, connecting to a scripted peer, on the test display.
class ClientSession {
  public:
    // Writes the usual client.cfg for name; Launch starts the client (tests may change files first).
    explicit ClientSession(const std::string& name = "Bob", int character = 0);
    void Launch();
    // Accepts the connection, waits for the window and its first viewport line, focuses the window.
    ::testing::AssertionResult Start();
    Image Shot() const { return WindowShot(window); }
    // Holds a key down for ms, as a person does.
    void Hold(const std::string& key, int ms);

    Sandbox box;
    Peer peer;
    Process* client = nullptr;
    std::string window;
};

} // namespace tt
