// Test support: files, child processes, shell commands, and waiting for a condition.
#pragma once

#include <chrono>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tt {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

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
