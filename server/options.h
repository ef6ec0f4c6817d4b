// The server's command line.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

// The port the shipped client.cfg points at.
constexpr int DEFAULT_PORT = 7457;
// Connections, logged in or not, that the server holds at once unless told otherwise.
constexpr std::size_t DEFAULT_MAX_CLIENTS = 64;
// Upper bound for --max-clients: each client costs a socket and up to MAX_QUEUE_BYTES.
constexpr std::size_t MAX_MAX_CLIENTS = 4096;
// Upper bound for the timeouts, so a typo cannot switch a protection off for good.
constexpr long MAX_TIMEOUT_MS = 3600L * 1000;

struct ServerOptions {
    std::string bind = "0.0.0.0";                  // address to listen on
    int port = DEFAULT_PORT;                       // 0 lets the system choose one
    std::size_t maxClients = DEFAULT_MAX_CLIENTS;  // connections held at once
    std::chrono::milliseconds loginTimeout{10000}; // connect to login frame
    std::chrono::milliseconds frameTimeout{10000}; // first to last byte of one frame
    std::chrono::milliseconds stallTimeout{10000}; // output queue above STALL_QUEUE_BYTES
};

enum class OptionsResult { Run, Help, Error };

// Reads the arguments after the program name into options; on Error, error says why.
OptionsResult ParseOptions(const std::vector<std::string>& args, ServerOptions& options, std::string& error);
// The --help text.
std::string UsageText();
