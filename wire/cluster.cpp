#include "wire/cluster.h"

#include "wire/protocol.h"

#include <cctype>

static std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        hex.push_back(digits[b >> 4]);
        hex.push_back(digits[b & 0xF]);
    }
    return hex;
}

std::string ClusterMapSubject(std::string_view map) {
    return "tavrel.map." + Hex(map);
}

std::string ClusterNodeSubject(std::string_view node) {
    return "tavrel.node." + std::string(node);
}

std::string ClusterNickKey(std::string_view nick) {
    return Hex(nick);
}

bool ValidNodeId(std::string_view node) {
    if (node.empty() || node.size() > CLUSTER_MAX_NODE_ID) return false;
    for (const char c : node) {
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

std::string ClusterOrigin(std::string_view node) {
    return EncodeFrame("N|" + std::string(node));
}

bool ParseClusterPayload(std::string_view payload, std::string_view& node,
                         std::vector<std::string_view>& texts) {
    texts.clear();
    const auto refuse = [&texts] {
        texts.clear();
        return false;
    };
    bool first = true;
    while (!payload.empty()) {
        if (payload.size() < FRAME_PREFIX_BYTES) return refuse();
        const std::uint32_t len = ReadFrameLength(payload.data());
        if (len == 0 || len > MAX_FRAME_BODY || payload.size() - FRAME_PREFIX_BYTES < len) return refuse();
        std::string_view text = payload.substr(FRAME_PREFIX_BYTES, len);
        text = text.substr(0, text.find('\0'));
        payload.remove_prefix(FRAME_PREFIX_BYTES + len);
        if (first) {
            if (text.substr(0, 2) != "N|" || !ValidNodeId(text.substr(2))) return refuse();
            node = text.substr(2);
            first = false;
        } else {
            texts.push_back(text);
        }
    }
    return !first;
}
