// Drawing in a window: which glyph of the bitmap font a code draws, where, in what colour, and what
// glPrint leaves behind. Textures keep their colours, alpha and orientation: the world's and the
// characters' drawing tests see every picture through them.
#include "tests/graphics/testfont.h"

#include <array>

namespace {

using namespace timg;

using Font = testfont::CodedFont;

// Each code, followed by "A", draws its glyph and moves the pen ten pixels, or draws nothing and leaves
// the A where the code would have been. Bytes of 128 and more are negative codes: 255 is -1, 160 is -96,
// 159 is -97; sets above 1 act as 1, below 0 as 0.
TEST_F(Font, EachCodeDrawsItsGlyphOrNothing) {
    const struct {
        int code, set, glyph;
    } cases[] = {{' ', 0, 0},   {'A', 0, 33},  {127, 0, 95},  {31, 0, -1},   {128, 0, -1},
                 {' ', 1, 128}, {'H', 1, 168}, {127, 1, 223}, {1, 1, 97},    {31, 1, 127},
                 {255, 1, 95},  {160, 1, 0},   {159, 1, -1},  {'H', 5, 168}, {'A', -1, 33}};
    for (const auto& c : cases) {
        EXPECT_EQ(GlyphFor(static_cast<unsigned char>(c.code), c.set), c.glyph)
            << c.code << " in set " << c.set;
        glClear(GL_COLOR_BUFFER_BIT);
        const char text[] = {char(c.code), 'A', '\0'};
        glPrint(200, 200, text, c.set, 1, 1, 1);
        // The glyphs seen where no neighbouring pen step overlaps.
        const std::array<int, 2> seen{GlyphAt(205, 204), GlyphAt(215, 204)};
        const int a = GlyphFor('A', c.set);
        EXPECT_EQ(seen, (c.glyph >= 0 ? std::array<int, 2>{c.glyph, a} : std::array<int, 2>{a, -1}))
            << c.code << " in set " << c.set;
    }
}

// One letter: a 16 by 16 square upright at the pen in the tint's colour, the transparent right-hand
// columns of its cell showing the background, whatever the camera and even where the depth buffer
// would hide it. The tint stays the current colour, alpha 1; the rest is left as it was.
TEST_F(Font, ALetterIsATintedSquareUprightAtThePenLeavingTheStateAsItWas) {
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(-3.0f, 2.0f, -10.0f);
    glClearDepth(0.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    const auto before = testfont::GlState();
    glColor4f(0.3f, 0.3f, 0.3f, 0.2f);
    glBindTexture(GL_TEXTURE_2D, 0); // glPrint binds the font itself

    glPrint(10, 15, "A", 0, 1.0f, 0.5f, 1.0f);
    // Glyph 33 is cell (1, 2): red 24 and green 40, halved by the tint; blue 255 on top, 128 below.
    for (int x : {10, 21})
        for (int y : {15, 30})
            EXPECT_TRUE(Near(Px(x, y), Rgba{24, 20, std::uint8_t(y > 22 ? 255 : 128), 255})) << x << "," << y;
    for (auto [x, y] : {std::pair{9, 20}, {15, 14}, {15, 31}, {25, 20}})
        EXPECT_TRUE(IsBackground(x, y)) << x << "," << y;
    EXPECT_EQ(testfont::CurrentColour(), (std::array<GLfloat, 4>{1.0f, 0.5f, 1.0f, 1.0f}));
    EXPECT_EQ(testfont::GlState(), before);
}

} // namespace
