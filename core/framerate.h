// The frame rate the client reports on standard output while it runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// How often the frame rate is reported, in ticks (ms).
constexpr std::uint32_t FPS_REPORT_MS = 5000;

// Frames drawn since the last report, and the tick count it was made at (0 before the first:
// the first report counts from the start of the tick clock).
struct FrameRate {
    std::uint32_t since = 0;
    int frames = 0;
};

// Counts a frame drawn at now; once FPS_REPORT_MS have passed since the last report, the next
// report's line ("N frames in S seconds = F FPS"), and the count starts again. The tick clock may
// wrap.
std::optional<std::string> CountFrame(FrameRate& rate, std::uint32_t now);
