// The art generator: every image and map the game ships is drawn here, reproducibly.
#pragma once

#include "tools/artgen/canvas.h"

#include <string>

// Writes an uncompressed TGA, top-left origin: 32 bits a pixel (BGRA) with alpha, else 24 (BGR).
bool WriteTga(const std::string& path, const Canvas& image, bool with_alpha);
// Writes a text file exactly as given.
bool WriteText(const std::string& path, const std::string& text);

// Tile set and maps into outdir; false after printing what went wrong.
bool MakeWorldArt(const std::string& outdir);
// Character sprite sheet, font and chat panel into outdir; false after printing what went wrong.
bool MakeFigureArt(const std::string& outdir);
