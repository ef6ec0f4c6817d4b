// The server's log: one line per event on standard output, flushed at once so that a
// log file or a pipe is up to date even while the server runs for weeks.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

// "2025-03-01T10:00:00.123Z": UTC, milliseconds.
std::string LogTimestamp(std::chrono::system_clock::time_point when);
// text with every byte outside printable ASCII, and the backslash and quote, escaped as \xNN,
// so that what a peer sends cannot forge or break log lines.
std::string Printable(const std::string& text);
// Writes timestamp, a space, line and a line end to standard output, and flushes.
void LogLine(const std::string& line);

// Lines about one address within LOG_WINDOW beyond the first LOG_LINES_PER_WINDOW are only
// counted, and summed up in one line when the window ends: a peer that connects and closes
// in a loop cannot fill the host's disk.
constexpr std::size_t LOG_LINES_PER_WINDOW = 10;
constexpr std::chrono::milliseconds LOG_WINDOW{60000};

class LogThrottle {
  public:
    using Time = std::chrono::steady_clock::time_point;
    // True when a line about address may be written at now.
    bool Admit(const std::string& address, Time now);
    // One line per address whose window has ended by now with lines held back:
    // "<address>: <n> more lines like the above in <s> s not shown".
    std::vector<std::string> Summaries(Time now);

  private:
    struct Window {
        Time start;
        std::size_t shown = 0;
        std::size_t held = 0;
    };
    std::unordered_map<std::string, Window> windows_;
};
