// The PNG writer for the pictures the desktop shows (the game itself reads TGA).
#pragma once

#include "tools/artgen/canvas.h"

#include <string>

// An 8-bit RGBA PNG with no time stamp or text chunks, so the same canvas always gives the
// same bytes; empty after printing what went wrong.
std::string PngBytes(const Canvas& image);
