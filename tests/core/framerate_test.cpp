#include "core/framerate.h"

#include <gtest/gtest.h>

#include <vector>

// A frame every 10 ms from tick start: a report with the frame that reaches 5 s since the last one,
// counting the frames since; the tick clock may wrap. A slow frame is reported with its real time.
TEST(FrameRate, ReportsEveryFiveSecondsTheFramesSinceTheLastReport) {
    using Reports = std::vector<std::pair<std::uint32_t, std::string>>;
    for (const std::uint32_t start : {0u, 0xFFFFF000u}) {
        FrameRate rate{start, 0};
        Reports reports;
        for (std::uint32_t ms = 10; ms <= 12000; ms += 10)
            if (const auto line = CountFrame(rate, start + ms)) reports.emplace_back(ms, *line);
        EXPECT_EQ(reports, (Reports{{5000, "500 frames in 5 seconds = 100 FPS\n"},
                                    {10000, "500 frames in 5 seconds = 100 FPS\n"}}))
            << start;
    }
    FrameRate slow;
    EXPECT_EQ(CountFrame(slow, 4999), std::nullopt);
    EXPECT_EQ(CountFrame(slow, 7500), "2 frames in 7.5 seconds = 0.266667 FPS\n");
}
