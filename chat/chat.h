// The player's name, the chat line being typed, the five-line chat log, and their drawing.
#pragma once

#include "frame/config.h"

#include <GL/gl.h>

#include <string>

// Lines the chat log keeps.
constexpr int CHAT_LOG_LINES = 5;
// The typed line takes one more character only while its length is at most this minus the
// nickname's length, so that "nick: line" fits the panel.
constexpr int CHAT_LINE_ROOM = 58;
// What the open chat line shows before the typed text.
#define CHAT_PROMPT "(say): "
// Where the chat panel image lives.
#define CHAT_PANEL_FILE RESOURCE_DIR "chat.tga"

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
// Adds text to the log as its newest line; the oldest of six drops out.
void WriteMessage(std::string text);
// Loads the chat panel image as chat_texture.
void load_chat_texture();
// Draws the translucent panel across the bottom quarter of the screen.
void draw_chat_texture();
// Draws the open chat line at the top left and the log on the panel.
void DrawChatText();

// The chat line being typed, without its prefix; emptied when sent.
extern std::string chatstring;
// The player's name, set once at start-up from the configuration.
extern std::string nickname;
// The log: element 0 newest, 4 oldest; emptied only by FlushBuffer at start-up.
extern std::string chatbuffer[CHAT_LOG_LINES];
// Non-zero while the chat line is open; cleared at start-up and by Enter.
extern int chat;
// Texture of the chat panel; 0 until load_chat_texture.
extern GLuint chat_texture;
