// An RGBA image in memory, the surface every picture of the generator is drawn on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Rows top to bottom, 4 bytes a pixel: red, green, blue, alpha.
struct Canvas {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;

    Canvas() = default;
    Canvas(int w, int h) : width(w), height(h), rgba(Offset(w, 0, h), 0) {}
    // Pointer to pixel (x, y); callers stay inside the canvas.
    std::uint8_t* At(int x, int y) { return &rgba[Offset(width, x, y)]; }
    const std::uint8_t* At(int x, int y) const { return &rgba[Offset(width, x, y)]; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    // Sets pixel (x, y) when it lies inside the canvas.
    void Put(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
        if (!Inside(x, y)) return;
        std::uint8_t* p = At(x, y);
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    }

  private:
    // Byte offset of pixel (x, y) in rows `w` wide; pixel (0, h) is one past the end.
    static std::size_t Offset(int w, int x, int y) {
        return (static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)) * 4;
    }
};
