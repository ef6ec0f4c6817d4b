// The one connection to the game server: opening it, the per-turn pump, and the outbound messages.
#include "net/net.h"

#include "core/chatlog.h"
#include "core/roster.h"
#include "core/config.h"
#include "core/inbound.h"
#include "core/quit.h"
#include "wire/protocol.h"

#include <cstdio>

IPaddress ip;
TCPsocket sock = nullptr;
SDLNet_SocketSet set = nullptr;
int numready = 0;
std::string str;

// True once SDLNet_Init has succeeded, so shutting down knows there is something to shut.
static bool netstarted = false;
// Bytes received but not yet handled. The socket is read only while less than one receive is
// waiting, so it holds less than two receives (the kernel keeps the rest, and TCP slows the
// sender); the handled bytes are dropped at the end of each turn. Written only by CheckMessages.
static InboundBuffer inbound;

// Prints the failed call with the library's words on standard output, and what it means for the
// player on standard error (the library often has no words for a failed lookup).
static void FailNet(const char* call, int code, const char* meaning) {
    std::printf("%s: %s\n", call, SDLNet_GetError());
    std::fprintf(stderr, "%s (server \"%s\", port %d).\n", meaning, CONFIG_SERVER.c_str(),
                 CONFIG_PORT & 0xFFFF);
    Quit(code);
}

void InitNet() {
    if (SDLNet_Init() == -1) FailNet("SDLNet_Init", EXIT_NET_INIT, "The networking library did not start");
    netstarted = true;
    set = SDLNet_AllocSocketSet(1);
    if (!set) FailNet("SDLNet_AllocSocketSet", EXIT_NET_SET, "No socket set could be made");
    if (SDLNet_ResolveHost(&ip, CONFIG_SERVER.c_str(), static_cast<Uint16>(CONFIG_PORT & 0xFFFF)) == -1)
        FailNet("SDLNet_ResolveHost", EXIT_NET_RESOLVE, "Cannot find the game server's address");
    sock = SDLNet_TCP_Open(&ip);
    if (!sock) FailNet("SDLNet_TCP_Open", EXIT_NET_OPEN, "Cannot connect to the game server");
    if (SDLNet_TCP_AddSocket(set, sock) == -1)
        FailNet("SDLNet_TCP_AddSocket", EXIT_NET_ADD, "The connection could not be watched");
    OnConnect();
}

void DeInitNet() {
    if (netstarted) SDLNet_Quit();
    netstarted = false;
}

// The server hung up or the stream broke: there is no playing on without it.
static void FailRead(const char* why) {
    std::fprintf(stderr, "Lost the connection to the server: %s.\n", why);
    Quit(EXIT_NET_IO);
}

// One receive of whatever has arrived; the poll said the socket is readable, so it does not wait.
static void ReceiveAvailable(Uint32 now) {
    static char chunk[INBOUND_RECEIVE_CHUNK];
    SDL_ClearError();
    const int got = SDLNet_TCP_Recv(sock, chunk, static_cast<int>(INBOUND_RECEIVE_CHUNK));
    if (got <= 0) {
        const char* text = SDLNet_GetError();
        if (text && *text) std::printf("SDLNet_TCP_Recv: %s\n", text);
        FailRead(got == 0 ? "the server closed the connection" : "a receive failed");
    }
    InboundAppend(inbound, chunk, static_cast<std::size_t>(got), now);
}

void CheckMessages() {
    numready = SDLNet_CheckSockets(set, 1);
    if (numready == -1) {
        std::printf("SDLNet_CheckSockets: %s\n", SDLNet_GetError());
        return;
    }
    const Uint32 now = SDL_GetTicks();
    if (numready > 0 && sock && SDLNet_SocketReady(sock) && InboundWantsBytes(inbound)) ReceiveAvailable(now);

    const InboundTurn turn =
        CutInboundFrames(inbound, MAX_MESSAGES_PER_TURN, now, [](const std::string& text) {
            str = text;
            if (str.empty()) FailRead("an empty message arrived");
            OnGetMessage(str);
        });
    if (turn.stopped == FrameStatus::Invalid) FailRead("a frame with an impossible length arrived");
    if (InboundStalled(inbound, now)) FailRead("a frame stayed incomplete for 5 seconds");
}

void SendMessage(std::string message) {
    if (message.empty()) return;
    if (putMsg(sock, message) == 0) Quit(EXIT_NET_IO);
}

void OnConnect() {
    const std::string nick = GetNickName();
    if (putMsg(sock, nick) == 0) Quit(EXIT_NET_IO);
    std::printf("Logged in as %s.\n", nick.c_str());
}

std::vector<character>::iterator find_client_name(std::string name) {
    return FindInRoster(clients, name);
}

void OnGetMessage(std::string message) {
    const std::optional<std::string> line = ApplyServerMessage(message, nickname, clients, SDL_GetTicks());
    if (line) WriteMessage(*line);
}

void SendChatMessage(character* player) {
    const std::string message = BuildChatMessage(nickname, chatstring, player->map);
    if (!chatstring.empty()) SendMessage(message);
    chatstring.clear();
}

void SendPositionMessage(character* player) {
    SendMessage(BuildPositionMessage(nickname, player->charposx, player->charposy, player->direction,
                                     player->walking, player->collision, player->charid, player->map));
}

void SendMapChangeMessage(std::string newmap) {
    SendMessage(BuildMapChangeMessage(nickname, newmap));
}
