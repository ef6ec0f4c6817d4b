// The drawing of the chat: the translucent panel, the open chat line and the log.
#pragma once

#include "core/chatlog.h"
#include "core/config.h"

#include <GL/gl.h>

// Where the chat panel image lives.
#define CHAT_PANEL_FILE RESOURCE_DIR CHAT_PANEL_NAME

// Loads the chat panel image as chat_texture.
void load_chat_texture();
// Draws the translucent panel across the bottom quarter of the screen.
void draw_chat_texture();
// Draws the open chat line at the top left and the log on the panel.
void DrawChatText();

// Texture of the chat panel; 0 until load_chat_texture.
extern GLuint chat_texture;
