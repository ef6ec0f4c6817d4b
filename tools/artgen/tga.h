// The image file writer: the one format the game loads its pictures from.
#pragma once

#include "tools/artgen/canvas.h"

#include <string>

// An uncompressed TGA, top-left origin: 32 bits a pixel (BGRA) with alpha, else 24 (BGR).
std::string TgaBytes(const Canvas& image, bool with_alpha);
