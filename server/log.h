// The server's log: one line per event on standard output, flushed at once so that a
// log file or a pipe is up to date even while the server runs for weeks.
#pragma once

#include <chrono>
#include <string>

// "2025-03-01T10:00:00.123Z": UTC, milliseconds.
std::string LogTimestamp(std::chrono::system_clock::time_point when);
// text with every byte outside printable ASCII, and the backslash and quote, escaped as \xNN,
// so that what a peer sends cannot forge or break log lines.
std::string Printable(const std::string& text);
// Writes timestamp, a space, line and a line end to standard output, and flushes.
void LogLine(const std::string& line);
