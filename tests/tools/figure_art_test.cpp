// Checks the shipped character sheet, font and chat panel for the properties the client relies
// on: the sheet's block and frame grid, step frames that really move, glyphs that fit the
// 10-pixel advance, and a panel dark enough for white text.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kMaxImageSide = 4096;

// An uncompressed 32-bit TGA, decoded to RGBA rows from the top.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
    const std::uint8_t* At(int x, int y) const { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
    int Alpha(int x, int y) const { return At(x, y)[3]; }
};

bool ReadTga32(const std::string& path, Image& out) {
    std::ifstream in(path, std::ios::binary);
    std::uint8_t h[18];
    if (!in.read(reinterpret_cast<char*>(h), sizeof h)) return false;
    const int id_length = h[0];
    const int width = h[12] | h[13] << 8;
    const int height = h[14] | h[15] << 8;
    // Uncompressed true colour, 32 bits, 8 alpha bits, rows stored from the top.
    if (h[1] != 0 || h[2] != 2 || h[16] != 32 || (h[17] & 0x0F) != 8 || (h[17] & 0x20) == 0) return false;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return false;
    in.ignore(id_length);
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(width) * height * 4);
    if (!in.read(reinterpret_cast<char*>(bgra.data()), static_cast<std::streamsize>(bgra.size()))) return false;
    out.width = width;
    out.height = height;
    out.rgba.resize(bgra.size());
    for (std::size_t i = 0; i < bgra.size(); i += 4) {
        out.rgba[i] = bgra[i + 2];
        out.rgba[i + 1] = bgra[i + 1];
        out.rgba[i + 2] = bgra[i];
        out.rgba[i + 3] = bgra[i + 3];
    }
    return true;
}

std::string Resource(const std::string& name) { return std::string(TAVREL_SOURCE_DIR) + "/resources/" + name; }

// ---- Sprite sheet ----

constexpr int kFrameW = 24, kFrameH = 32, kBlockW = 72, kBlockH = 128;
constexpr int kCharacters = 8;

class HeroSheet : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ReadTga32(Resource("Hero 1.tga"), sheet)); }
    int OriginX(int block, int frame) const { return (block % (sheet.width / kBlockW)) * kBlockW + frame * kFrameW; }
    int OriginY(int block, int dir) const { return (block / (sheet.width / kBlockW)) * kBlockH + dir * kFrameH; }
    // Pixels in which two frames differ (colour or alpha).
    int Difference(int block_a, int dir_a, int frame_a, int block_b, int dir_b, int frame_b) const {
        int n = 0;
        for (int y = 0; y < kFrameH; ++y)
            for (int x = 0; x < kFrameW; ++x) {
                const std::uint8_t* a = sheet.At(OriginX(block_a, frame_a) + x, OriginY(block_a, dir_a) + y);
                const std::uint8_t* b = sheet.At(OriginX(block_b, frame_b) + x, OriginY(block_b, dir_b) + y);
                if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2] || a[3] != b[3]) ++n;
            }
        return n;
    }
    Image sheet;
};

TEST_F(HeroSheet, HoldsEightCharactersInFourByTwoBlocks) {
    EXPECT_EQ(sheet.width, 4 * kBlockW);
    EXPECT_EQ(sheet.height, 2 * kBlockH);
    EXPECT_EQ((sheet.width / kBlockW) * (sheet.height / kBlockH), kCharacters);
}

TEST_F(HeroSheet, EveryFrameIsAFigureInsideItsTransparentMargin) {
    for (int block = 0; block < kCharacters; ++block)
        for (int dir = 0; dir < 4; ++dir)
            for (int frame = 0; frame < 3; ++frame) {
                SCOPED_TRACE("block " + std::to_string(block) + " direction " + std::to_string(dir) + " frame " +
                             std::to_string(frame));
                const int ox = OriginX(block, frame), oy = OriginY(block, dir);
                int opaque = 0, top = kFrameH, bottom = -1, left = kFrameW, right = -1;
                for (int y = 0; y < kFrameH; ++y)
                    for (int x = 0; x < kFrameW; ++x) {
                        const int a = sheet.Alpha(ox + x, oy + y);
                        const bool margin = x == 0 || y == 0 || x == kFrameW - 1 || y == kFrameH - 1;
                        if (margin) {
                            EXPECT_EQ(a, 0) << "at " << x << "," << y;
                        }
                        if (a == 0) continue;
                        ++opaque;
                        if (y < top) top = y;
                        if (y > bottom) bottom = y;
                        if (x < left) left = x;
                        if (x > right) right = x;
                    }
                // A whole person, not a speck: most of the frame's height, about half its width.
                EXPECT_GT(opaque, 200);
                EXPECT_GE(bottom - top + 1, 24);
                EXPECT_GE(right - left + 1, 10);
                // Standing on the cell's floor, so every character's feet line up on the map.
                EXPECT_GE(bottom, kFrameH - 3);
            }
}

