#include "wire/protocol.h"

#include <cstdio>

std::string EncodeFrame(const std::string& text) {
    if (text.empty()) return std::string();
    const std::uint32_t len = static_cast<std::uint32_t>(text.size() + 1);
    std::string frame(FRAME_PREFIX_BYTES, '\0');
    frame.reserve(FRAME_PREFIX_BYTES + len);
    WriteFrameLength(frame.data(), len);
    frame += text;
    frame.push_back('\0');
    return frame;
}

std::uint32_t ReadFrameLength(const char* prefix) {
    const auto byte = [prefix](int i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(prefix[i]));
    };
    return (byte(0) << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
}

void WriteFrameLength(char* prefix, std::uint32_t len) {
    for (std::size_t i = 0; i < FRAME_PREFIX_BYTES; ++i)
        prefix[i] = static_cast<char>((len >> (8 * (FRAME_PREFIX_BYTES - 1 - i))) & 0xFF);
}

FrameStatus CutFrameView(std::string_view buffer, std::size_t& offset, std::string_view& text) {
    if (offset > buffer.size() || buffer.size() - offset < FRAME_PREFIX_BYTES) return FrameStatus::Incomplete;
    const std::uint32_t len = ReadFrameLength(buffer.data() + offset);
    // Checked before anything is waited for or allocated: a hostile length never costs memory.
    if (len == 0 || len > MAX_FRAME_BODY) return FrameStatus::Invalid;
    if (buffer.size() - offset - FRAME_PREFIX_BYTES < len) return FrameStatus::Incomplete;
    const std::string_view body = buffer.substr(offset + FRAME_PREFIX_BYTES, len);
    text = body.substr(0, body.find('\0'));
    offset += FRAME_PREFIX_BYTES + len;
    return FrameStatus::Complete;
}

FrameStatus CutFrameAt(const std::string& buffer, std::size_t& offset, std::string& text) {
    std::string_view view;
    const FrameStatus status = CutFrameView(buffer, offset, view);
    if (status == FrameStatus::Complete) text.assign(view);
    return status;
}

FrameStatus CutFrame(std::string& buffer, std::string& text) {
    std::size_t offset = 0;
    const FrameStatus status = CutFrameAt(buffer, offset, text);
    if (status == FrameStatus::Complete) buffer.erase(0, offset);
    return status;
}

std::string FormatFloat(double value) {
    char out[32];
    std::snprintf(out, sizeof out, "%g", value);
    return out;
}

std::string BuildChatMessage(const std::string& nick, const std::string& text, const std::string& map) {
    return "1|" + nick + "|" + text + "|" + map;
}

std::string BuildPositionMessage(const std::string& nick, float x, float y, int direction, int walking,
                                 int collision, int charid, const std::string& map) {
    std::string text = "3|" + nick + "|" + FormatFloat(static_cast<double>(x)) + "|" +
                       FormatFloat(static_cast<double>(y)) + "|" + std::to_string(direction) + "|" +
                       std::to_string(walking) + "|" + std::to_string(collision) + "|" +
                       std::to_string(charid) + "|" + map;
    text.push_back('\0');
    return text;
}

std::string BuildMapChangeMessage(const std::string& nick, const std::string& newmap) {
    return "4|" + nick + "|" + newmap;
}
