#include "tools/artgen/art.h"

#include <cstdio>
#include <fstream>

bool WriteTga(const std::string& path, const Canvas& image, bool with_alpha) {
    std::ofstream out(path, std::ios::binary);
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    const std::uint8_t depth = with_alpha ? 32 : 24;
    // Descriptor: alpha bits in the low nibble, bit 5 = rows stored top to bottom.
    const std::uint8_t descriptor = static_cast<std::uint8_t>((with_alpha ? 8 : 0) | 0x20);
    const std::uint8_t header[18] = {0,
                                     0,
                                     2,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     static_cast<std::uint8_t>(image.width & 0xFF),
                                     static_cast<std::uint8_t>(image.width >> 8),
                                     static_cast<std::uint8_t>(image.height & 0xFF),
                                     static_cast<std::uint8_t>(image.height >> 8),
                                     depth,
                                     descriptor};
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    std::vector<char> row;
    for (int y = 0; y < image.height; ++y) {
        row.clear();
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.At(x, y);
            row.push_back(static_cast<char>(p[2]));
            row.push_back(static_cast<char>(p[1]));
            row.push_back(static_cast<char>(p[0]));
            if (with_alpha) row.push_back(static_cast<char>(p[3]));
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    return static_cast<bool>(out);
}

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}
