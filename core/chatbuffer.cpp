// The chat line being typed and the chat log: plain strings, no drawing.
#include "core/chatlog.h"

#include <utility>

std::string chatstring;
std::string nickname;
std::string chatbuffer[CHAT_LOG_LINES];
int chat = 0;

void AddToBuffer(char unicode) {
    // A chat message's fields are separated by "|" and its text ends at the first zero byte, so
    // either character would silently cut the line short for everyone who reads it.
    if (unicode == '|' || unicode == '\0') return;
    const long room = long(CHAT_LINE_ROOM) - long(nickname.size());
    if (long(chatstring.size()) > room) return;
    chatstring += unicode;
}

void BackOne() {
    if (!chatstring.empty()) chatstring.pop_back();
}

void FlushBuffer() {
    chatstring.clear();
    for (std::string& line : chatbuffer)
        line.clear();
}

void SetNickName(std::string nick) {
    nickname = nick;
}

std::string GetNickName() {
    return nickname;
}

void WriteMessage(std::string text) {
    for (int i = CHAT_LOG_LINES - 1; i > 0; i--)
        chatbuffer[i] = chatbuffer[i - 1];
    // A relayed line can be as long as a frame; the panel shows no more than this of it.
    if (text.size() > CHAT_LOG_LINE_CHARS) text.resize(CHAT_LOG_LINE_CHARS);
    chatbuffer[0] = std::move(text);
}
