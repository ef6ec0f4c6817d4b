// The art generator: every image and map the game ships is drawn here, reproducibly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An RGBA image in memory, rows top to bottom.
struct Canvas {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba; // 4 bytes a pixel: red, green, blue, alpha

    Canvas() = default;
    Canvas(int w, int h) : width(w), height(h), rgba(static_cast<std::size_t>(w) * h * 4, 0) {}
    // Pointer to pixel (x, y); callers stay inside the canvas.
    std::uint8_t* At(int x, int y) { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
    const std::uint8_t* At(int x, int y) const {
        return &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
    }
    // Sets pixel (x, y) when it lies inside the canvas.
    void Put(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255);
};

// Writes an uncompressed TGA, top-left origin: 32 bits a pixel (BGRA) with alpha, else 24 (BGR).
bool WriteTga(const std::string& path, const Canvas& image, bool with_alpha);
// Writes a text file exactly as given.
bool WriteText(const std::string& path, const std::string& text);

// Tile set and maps into outdir; false after printing what went wrong.
bool MakeWorldArt(const std::string& outdir);
// Character sprite sheet, font and chat panel into outdir; false after printing what went wrong.
bool MakeFigureArt(const std::string& outdir);
