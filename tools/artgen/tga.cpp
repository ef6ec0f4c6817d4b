#include "tools/artgen/tga.h"

std::string TgaBytes(const Canvas& image, bool with_alpha) {
    const char depth = with_alpha ? 32 : 24;
    // Descriptor: alpha bits in the low nibble, bit 5 = rows stored top to bottom.
    const char descriptor = static_cast<char>((with_alpha ? 8 : 0) | 0x20);
    std::string out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (const int side : {image.width, image.height}) {
        out += static_cast<char>(side & 0xFF);
        out += static_cast<char>(side >> 8);
    }
    out += depth;
    out += descriptor;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.At(x, y);
            out += static_cast<char>(p[2]);
            out += static_cast<char>(p[1]);
            out += static_cast<char>(p[0]);
            if (with_alpha) out += static_cast<char>(p[3]);
        }
    // The TrueVision 2.0 footer (no extension or developer area): the game reads the file either
    // way, but Qt, and so Tiled, opens only TGA files that carry it.
    out += std::string(8, '\0') + "TRUEVISION-XFILE." + std::string(1, '\0');
    return out;
}
