// Test support: a private X server, screenshots, and finding and driving windows with xdotool.
#pragma once

#include "tests/support/process.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tt {

// A private Xvfb (24-bit, 1600x900, room for two game windows side by side) on a free display number; stopped
// on destruction.
class Xvfb {
  public:
    Xvfb();
    ~Xvfb();
    // ":N"
    const std::string& display() const { return display_; }

  private:
    int pid_ = -1;
    std::string display_;
};

// The display started by the X test main for this test program (":N").
const std::string& TestDisplay();
// Sets what TestDisplay returns (the X test main does).
void SetTestDisplay(const std::string& display);

// An RGB screenshot of the whole screen of display (via ImageMagick's import).
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb; // rows top to bottom
    struct Pixel {
        int r, g, b;
    };
    Pixel At(int x, int y) const; // x, y from the top-left
    // Writes a PNG (for looking at a failure or a result).
    void SavePng(const std::string& path) const;
};
Image Screenshot(const std::string& display);

// Window id of the first visible window whose title is title, or "" after timeout.
std::string FindWindow(const std::string& display, const std::string& title, Millis timeout);
// Window ids of every visible window whose title is title.
std::vector<std::string> FindWindows(const std::string& display, const std::string& title);
// Geometry of a window: position of its top-left corner on the screen and its size.
struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};
Geometry WindowGeometry(const std::string& display, const std::string& windowid);
// Runs xdotool with the given arguments on display; returns its exit code.
int Xdotool(const std::string& display, const std::string& args);

} // namespace tt
