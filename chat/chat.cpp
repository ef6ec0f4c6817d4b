// Drawing the chat: the translucent panel over the bottom quarter of the screen, the log on it,
// and the open chat line at the top left.
#include "chat/chat.h"

#include "graphics/text.h"
#include "graphics/texture.h"

#include <GL/glu.h>

GLuint chat_texture = 0;

// How opaque the panel is, times the image's own alpha.
static const float PANEL_OPACITY = 0.85f;
// Where the open chat line's shadow and text go, in text space.
static const int PROMPT_X = 5;
static const int PROMPT_Y = 455;
// The log's left edge, its newest line's baseline, and the distance between lines.
static const int LOG_X = 10;
static const int LOG_Y = 15;
static const int LOG_LINE_STEP = 20;

void load_chat_texture() {
    // The log would be unreadable over the world without its panel.
    chat_texture = TextureFromFileOrQuit(CHAT_PANEL_FILE, "chat panel");
}

void draw_chat_texture() {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    // A view of its own, so the panel stays put while the world's camera follows the player.
    glLoadIdentity();
    gluLookAt(0, 0, 15, 0, 0, 0, 0, 1, 0);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, chat_texture);
    glColor4f(1.0f, 1.0f, 1.0f, PANEL_OPACITY);
    glBegin(GL_QUADS);
    glTexCoord2f(1, 0);
    glVertex3f(5.0f, -2.5f, 0.0f);
    glTexCoord2f(0, 0);
    glVertex3f(-5.0f, -2.5f, 0.0f);
    glTexCoord2f(0, 1);
    glVertex3f(-5.0f, -5.0f, 0.0f);
    glTexCoord2f(1, 1);
    glVertex3f(5.0f, -5.0f, 0.0f);
    glEnd();
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glPopMatrix();
}

void DrawChatText() {
    if (chat) {
        const std::string chathud = CHAT_PROMPT + chatstring;
        glPrint(PROMPT_X - 1, PROMPT_Y - 1, chathud.c_str(), 0, 0.0f, 0.0f, 0.0f);
        glPrint(PROMPT_X, PROMPT_Y, chathud.c_str(), 0, 1.0f, 1.0f, 1.0f);
    }
    // Empty lines are printed too: they draw nothing, and the last one leaves the colour white
    // for the next frame even when the log is empty.
    for (int i = CHAT_LOG_LINES - 1; i >= 0; i--) {
        glPrint(LOG_X, LOG_Y + LOG_LINE_STEP * i, chatbuffer[i].c_str(), 0, 1.0f, 1.0f, 1.0f);
    }
}
