// The player's name, the chat line being typed and the five-line chat log, as plain text.
#pragma once

#include "wire/protocol.h"

#include <string>

// Lines the chat log keeps.
constexpr int CHAT_LOG_LINES = 5;
// Characters one log line shows: the log starts 10 units into the 640-unit text space and each
// glyph advances 10; a relayed line is kept only that far.
constexpr std::size_t CHAT_LOG_LINE_CHARS = 63;
// The typed line takes one more character only while its length is at most this minus the
// nickname's length, so that "nick: line" fits the panel; the server cuts relayed text to the
// same number.
constexpr int CHAT_LINE_ROOM = static_cast<int>(MAX_CHAT_TEXT);
// What the open chat line shows before the typed text.
#define CHAT_PROMPT "(say): "

// Appends a typed character to chatstring while the length limit allows; "|" and the zero
// character are never taken, since either would cut the line short on the wire.
void AddToBuffer(char unicode);
// Removes the last typed character; nothing when the line is empty.
void BackOne();
// Empties the chat line and the whole log.
void FlushBuffer();
// Sets the player's name.
void SetNickName(std::string nick);
// A copy of the player's name.
std::string GetNickName();
// Adds text, cut to CHAT_LOG_LINE_CHARS, to the log as its newest line; the oldest of six drops out.
void WriteMessage(std::string text);

// The chat line being typed, without its prefix: filled by the key presses of the main loop,
// emptied when sent (SendChatMessage) and at start-up (FlushBuffer).
extern std::string chatstring;
// The player's name, set once at start-up from the configuration.
extern std::string nickname;
// The log: element 0 newest, 4 oldest; written by the inbound message handling, emptied only by
// FlushBuffer at start-up.
extern std::string chatbuffer[CHAT_LOG_LINES];
// Non-zero while the chat line is open: cleared at start-up (InitInput) and by Enter, set by "t".
extern int chat;
