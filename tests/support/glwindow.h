// Test support: an OpenGL window in the test process, for drawing tests.
#pragma once

#include "tests/support/xvfb.h"

namespace tt {

// Opens SDL's 640x480 OpenGL window on the test display with the game's fixed OpenGL state.
// Destroying it shuts SDL's video down.
class GlWindow {
  public:
    GlWindow(int width = 640, int height = 480);
    ~GlWindow();
    // Colour of window pixel (x, y), x from the left, y from the BOTTOM (OpenGL's convention),
    // read from the back buffer after the caller has drawn (before any swap).
    Image::Pixel ReadPixel(int x, int y) const;
    // The whole back buffer as an image (rows top to bottom), e.g. to save a PNG.
    Image ReadBack() const;
};

} // namespace tt
