// The shared X display of windowed tests, its windows and their pixels.
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
    void SavePng(const std::string& path) const;
};
// The whole screen of display, or one window of it.
Image Screenshot(const std::string& display);
Image WindowShot(const std::string& display, const std::string& windowid);
// Pixels that differ clearly (by more than 30 over the three channels) between two shots of one
// size, in columns x0 to x1 and rows y0 to y1 from the top (ends excluded).
int ChangedPixels(const Image& a, const Image& b, int x0, int y0, int x1, int y1);

// Window id of the first visible window whose title is title, or "" after timeout.
std::string FindWindow(const std::string& display, const std::string& title, Millis timeout);
std::vector<std::string> FindWindows(const std::string& display, const std::string& title);
struct Geometry { // of a window: its top-left corner on the screen, and its size
    int x = 0, y = 0, width = 0, height = 0;
};
Geometry WindowGeometry(const std::string& display, const std::string& windowid);
int Xdotool(const std::string& display, const std::string& args);

} // namespace tt
