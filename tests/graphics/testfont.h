// A font image for drawing tests whose every glyph cell says which glyph it is: cell (m, q) is red
// m * 16 + 8 and green q * 16 + 8, blue 255 in its top half and 128 in its bottom half (upside-down
// glyphs show), its four right columns transparent. Glyphs are drawn in white over a background
// without blue, so a pixel's blue tells a glyph from the background.
#pragma once

#include "graphics/text.h"
#include "tests/graphics/imagefile.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <tuple>
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

// What drawing text or the chat panel must leave as it found it: both matrices and the matrix mode,
// the depth test, depth writes and blending.
inline auto GlState() {
    std::array<GLfloat, 32> matrices{};
    glGetFloatv(GL_PROJECTION_MATRIX, matrices.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, matrices.data() + 16);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    GLboolean depthwrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthwrites);
    return std::tuple(matrices, mode, glIsEnabled(GL_DEPTH_TEST), depthwrites, glIsEnabled(GL_BLEND));
}

// The current colour, which the next frame's drawing starts from.
inline std::array<GLfloat, 4> CurrentColour() {
    std::array<GLfloat, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    return colour;
}

const timg::Rgba kBg{40, 200, 0, 255};

// A window cleared to kBg with the coded font as fonttexture and its glyph lists built.
class CodedFont : public ::testing::Test {
  protected:
    void SetUp() override {
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
        glClearColor(kBg[0] / 255.0f, kBg[1] / 255.0f, kBg[2] / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    tt::Image::Pixel Px(int x, int y) const { return window.ReadPixel(x, y); }
    bool IsBackground(int x, int y) const { return timg::Near(Px(x, y), kBg); }
    // The glyph drawn at window pixel (x, y), -1 for none.
    int GlyphAt(int x, int y) const {
        const tt::Image::Pixel p = Px(x, y);
        return p.b < 64 ? -1 : p.g / 16 * 16 + p.r / 16;
    }

    tt::GlWindow window;
};

} // namespace testfont
