// Files, shell commands and child processes for tests that run the game's programs.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tt {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

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

// A new folder under /tmp, path ending in "/"; removed on destruction unless the test failed, so
// that a failure leaves its files to be looked at.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path;
};

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

} // namespace tt
