// The wire protocol between the client and the game server, in both directions.
//
// Frame: a 4-byte length, most significant byte first, then that many body bytes:
// the message text and one terminating zero byte (counted in the length). The
// receiver takes the text up to the first zero byte. An empty text is never framed.
//
// Messages are fields separated by "|"; no field may contain "|". Numbers are
// decimal; floats are written like printf's "%g" (six significant digits).
//
// Client to server:
//   login           nick                                  the first frame, alone
//   1  chat         1|nick|text|map
//   3  position     3|nick|x|y|direction|walking|collision|charid|map  + one extra zero byte,
//                   so the length is the visible text's length + 2
//   4  map change   4|nick|newmap                         sent before the new map is loaded
// Server to client:
//   1  chat         1|nick|text[|map]                     shown as "nick: text"
//   2  removal      2|nick                                that player leaves the roster
//   3  position     3|nick|x|y|direction|walking|collision|charid|map
//   4  map change   4|nick|map                            read, changes nothing
// Any other type (a non-numeric first field reads as 0) is ignored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Message type codes, the first field of every message after the login.
enum MessageType { MSG_CHAT = 1, MSG_REMOVE = 2, MSG_POSITION = 3, MSG_MAPCHANGE = 4 };

// Longest nickname, in bytes: the client refuses a longer one in client.cfg, the server at login.
constexpr std::size_t MAX_NICKNAME_LENGTH = 9;
// Longest chat text the server relays; the client's chat line holds no more either.
constexpr std::size_t MAX_CHAT_TEXT = 58;
// Longest map name, in bytes: the server drops a position or map change naming a longer one,
// so the client refuses a map whose exit leads to one.
constexpr std::size_t MAX_MAP_NAME = 64;
// The one rule for the text a player chooses (nickname, chat text, map name): printable ASCII
// except "|", the only bytes the client's font draws and that cannot split a field.
inline bool IsWireTextChar(char c) {
    return c >= 0x20 && c < 0x7F && c != '|';
}
// The map every player starts on.
#define START_MAP "main.map"

// Largest body length a peer may announce; anything longer is a broken or hostile peer.
constexpr std::uint32_t MAX_FRAME_BODY = 65536;
// Bytes of the length prefix.
constexpr std::size_t FRAME_PREFIX_BYTES = 4;

// What cutting a frame off the front of a receive buffer found.
enum class FrameStatus {
    Complete,   // one whole frame was removed and its text returned
    Incomplete, // the buffer holds only part of a frame; wait for more bytes
    Invalid,    // a length of 0 or above MAX_FRAME_BODY: the stream cannot be trusted
};

// The body length a frame's 4-byte prefix announces (most significant byte first).
std::uint32_t ReadFrameLength(const char* prefix);
// Writes len as a frame's 4-byte prefix at prefix (most significant byte first).
void WriteFrameLength(char* prefix, std::uint32_t len);
// The frame carrying text: length prefix, text, zero byte; "" for an empty text (nothing is sent).
std::string EncodeFrame(const std::string& text);
// Removes the first whole frame from buffer into text; leaves buffer untouched unless Complete.
FrameStatus CutFrame(std::string& buffer, std::string& text);
// Reads the whole frame starting at offset in buffer into text and moves offset past it; leaves
// offset alone unless Complete. Nothing is moved, so cutting many frames costs only their bytes.
FrameStatus CutFrameAt(const std::string& buffer, std::size_t& offset, std::string& text);
// The same without a copy, for the server and the bot that hand thousands of frames on per read:
// text views into buffer and is valid while buffer is.
FrameStatus CutFrameView(std::string_view buffer, std::size_t& offset, std::string_view& text);
// A float as the protocol writes it: "%g" of the value widened to double ("1234.57", "1e-05").
std::string FormatFloat(double value);

// "1|nick|text|map"
std::string BuildChatMessage(const std::string& nick, const std::string& text, const std::string& map);
// "3|nick|x|y|direction|walking|collision|charid|map" followed by one zero character.
std::string BuildPositionMessage(const std::string& nick, float x, float y, int direction, int walking,
                                 int collision, int charid, const std::string& map);
// "4|nick|newmap"
std::string BuildMapChangeMessage(const std::string& nick, const std::string& newmap);
