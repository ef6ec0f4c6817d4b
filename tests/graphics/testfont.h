// A font image for drawing tests whose every glyph cell says which glyph it is: cell (m, q) is red
// m * 16 + 8 and green q * 16 + 8, blue 255 in its top half and 128 in its bottom half (upside-down
// glyphs show), its four right columns transparent. Decode reads a pixel of it drawn in white (the
// tests' backgrounds have no blue); Near allows for the rounding of a 16-bit framebuffer.
#pragma once

#include "graphics/text.h"
#include "tests/support/support.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace testfont {

// A nearest-filtered texture of rgba bytes, rows top to bottom.
inline GLuint UploadRgba(int width, int height, const std::vector<std::uint8_t>& rgba) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return texture;
}

// Makes the coded font as fonttexture and builds the glyph lists.
inline void MakeCodedFont() {
    std::vector<std::uint8_t> rgba(256 * 256 * 4, 0);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++)
            if (x % 16 < 12) {
                std::uint8_t* p = &rgba[std::size_t(y * 256 + x) * 4];
                p[0] = std::uint8_t(x / 16 * 16 + 8), p[1] = std::uint8_t(y / 16 * 16 + 8);
                p[2] = y % 16 < 8 ? 255 : 128, p[3] = 255;
            }
    fonttexture = UploadRgba(256, 256, rgba);
    BuildFont();
}

struct Seen {
    int glyph;
    bool top;
}; // glyph -1: none
inline Seen Decode(tt::Image::Pixel p) {
    return {p.b < 64 ? -1 : p.g / 16 * 16 + p.r / 16, p.b > 191};
}

inline bool Near(tt::Image::Pixel p, int r, int g, int b, int tolerance = 10) {
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

} // namespace testfont
