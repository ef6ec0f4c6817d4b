#include "core/framerate.h"

#include <cstdio>

std::optional<std::string> CountFrame(FrameRate& rate, std::uint32_t now) {
    ++rate.frames;
    const std::uint32_t elapsed = now - rate.since; // unsigned: right across the wrap too
    if (elapsed < FPS_REPORT_MS) return std::nullopt;
    const float seconds = static_cast<float>(elapsed) / 1000.0f;
    const float fps = static_cast<float>(rate.frames) / seconds;
    char line[96];
    std::snprintf(line, sizeof line, "%d frames in %g seconds = %g FPS\n", rate.frames,
                  static_cast<double>(seconds), static_cast<double>(fps));
    rate = FrameRate{now, 0};
    return line;
}
