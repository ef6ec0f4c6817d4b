// The shipped sprite sheet, font and chat panel: eight characters whose step frames move, glyphs
// inside the 10-pixel advance with a bolder second set, and a panel dark enough for white text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kMaxImageSide = 4096;

// A shipped image: uncompressed, 32 bits, rows from the top; bytes blue, green, red, alpha.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bgra;
    const std::uint8_t* At(int x, int y) const {
        return &bgra[static_cast<std::size_t>((y * width + x) * 4)];
    }
};

// Empty when the file is missing or not laid out so.
Image ReadTga32(const std::string& name) {
    std::ifstream in(std::string(TAVREL_SOURCE_DIR) + "/resources/" + name, std::ios::binary);
    std::uint8_t h[18];
    if (!in.read(reinterpret_cast<char*>(h), sizeof h) || h[0] || h[1] || h[2] != 2 || h[16] != 32 ||
        (h[17] & 0x2F) != 0x28)
        return {};
    Image image{h[12] | h[13] << 8, h[14] | h[15] << 8, {}};
    if (image.width > kMaxImageSide || image.height > kMaxImageSide) return {};
    image.bgra.resize(static_cast<std::size_t>(image.width * image.height * 4));
    if (!in.read(reinterpret_cast<char*>(image.bgra.data()), std::streamsize(image.bgra.size()))) return {};
    return image;
}

// 4 by 2 blocks, one a character: 3 frames of 24 by 32 across, the 4 directions down.
TEST(HeroSheet, EightDifferentCharactersWhoseStepFramesMove) {
    const Image sheet = ReadTga32("Hero 1.tga");
    ASSERT_EQ(std::make_pair(sheet.width, sheet.height), std::make_pair(288, 256));
    // Pixel (x, y) of frame f facing direction d of block c.
    const auto at = [&](int c, int d, int f, int x, int y) {
        return sheet.At(c % 4 * 72 + f * 24 + x, c / 4 * 128 + d * 32 + y);
    };
    // Pixels (colour or alpha) in which one frame differs from another.
    const auto differ = [&](int c1, int d1, int f1, int c2, int d2, int f2) {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 24; ++x)
                n += !std::equal(at(c1, d1, f1, x, y), at(c1, d1, f1, x, y) + 4, at(c2, d2, f2, x, y));
        return n;
    };
    for (int block = 0; block < 8; ++block)
        for (int dir = 0; dir < 4; ++dir) {
            SCOPED_TRACE("block " + std::to_string(block) + " direction " + std::to_string(dir));
            for (const auto& [f, g] : {std::pair{0, 1}, {2, 1}, {0, 2}})
                EXPECT_GT(differ(block, dir, f, block, dir, g), 4) << "frames " << f << " and " << g;
        }
    // Compared in the picture a new player sees first: standing, facing down.
    for (int a = 0; a < 8; ++a)
        for (int b = a + 1; b < 8; ++b)
            EXPECT_GT(differ(a, 2, 1, b, 2, 1), 60) << "characters " << a << " and " << b;
}

// 16 by 16 cells of 16 pixels; glyph 128 * set + code - 32.
TEST(FontImage, PrintableGlyphsFitTheAdvanceAndTheSecondSetIsBold) {
    const Image font = ReadTga32("font.tga");
    ASSERT_EQ(std::make_pair(font.width, font.height), std::make_pair(256, 256));
    const auto coverage = [&](int glyph, int x, int y) {
        return font.At(glyph % 16 * 16 + x, glyph / 16 * 16 + y)[3];
    };
    std::vector<long> total(256);
    for (int glyph = 0; glyph < 256; ++glyph) {
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                total[static_cast<std::size_t>(glyph)] += coverage(glyph, x, y);
                // Anything right of the advance would be drawn over by, or over, the next letter.
                EXPECT_TRUE(x < 10 || coverage(glyph, x, y) == 0)
                    << "glyph " << glyph << " at " << x << "," << y;
            }
        const bool printable = glyph % 128 > 0 && glyph % 128 < 95; // codes 33 to 126
        EXPECT_TRUE(printable ? total[static_cast<std::size_t>(glyph)] > 255
                              : total[static_cast<std::size_t>(glyph)] == 0)
            << "glyph " << glyph;
    }
    const long regular = std::accumulate(total.begin() + 1, total.begin() + 95, 0L);
    EXPECT_GT(std::accumulate(total.begin() + 129, total.begin() + 223, 0L), regular + regular / 5);
}

TEST(ChatPanel, IsOpaqueAndDarkEnoughForWhiteText) {
    const Image panel = ReadTga32("chat.tga");
    long sum = 0, count = 0;
    int brightest = 0;
    for (int y = 0; y < panel.height; ++y)
        for (int x = 0; x < panel.width; ++x) {
            const std::uint8_t* p = panel.At(x, y);
            ASSERT_EQ(p[3], 255) << "at " << x << "," << y;
            // The middle, where the text goes; the frame round it may be light.
            if (x < panel.width / 10 || x >= panel.width * 9 / 10 || y < panel.height / 5 ||
                y >= panel.height * 4 / 5)
                continue;
            const int lum = (p[2] * 299 + p[1] * 587 + p[0] * 114) / 1000;
            sum += lum;
            ++count;
            brightest = std::max(brightest, lum);
        }
    // White text needs a dark ground everywhere it is written, not only on average.
    ASSERT_GT(count, 0);
    EXPECT_LT(sum / count, 60);
    EXPECT_LT(brightest, 90);
}

} // namespace
