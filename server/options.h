// The server's command line.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

// The port the shipped client.cfg points at.
constexpr int DEFAULT_PORT = 7457;
// Connections, logged in or not, that the server holds at once unless told otherwise.
// The load benchmark (docs/performance.md) relays 2000 walking players on one core.
constexpr std::size_t DEFAULT_MAX_CLIENTS = 2000;
// Upper bound for --max-clients: each client costs a socket and up to MAX_QUEUE_BYTES.
constexpr std::size_t MAX_MAX_CLIENTS = 16384;
// Connections from one address at once unless told otherwise: a household, not a botnet.
constexpr std::size_t DEFAULT_MAX_PER_ADDRESS = 8;
// Upper bound for the timeouts, so a typo cannot switch a protection off for good.
constexpr long MAX_TIMEOUT_MS = 3600L * 1000;

struct ServerOptions {
    std::string bind = "0.0.0.0";                        // address to listen on
    int port = DEFAULT_PORT;                             // 0 lets the system choose one
    std::size_t maxClients = DEFAULT_MAX_CLIENTS;        // connections held at once
    std::size_t maxPerAddress = DEFAULT_MAX_PER_ADDRESS; // connections from one address at once
    std::chrono::milliseconds loginTimeout{10000};       // connect to login frame
    std::chrono::milliseconds frameTimeout{10000};       // first to last byte of one frame
    std::chrono::milliseconds stallTimeout{10000};       // unsent bytes and none going out
    // A logged-in client that sends nothing; the real client reports every 500 ms.
    std::chrono::milliseconds idleTimeout{30000};
    // NATS servers of the cluster this node joins ("nats://host:port" each); none: alone.
    std::vector<std::string> cluster;
    int clusterReplicas = 1; // copies of the nickname bucket, when this node creates it
};

enum class OptionsResult { Run, Help, Error };

// Reads the arguments after the program name into options; on Error, error says why.
OptionsResult ParseOptions(const std::vector<std::string>& args, ServerOptions& options, std::string& error);
// The --help text.
std::string UsageText();
