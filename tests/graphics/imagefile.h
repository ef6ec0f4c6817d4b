// Small images made by the tests as TGA files in a folder of their own, and the colours a window shows.
#pragma once

#include "tests/support/support.h"
#include "tools/artgen/tga.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>

namespace timg {

using tt::TempDir;

using Rgba = std::array<std::uint8_t, 4>; // red, green, blue, alpha

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255}, kWhite{255, 255, 255, 255},
    kBlack{0, 0, 0, 255};

// An uncompressed TGA header, top row first: image type, size, bits per pixel, and a colour map of
// maplength 24-bit entries for type 1; alpha bits 8 for 32-bit pixels.
inline std::string TgaHeader(int type, int w, int h, int bits, int maplength = 0) {
    std::string t(18, '\0');
    t[1] = char(maplength ? 1 : 0), t[2] = char(type), t[5] = char(maplength & 0xff),
    t[6] = char(maplength >> 8);
    t[7] = char(maplength ? 24 : 0), t[12] = char(w & 0xff), t[13] = char(w >> 8), t[14] = char(h & 0xff);
    t[15] = char(h >> 8), t[16] = char(bits), t[17] = char(0x20 | (bits == 32 ? 8 : 0));
    return t;
}

// Writes w by h pixels as the generator writes the game's pictures: 32 bits a pixel when alpha, else 24.
inline void WriteTga(const std::string& path, int w, int h, const std::function<Rgba(int, int)>& pixel,
                     bool alpha = true) {
    Canvas image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgba c = pixel(x, y);
            std::copy(c.begin(), c.end(), image.At(x, y));
        }
    tt::WriteFile(path, TgaBytes(image, alpha));
}

// A window pixel matches a colour within the rounding of a 16-bit framebuffer.
inline ::testing::AssertionResult Near(const tt::Image::Pixel& p, Rgba c) {
    if (std::abs(p.r - c[0]) <= 9 && std::abs(p.g - c[1]) <= 9 && std::abs(p.b - c[2]) <= 9)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "found (" << p.r << ", " << p.g << ", " << p.b << ") wanted ("
                                         << int(c[0]) << ", " << int(c[1]) << ", " << int(c[2]) << ")";
}

} // namespace timg
