// Small images made by the tests themselves: TGA files and SDL surfaces in the byte order
// the game's images have (blue, green, red, alpha).
#pragma once

#include "tests/support/support.h"

#include <SDL.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace timg {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

// Writes an uncompressed true-colour TGA, top row first; 32 bits when alpha, else 24.
inline void WriteTga(const std::string& path, int w, int h, const std::vector<Rgba>& pixels, bool alpha) {
    std::string data(18, '\0');
    data[2] = 2; // uncompressed true colour
    data[12] = static_cast<char>(w & 0xff);
    data[13] = static_cast<char>(w >> 8);
    data[14] = static_cast<char>(h & 0xff);
    data[15] = static_cast<char>(h >> 8);
    data[16] = static_cast<char>(alpha ? 32 : 24);
    data[17] = static_cast<char>(0x20 | (alpha ? 8 : 0)); // top-left origin, alpha bits
    for (const Rgba& p : pixels) {
        data += static_cast<char>(p.b);
        data += static_cast<char>(p.g);
        data += static_cast<char>(p.r);
        if (alpha) data += static_cast<char>(p.a);
    }
    tt::WriteFile(path, data);
}

// A zeroed w by h surface laid out as the image library lays out TGA files.
inline SDL_Surface* MakeSurface(int w, int h, bool alpha) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE | (alpha ? SDL_SRCALPHA : 0), w, h, alpha ? 32 : 24, 0x00ff0000,
                                0x0000ff00, 0x000000ff, alpha ? 0xff000000 : 0);
}

inline std::uint8_t* PixelAt(SDL_Surface* s, int x, int y) {
    return static_cast<std::uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
}

inline void Put(SDL_Surface* s, int x, int y, Rgba c) {
    std::uint8_t* p = PixelAt(s, x, y);
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
    if (s->format->BytesPerPixel == 4) p[3] = c.a;
}

// Reads back a pixel; alpha is 255 on surfaces without an alpha channel.
inline Rgba Get(SDL_Surface* s, int x, int y) {
    const std::uint8_t* p = PixelAt(s, x, y);
    return Rgba{p[2], p[1], p[0], s->format->BytesPerPixel == 4 ? p[3] : std::uint8_t(255)};
}

// Whether a window pixel matches a colour within the rounding of a 16-bit framebuffer.
inline bool Near(const tt::Image::Pixel& p, int r, int g, int b, int tolerance = 9) {
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

} // namespace timg

namespace tt {
// Lets a failed expectation show the colour it found.
inline std::ostream& operator<<(std::ostream& out, const Image::Pixel& p) {
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}
} // namespace tt
