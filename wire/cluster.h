// How tavrel-server nodes share one world over a NATS bus (docs/cluster.md draws the path).
//
// Subjects, one per kind of traffic, so a node hears only what its own players need:
//   tavrel.map.<hex of the map name>  removals and positions of the players on that map; a node
//                                     subscribes while one of its own players is on the map
//   tavrel.chat                       every chat line (the client shows chat from every map)
//   tavrel.nodes                      heartbeats and goodbyes of the nodes
//   tavrel.node.<node id>             answers to that node's sync requests
// Map names may hold any printable byte, NATS tokens may not ("." "*" ">" and spaces split or
// match), so the map's bytes travel as lower-case hex.
//
// Payload: the game's own frames (wire/protocol.h), one after the other. The first frame is
// "N|<node id>", the sender; then frames exactly as a client receives them (removal "2|nick",
// position "3|...", chat "1|nick|text|map") or one of the node frames below. So the bus carries
// the one wire format, and a receiving node treats a remote frame like one of its own.
//   "H"  heartbeat (tavrel.nodes), every CLUSTER_HEARTBEAT
//   "B"  goodbye (tavrel.nodes): the node stops; forget its players now
//   "S"  sync request (tavrel.map.*, NATS reply subject = tavrel.node.<id>): every node with
//        players on that map answers with their latest positions
//
// Nicknames are claimed in the JetStream key-value bucket CLUSTER_NICK_BUCKET: key = hex of the
// nickname, value = node id; a claim is created only if the key does not exist, refreshed by
// its node every CLUSTER_CLAIM_REFRESH and expires CLUSTER_CLAIM_TTL after the last refresh.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

constexpr char CLUSTER_CHAT_SUBJECT[] = "tavrel.chat";
constexpr char CLUSTER_NODES_SUBJECT[] = "tavrel.nodes";
constexpr char CLUSTER_NICK_BUCKET[] = "tavrel_nicks";

// A node says it is alive this often; after CLUSTER_NODE_TIMEOUT without a word from it, the
// others remove its players from their players' view.
constexpr std::chrono::milliseconds CLUSTER_HEARTBEAT{1000};
constexpr std::chrono::milliseconds CLUSTER_NODE_TIMEOUT{3500};
// A nickname claim lives this long after its last refresh: long enough to ride out a short
// bus outage, short enough that a crashed node's players can log in again soon elsewhere.
constexpr std::chrono::milliseconds CLUSTER_CLAIM_TTL{15000};
constexpr std::chrono::milliseconds CLUSTER_CLAIM_REFRESH{4000};
// Most bytes in one bus message; a turn's frames for one subject are split beyond it.
constexpr std::size_t CLUSTER_MAX_PAYLOAD = 64 * 1024;
// A node id: letters and digits, at most this long (it becomes a subject token).
constexpr std::size_t CLUSTER_MAX_NODE_ID = 32;

// Node frames.
constexpr char CLUSTER_HEARTBEAT_FRAME[] = "H";
constexpr char CLUSTER_GOODBYE_FRAME[] = "B";
constexpr char CLUSTER_SYNC_FRAME[] = "S";

// "tavrel.map.<hex>"
std::string ClusterMapSubject(std::string_view map);
// "tavrel.node.<node>"
std::string ClusterNodeSubject(std::string_view node);
// The bucket key of a nickname: its bytes in lower-case hex.
std::string ClusterNickKey(std::string_view nick);
// True for a usable node id: 1 to CLUSTER_MAX_NODE_ID letters or digits.
bool ValidNodeId(std::string_view node);

// The first frame of every payload: framed "N|<node>".
std::string ClusterOrigin(std::string_view node);
// Splits a payload into its sender and the texts of the frames after the first (each up to its
// first zero byte, as a client reads a frame). False, with nothing to act on, when the payload
// is not a run of whole frames starting with a valid origin.
bool ParseClusterPayload(std::string_view payload, std::string_view& node,
                         std::vector<std::string_view>& texts);
