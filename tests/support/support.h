// Test support: child processes, a private X server, a scripted game-server peer,
// sandbox folders holding their own Tavrel.app tree, and an OpenGL window for drawing tests.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tt {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// ---- files ----------------------------------------------------------------------------------

// Whole contents of a file ("" when it can't be read).
std::string ReadFile(const std::string& path);
// Writes contents to path, creating parent folders.
void WriteFile(const std::string& path, const std::string& contents);

// ---- child processes ------------------------------------------------------------------------

// A child process whose standard output and error go to files; killed (whole group) on destruction.
class Process {
  public:
    // Starts argv[0] (a path) with argv in folder cwd; extra environment entries are added to ours.
    Process(const std::vector<std::string>& argv, const std::string& cwd,
            const std::map<std::string, std::string>& env = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Waits for the exit; the exit code, or nullopt on time-out. A death by signal gives 128 + signal.
    std::optional<int> Wait(Millis timeout);
    // True while the child runs.
    bool Running();
    // Sends a signal to the child.
    void Signal(int sig);
    // Everything written so far to standard output / standard error.
    std::string Stdout() const;
    std::string Stderr() const;
    // Waits until standard output contains text; false on time-out.
    bool WaitForStdout(const std::string& text, Millis timeout);
    int pid() const { return pid_; }

  private:
    int pid_ = -1;
    std::optional<int> status_;
    std::string outpath_, errpath_;
};

// text in single quotes for /bin/sh.
std::string ShellQuote(const std::string& text);
// Runs a command line through /bin/sh and returns its exit code (output discarded unless captured).
int Sh(const std::string& command, std::string* output = nullptr);

// ---- X server -------------------------------------------------------------------------------

// A private Xvfb (24-bit, 1600x900, room for two game windows side by side) on a free display number; stopped
// on destruction.
class Xvfb {
  public:
    Xvfb();
    ~Xvfb();
    // ":N"
    const std::string& display() const { return display_; }

  private:
    int pid_ = -1;
    std::string display_;
};

// The display started by the X test main for this test program (":N").
const std::string& TestDisplay();
// Sets what TestDisplay returns (the X test main does).
void SetTestDisplay(const std::string& display);

// An RGB screenshot of the whole screen of display (via ImageMagick's import).
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb; // rows top to bottom
    struct Pixel {
        int r, g, b;
    };
    Pixel At(int x, int y) const; // x, y from the top-left
    // Writes a PNG (for looking at a failure or a result).
    void SavePng(const std::string& path) const;
};
Image Screenshot(const std::string& display);

// Window id of the first visible window whose title is title, or "" after timeout.
std::string FindWindow(const std::string& display, const std::string& title, Millis timeout);
// Window ids of every visible window whose title is title.
std::vector<std::string> FindWindows(const std::string& display, const std::string& title);
// Geometry of a window: position of its top-left corner on the screen and its size.
struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};
Geometry WindowGeometry(const std::string& display, const std::string& windowid);
// Runs xdotool with the given arguments on display; returns its exit code.
int Xdotool(const std::string& display, const std::string& args);

// ---- scripted game server -------------------------------------------------------------------

// One TCP listener on 127.0.0.1 and a free port, and the one connection it accepts.
class Peer {
  public:
    Peer();
    ~Peer();
    int port() const { return port_; }
    // Accepts one connection; false on time-out.
    bool Accept(Millis timeout);
    // Reads one frame; its whole body (zero bytes included), or nullopt on time-out / close.
    std::optional<std::string> ReadFrameBody(Millis timeout);
    // Reads one frame and returns its text (up to the first zero byte).
    std::optional<std::string> ReadMessage(Millis timeout);
    // Reads frames until one whose text starts with prefix; nullopt on time-out.
    std::optional<std::string> ReadUntil(const std::string& prefix, Millis timeout);
    // Reads exactly n raw bytes; nullopt on time-out / close.
    std::optional<std::string> ReadBytes(std::size_t n, Millis timeout);
    // Sends text as a frame (length prefix, text, zero byte).
    void SendMessage(const std::string& text);
    // Sends raw bytes.
    void SendRaw(const std::string& bytes);
    // Closes the accepted connection with a reset instead of an orderly close.
    void ResetConnection();
    // Closes the accepted connection (the listener stays).
    void CloseConnection();
    // True when the client has closed its end (a read sees end of stream within timeout).
    bool PeerClosed(Millis timeout);
    // Stops listening (a later connect is refused).
    void StopListening();

  private:
    bool FillTo(std::size_t n, Millis timeout);
    int listenfd_ = -1, connfd_ = -1, port_ = 0;
    std::string inbuf_;
};

// A port on 127.0.0.1 with nothing listening.
int ClosedPort();

// ---- sandbox: a folder to start the real client in --------------------------------------------

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

// ---- an OpenGL window in this process (drawing tests) ------------------------------------------

// Opens SDL's 640x480 OpenGL window on the test display with the game's fixed OpenGL state.
// Destroying it shuts SDL's video down.
class GlWindow {
  public:
    GlWindow(int width = 640, int height = 480);
    ~GlWindow();
    // Colour of window pixel (x, y), x from the left, y from the BOTTOM (OpenGL's convention),
    // read from the back buffer after the caller has drawn (before any swap).
    Image::Pixel ReadPixel(int x, int y) const;
    // The whole back buffer as an image (rows top to bottom), e.g. to save a PNG.
    Image ReadBack() const;
};

// Polls pred every 20 ms until it holds; false after timeout.
template <class Pred> bool Eventually(Pred pred, Millis timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (pred()) return true;
        struct timespec ts {
            0, 20 * 1000 * 1000
        };
        nanosleep(&ts, nullptr);
    }
    return pred();
}

} // namespace tt
