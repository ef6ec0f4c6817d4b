// What end-to-end and drawing tests share: files and child processes, a scripted game server, the
// shared X display and its windows, a sandbox to start the real client in, and a GL window.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tt {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// ---- files, shell commands and child processes -----------------------------------------------

// Whole contents of a file ("" when it can't be read).
std::string ReadFile(const std::string& path);
// Writes contents to path, creating parent folders.
void WriteFile(const std::string& path, const std::string& contents);
// text in single quotes for /bin/sh.
std::string ShellQuote(const std::string& text);
// Runs a command line through /bin/sh; its exit code (and standard output, if asked for).
int Sh(const std::string& command, std::string* output = nullptr);

// Polls pred every 20 ms until it holds; false after timeout.
template <class Pred> bool Eventually(Pred pred, Millis timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// A child process whose standard output and error go to files; killed (whole group) on destruction.
class Process {
  public:
    // Starts argv[0] (a path) with argv in folder cwd; extra environment entries are added to ours.
    Process(const std::vector<std::string>& argv, const std::string& cwd,
            const std::map<std::string, std::string>& env = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // The exit code, or nullopt on time-out. A death by signal gives 128 + signal.
    std::optional<int> Wait(Millis timeout);
    bool Running() { return !Wait(0ms).has_value(); }
    void Signal(int sig);
    // Everything written so far to standard output / standard error.
    std::string Stdout() const { return ReadFile(outpath_); }
    std::string Stderr() const { return ReadFile(errpath_); }
    bool WaitForStdout(const std::string& text, Millis timeout) {
        return Eventually([&] { return Stdout().find(text) != std::string::npos; }, timeout);
    }
    int pid() const { return pid_; }

  private:
    int pid_ = -1;
    std::optional<int> status_;
    std::string outpath_, errpath_;
};

// ---- a scripted game server --------------------------------------------------------------------

// A socket listening on 127.0.0.1 with room for backlog waiting connections; its port goes to *port.
int ListenOnLoopback(int backlog, int* port);
// A port on 127.0.0.1 with nothing listening.
int ClosedPort();

// One TCP listener on 127.0.0.1 and a free port, and the one connection it accepts.
class Peer {
  public:
    Peer() { listenfd_ = ListenOnLoopback(8, &port_); }
    ~Peer();
    int port() const { return port_; }
    bool Accept(Millis timeout);
    // Reads one frame; its whole body (zero bytes included), or nullopt on time-out / close.
    std::optional<std::string> ReadFrameBody(Millis timeout);
    // Reads one frame and returns its text (up to the first zero byte).
    std::optional<std::string> ReadMessage(Millis timeout);
    // Reads frames until one whose text starts with prefix; nullopt on time-out.
    std::optional<std::string> ReadUntil(const std::string& prefix, Millis timeout);
    void SendMessage(const std::string& text);
    void SendRaw(const std::string& bytes);
    // Closes the accepted connection with a reset instead of an orderly close.
    void ResetConnection();
    void CloseConnection();
    // True when the client has closed its end (a read sees end of stream within timeout).
    bool PeerClosed(Millis timeout);

  private:
    enum class Got { Bytes, End, Nothing };
    Got Receive(std::chrono::steady_clock::time_point deadline);
    bool FillTo(std::size_t n, Millis timeout);
    int listenfd_ = -1, connfd_ = -1, port_ = 0;
    std::string inbuf_;
};

// ---- the X display, its windows and their pixels ----------------------------------------------

// The display every windowed test of this program shares (":N"), set up by the X test main.
const std::string& TestDisplay();

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb; // rows top to bottom
    struct Pixel {
        int r, g, b;
    };
    Pixel At(int x, int y) const; // x, y from the top-left
    void SavePng(const std::string& path) const;
};
// The whole screen of display, or one window of it.
Image Screenshot(const std::string& display);
Image WindowShot(const std::string& display, const std::string& windowid);
// Pixels that differ clearly (by more than 30 over the three channels) between two shots of one
// size, in columns x0 to x1 and rows y0 to y1 from the top (ends excluded).
int ChangedPixels(const Image& a, const Image& b, int x0, int y0, int x1, int y1);

// Window id of the first visible window whose title is title, or "" after timeout.
std::string FindWindow(const std::string& display, const std::string& title, Millis timeout);
std::vector<std::string> FindWindows(const std::string& display, const std::string& title);
struct Geometry { // of a window: its top-left corner on the screen, and its size
    int x = 0, y = 0, width = 0, height = 0;
};
Geometry WindowGeometry(const std::string& display, const std::string& windowid);
int Xdotool(const std::string& display, const std::string& args);

// ---- the real client ---------------------------------------------------------------------------

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

// ---- drawing in the test process ---------------------------------------------------------------

// SDL's OpenGL window (640x480 unless told) on the test display, with the game's fixed OpenGL
// state. Destroying it shuts SDL's video down.
class GlWindow {
  public:
    GlWindow(int width = 640, int height = 480);
    ~GlWindow();
    // Colour of window pixel (x, y), x from the left, y from the BOTTOM (OpenGL's convention),
    // read from the back buffer after the caller has drawn (before any swap).
    Image::Pixel ReadPixel(int x, int y) const;
    // The whole back buffer as an image, e.g. to save a PNG.
    Image ReadBack() const;
};

} // namespace tt