TEST_F(HeroSheet, StepFramesSwingAwayFromTheStandingFrameInOppositeWays) {
    for (int block = 0; block < kCharacters; ++block)
        for (int dir = 0; dir < 4; ++dir) {
            SCOPED_TRACE("block " + std::to_string(block) + " direction " + std::to_string(dir));
            EXPECT_GT(Difference(block, dir, 0, block, dir, 1), 4);
            EXPECT_GT(Difference(block, dir, 2, block, dir, 1), 4);
            EXPECT_GT(Difference(block, dir, 0, block, dir, 2), 4);
        }
}

TEST_F(HeroSheet, FourDirectionsAndEightCharactersAllLookDifferent) {
    for (int block = 0; block < kCharacters; ++block)
        for (int a = 0; a < 4; ++a)
            for (int b = a + 1; b < 4; ++b)
                EXPECT_GT(Difference(block, a, 1, block, b, 1), 20)
                    << "block " << block << " directions " << a << " and " << b;
    // Compared in the picture a new player sees first: standing, facing down.
    for (int a = 0; a < kCharacters; ++a)
        for (int b = a + 1; b < kCharacters; ++b)
            EXPECT_GT(Difference(a, 2, 1, b, 2, 1), 60) << "characters " << a << " and " << b;
}

TEST_F(HeroSheet, LeftProfileIsTheRightProfileTurnedAround) {
    for (int block = 0; block < kCharacters; ++block)
        for (int frame = 0; frame < 3; ++frame) {
            SCOPED_TRACE("block " + std::to_string(block) + " frame " + std::to_string(frame));
            int mirrored = 0, asymmetric = 0;
            for (int y = 0; y < kFrameH; ++y)
                for (int x = 0; x < kFrameW; ++x) {
                    const std::uint8_t* right = sheet.At(OriginX(block, frame) + x, OriginY(block, 1) + y);
                    const std::uint8_t* left =
                        sheet.At(OriginX(block, frame) + kFrameW - 1 - x, OriginY(block, 3) + y);
                    const std::uint8_t* right_turned =
                        sheet.At(OriginX(block, frame) + kFrameW - 1 - x, OriginY(block, 1) + y);
                    // Outlines, not colours: the light still falls from the top left.
                    if ((right[3] == 0) == (left[3] == 0)) ++mirrored;
                    if ((right[3] == 0) != (right_turned[3] == 0)) ++asymmetric;
                }
            EXPECT_EQ(mirrored, kFrameW * kFrameH);
            // A profile is lopsided (nose and toes on one side, heels on the other), so the
            // two rows really look opposite ways.
            EXPECT_GE(asymmetric, 8);
        }
}

// ---- Font ----

constexpr int kCell = 16, kAdvance = 10;

class FontImage : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ReadTga32(Resource("font.tga"), font)); }
    int Coverage(int glyph, int x, int y) const { return font.Alpha((glyph % 16) * kCell + x, (glyph / 16) * kCell + y); }
    int Total(int glyph) const {
        int sum = 0;
        for (int y = 0; y < kCell; ++y)
            for (int x = 0; x < kCell; ++x) sum += Coverage(glyph, x, y);
        return sum;
    }
    // Lowest row of the cell with any coverage, or -1.
    int Bottom(int glyph) const {
        for (int y = kCell - 1; y >= 0; --y)
            for (int x = 0; x < kCell; ++x)
                if (Coverage(glyph, x, y) != 0) return y;
        return -1;
    }
    static int Glyph(char code, int set) { return code - 32 + 128 * set; }
    Image font;
};

