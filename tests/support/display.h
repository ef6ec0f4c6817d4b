// The X display every windowed test shares, its windows and their pixels.
#pragma once

#include "tests/support/process.h"

#include <cstdint>

namespace tt {

// The display every windowed test of this program shares (":N"), set up by the X test main.
const std::string& TestDisplay();

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb; // rows top to bottom
    struct Pixel {
        int r, g, b;
    };
    Pixel At(int x, int y) const; // x, y from the top-left
};
Image WindowShot(const std::string& windowid);
// Pixels that differ clearly (by more than 30 over the three channels) between two shots of one
// size, in columns x0 to x1 and rows y0 to y1 from the top (ends excluded).
int ChangedPixels(const Image& a, const Image& b, int x0, int y0, int x1, int y1);

// Window id of the first visible window whose title is title, or "" after timeout.
std::string FindWindow(const std::string& title, Millis timeout);
// Runs xdotool with args on the test display.
int Xdotool(const std::string& args);

} // namespace tt
