// The bitmap font: which glyph a code draws, where, in what colour, and what glPrint leaves behind.
#include "tests/graphics/testfont.h"

#include <array>
#include <string>

namespace {

// Bytes of 128 and more are negative codes: 255 is -1, 160 is -96, 159 is -97.
TEST(GlyphFor, BothSetsAndSetsOutsideThem) {
    const struct {
        int code, set, glyph;
    } cases[] = {{' ', 0, 0},   {'A', 0, 33},  {'~', 0, 94},  {127, 0, 95}, {31, 0, -1},  {128, 0, -1},
                 {' ', 1, 128}, {'H', 1, 168}, {127, 1, 223}, {0, 1, 96},   {31, 1, 127}, {255, 1, 95},
                 {160, 1, 0},   {159, 1, -1},  {'H', 5, 168}, {0, 2, 96},   {'A', -1, 33}};
    for (const auto& c : cases)
        EXPECT_EQ(GlyphFor(static_cast<unsigned char>(c.code), c.set), c.glyph)
            << c.code << " in set " << c.set;
}

class Font : public testfont::CodedFont {
  protected:
    // The glyph seen in the part of the slot-th pen step that no neighbour overlaps.
    int GlyphInSlot(int penx, int peny, int slot) const { return GlyphAt(penx + slot * 10 + 5, peny + 4); }
};

// Every byte in every set, followed by "A": the byte draws GlyphFor's glyph and moves the pen ten
// pixels, or draws nothing and leaves the A where the byte would have been.
TEST_F(Font, EveryCodeDrawsItsGlyphOrNothing) {
    for (int set : {0, 1, 5, -1})
        for (int code = 1; code < 256; code++) {
            glClear(GL_COLOR_BUFFER_BIT);
            const char text[] = {char(code), 'A', '\0'};
            glPrint(200, 200, text, set, 1, 1, 1);
            const int expected = GlyphFor(static_cast<unsigned char>(code), set), a = GlyphFor('A', set);
            const std::array<int, 2> seen{GlyphInSlot(200, 200, 0), GlyphInSlot(200, 200, 1)};
            ASSERT_EQ(seen, (expected >= 0 ? std::array<int, 2>{expected, a} : std::array<int, 2>{a, -1}))
                << "set " << set << " code " << code;
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
            EXPECT_TRUE(timg::Near(Px(x, y), 24, 20, y > 22 ? 255 : 128)) << x << "," << y;
    for (auto [x, y] : {std::pair{9, 20}, {15, 14}, {15, 31}, {25, 20}})
        EXPECT_TRUE(IsBackground(x, y)) << x << "," << y;
    EXPECT_EQ(testfont::CurrentColour(), (std::array<GLfloat, 4>{1.0f, 0.5f, 1.0f, 1.0f}));
    EXPECT_EQ(testfont::GlState(), before);
}

TEST_F(Font, FreeFontDeletesItsListsOnly) {
    const GLuint first = base;
    FreeFont();
    EXPECT_FALSE(glIsList(first) || glIsList(first + FONT_GLYPHS - 1));
    // A list made now must survive a second FreeFont.
    const GLuint other = glGenLists(1);
    glNewList(other, GL_COMPILE);
    glEndList();
    FreeFont();
    EXPECT_TRUE(glIsList(other));
}

} // namespace
