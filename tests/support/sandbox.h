// Test support: a folder to start the real client in, and a whole client session against a scripted peer.
#pragma once

#include "tests/support/peer.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tt {

// A temporary folder with Tavrel.app/Contents/Resources/ holding copies of the built
// resources; removed on destruction unless the test failed.
class Sandbox {
  public:
    Sandbox();
    ~Sandbox();
    const std::string& dir() const { return dir_; }
    // Path of a file in the resource folder.
    std::string Resource(const std::string& name) const;
    // Writes client.cfg with these lines (each followed by a line feed).
    void WriteConfig(const std::vector<std::string>& lines);
    // The usual client.cfg: name, character, server 127.0.0.1, port.
    void WriteConfig(const std::string& name, int port, int character = 0);
    // Starts the real client here, on display (none when empty).
    Process* StartClient(const std::string& display);
    Process* client() { return client_.get(); }

  private:
    std::string dir_;
    std::unique_ptr<Process> client_;
};

// The pixels of one window, cut out of a screenshot of its display.
Image WindowShot(const std::string& display, const std::string& windowid);

// Pixels that differ clearly (by more than 30 over the three channels) between two shots of one
// size, in columns x0 to x1 and rows y0 to y1 from the top (ends excluded).
int ChangedPixels(const Image& a, const Image& b, int x0, int y0, int x1, int y1);

// The real client in a sandbox, connecting to a scripted peer, on the test display.
class ClientSession {
  public:
    // Writes the usual client.cfg for name; Launch starts the client (tests may change files first).
    explicit ClientSession(const std::string& name = "Bob", int character = 0);
    virtual ~ClientSession();
    void Launch();
    // Accepts the connection, waits for the window and its first viewport line, focuses the window.
    ::testing::AssertionResult Start();
    // The window's pixels, rows top to bottom.
    Image Shot() const;
    // Holds a key down for ms, as a person does.
    void Hold(const std::string& key, int ms);

    Sandbox box;
    Peer peer;
    Process* client = nullptr;
    std::string window;
};

// Path of the built client, the built server and the runnable folder's resources.
std::string ClientBinary();
std::string ServerBinary();
std::string BuiltResources();

} // namespace tt
