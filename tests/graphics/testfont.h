// A font image made for drawing tests: every glyph cell is solid and says which glyph it is.
// Cell (m, q) is red m * 16 + 8 and green q * 16 + 8 (so 16-bit framebuffers still tell them
// apart), blue 255 in its top half and 128 in its bottom half (so upside-down glyphs show), and its
// four rightmost columns are fully transparent (so blending shows through them).
#pragma once

#include "graphics/text.h"
#include "tests/support/support.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace testfont {

constexpr int CELL = 16;                  // texels per cell side
constexpr int OPAQUE_COLUMNS = 12;        // columns of a cell that are opaque
constexpr int TOP_BLUE = 255, BOTTOM_BLUE = 128;

// Uploads an image of rgba bytes (rows top to bottom) as a nearest-filtered texture.
inline GLuint UploadRgba(int width, int height, const std::vector<std::uint8_t>& rgba) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return texture;
}

// Makes the coded font texture, stores it in fonttexture and builds the glyph lists.
inline void MakeCodedFont() {
    const int side = FONT_CELLS * CELL;
    std::vector<std::uint8_t> rgba(std::size_t(side) * side * 4, 0);
    for (int y = 0; y < side; y++) {
        for (int x = 0; x < side; x++) {
            const int m = x / CELL, q = y / CELL, cx = x % CELL, cy = y % CELL;
            std::uint8_t* p = &rgba[(std::size_t(y) * side + x) * 4];
            if (cx >= OPAQUE_COLUMNS) continue; // transparent black
            p[0] = std::uint8_t(m * 16 + 8);
            p[1] = std::uint8_t(q * 16 + 8);
            p[2] = std::uint8_t(cy < CELL / 2 ? TOP_BLUE : BOTTOM_BLUE);
            p[3] = 255;
        }
    }
    fonttexture = UploadRgba(side, side, rgba);
    BuildFont();
}

// What a pixel drawn in white from the coded font shows.
struct Seen {
    int glyph = -1;   // -1: no glyph (blue too low, the background of these tests has none)
    bool top = false; // from the top half of the cell
};

inline Seen Decode(tt::Image::Pixel p) {
    Seen s;
    if (p.b < 64) return s;
    s.glyph = (p.g / 16) * 16 + p.r / 16;
    s.top = p.b > (TOP_BLUE + BOTTOM_BLUE) / 2;
    return s;
}

// Close enough for a 16-bit framebuffer.
inline bool Near(tt::Image::Pixel p, int r, int g, int b, int tolerance = 10) {
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance &&
           std::abs(p.b - b) <= tolerance;
}

} // namespace testfont
