// An SDL OpenGL window in the test process, for tests that draw with the game's own code.
#pragma once

#include "tests/support/display.h"

namespace tt {

// SDL's OpenGL window (640x480 unless told) on the test display, with the game's fixed OpenGL
// state. Destroying it shuts SDL's video down.
class GlWindow {
  public:
    GlWindow(int width = 640, int height = 480);
    ~GlWindow();
    // Colour of window pixel (x, y), x from the left, y from the BOTTOM (OpenGL's convention),
    // read from the back buffer after the caller has drawn (before any swap).
    Image::Pixel ReadPixel(int x, int y) const;
    // The whole back buffer as an image, e.g. to save a PNG.
    Image ReadBack() const;
};

} // namespace tt