TEST_F(FontImage, IsSixteenBySixteenCellsOfWhiteTintableGlyphs) {
    ASSERT_EQ(font.width, 16 * kCell);
    ASSERT_EQ(font.height, 16 * kCell);
    for (int y = 0; y < font.height; ++y)
        for (int x = 0; x < font.width; ++x) {
            const std::uint8_t* p = font.At(x, y);
            if (p[3] != 0) {
                ASSERT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255) << "at " << x << "," << y;
            }
        }
}

TEST_F(FontImage, PrintableCharactersFitTheAdvanceAndOtherCellsAreEmpty) {
    for (int glyph = 0; glyph < 256; ++glyph) {
        const int set = glyph / 128, code = glyph % 128 + 32;
        const bool printable = code > 32 && code < 127;
        SCOPED_TRACE("glyph " + std::to_string(glyph));
        if (!printable) {
            EXPECT_EQ(Total(glyph), 0);
            continue;
        }
        EXPECT_GT(Total(glyph), 255) << "code " << code << " set " << set;
        // Anything right of the advance would be drawn over by, or over, the next letter.
        for (int y = 0; y < kCell; ++y)
            for (int x = kAdvance; x < kCell; ++x) EXPECT_EQ(Coverage(glyph, x, y), 0);
    }
}

TEST_F(FontImage, LettersShareABaselineWithRoomForDescenders) {
    for (int set = 0; set < 2; ++set) {
        const int baseline = Bottom(Glyph('H', set));
        for (char c : std::string("ABXZaemx0158"))
            EXPECT_EQ(Bottom(Glyph(c, set)), baseline) << c << " in set " << set;
        for (char c : std::string("gjpqy")) {
            EXPECT_GE(Bottom(Glyph(c, set)), baseline + 2) << c << " in set " << set;
            EXPECT_LT(Bottom(Glyph(c, set)), kCell) << c << " in set " << set;
        }
        // Capitals stand tall enough to read at 640 by 480.
        int top = kCell;
        for (int y = kCell - 1; y >= 0; --y)
            for (int x = 0; x < kCell; ++x)
                if (Coverage(Glyph('H', set), x, y) != 0) top = y;
        EXPECT_GE(baseline - top + 1, 9);
    }
}

TEST_F(FontImage, SecondSetIsTheBoldFace) {
    long regular = 0, bold = 0;
    for (int code = 33; code < 127; ++code) {
        const int r = Total(Glyph(static_cast<char>(code), 0));
        const int b = Total(Glyph(static_cast<char>(code), 1));
        EXPECT_GE(b, r) << "code " << code;
        regular += r;
        bold += b;
    }
    EXPECT_GT(bold, regular + regular / 5);
}

// ---- Chat panel ----

TEST(ChatPanel, IsAnOpaqueFramedPanelDarkEnoughForWhiteText) {
    Image panel;
    ASSERT_TRUE(ReadTga32(Resource("chat.tga"), panel));
    // Powers of two keep the texture upload from resampling the picture, and the shape
    // must be close to the 640 by 120 strip it is stretched over.
    EXPECT_EQ(panel.width & (panel.width - 1), 0);
    EXPECT_EQ(panel.height & (panel.height - 1), 0);
    EXPECT_GE(panel.width, 4 * panel.height);
    EXPECT_LE(panel.width, 8 * panel.height);
    long centre = 0, centre_n = 0, rim = 0, rim_n = 0;
    int brightest_centre = 0;
    for (int y = 0; y < panel.height; ++y)
        for (int x = 0; x < panel.width; ++x) {
            const std::uint8_t* p = panel.At(x, y);
            ASSERT_EQ(p[3], 255) << "at " << x << "," << y;
            const int lum = (p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000;
            const bool inner = x >= panel.width / 10 && x < panel.width * 9 / 10 && y >= panel.height / 5 &&
                               y < panel.height * 4 / 5;
            const bool edge = x < 3 || y < 3 || x >= panel.width - 3 || y >= panel.height - 3;
            if (inner) {
                centre += lum;
                ++centre_n;
                if (lum > brightest_centre) brightest_centre = lum;
            }
            if (edge) {
                rim += lum;
                ++rim_n;
            }
        }
    // White text needs a dark ground everywhere it is written, not only on average.
    EXPECT_LT(centre / centre_n, 60);
    EXPECT_LT(brightest_centre, 90);
    // The frame reads as a frame: its average differs clearly from the centre's.
    EXPECT_GT(rim / rim_n, centre / centre_n + 15);
}

} // namespace
