// The connection to the game server and what travels over it: login, the per-turn
// message pump, the outbound messages, and the roster of remote players.
#pragma once

#include "core/character.h"

#include <SDL_net.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

// Most frames handled in one main-loop turn; the rest wait for the next turn.
constexpr int MAX_MESSAGES_PER_TURN = 256;

// Resolves the server, connects, logs in; ends the process with its exit code on any failure.
void InitNet();
// Polls the socket (at most 1 ms) and handles every whole frame that has arrived, up to
// MAX_MESSAGES_PER_TURN.
void CheckMessages();
// Sends one message as a frame; ends the process with EXIT_NET_IO when it cannot be sent.
void SendMessage(std::string message);
// Shuts the networking library down; nothing when it never started.
void DeInitNet();
// Sends the login message and prints "Logged in as <nick>."
void OnConnect();
// Handles one inbound message text against the global roster and chat log.
void OnGetMessage(std::string message);
// Sends "1|nick|chatstring|map" when the chat line holds text, then empties the line.
void SendChatMessage(character* player);
// Sends the position message for player.
void SendPositionMessage(character* player);
// Sends "4|nick|newmap".
void SendMapChangeMessage(std::string newmap);
// The first record of clients named name, or clients.end().
std::vector<character>::iterator find_client_name(std::string name);

// Writes text as one frame on sock; 1 for an empty text (nothing written), 0 on failure,
// otherwise the body bytes written.
int putMsg(TCPsocket sock, std::string buf);

// Non-zero while putMsg is inside a send that may block: a quit signal then ends the process at
// once instead of waiting for a turn that the send holds up. Set and cleared by putMsg only.
extern volatile std::sig_atomic_t sendinprogress;

// The server's address; filled by InitNet.
extern IPaddress ip;
// The connection; null until InitNet opens it, never closed before the process ends.
extern TCPsocket sock;
// The poll set holding sock; null until InitNet.
extern SDLNet_SocketSet set;
// Result of the last poll: ready sockets, 0, or -1 for a failed poll.
extern int numready;
// The last message text received; replaced by each read.
extern std::string str;
