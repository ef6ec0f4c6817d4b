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

TEST_F(Font, LetterAIsA16By16SquareUprightAtThePen) {
    glPrint(10, 15, "A", 0, 1, 1, 1);
    for (int x : {10, 21})
        for (int y : {15, 30})
            EXPECT_EQ(GlyphAt(x, y), 33) << x << "," << y;
    EXPECT_FALSE(TopAt(10, 15));
    EXPECT_TRUE(TopAt(10, 30));
    for (auto [x, y] : {std::pair{9, 20}, {15, 14}, {15, 31}})
        EXPECT_EQ(GlyphAt(x, y), -1) << x << "," << y;
    // The transparent right-hand columns of the cell let the background through.
    EXPECT_TRUE(IsBackground(25, 20));
}

// Every byte in every set, followed by "A": the byte draws GlyphFor's glyph and moves the pen ten
// pixels, or draws nothing and leaves the A where the byte would have been. Sets above 1 act as 1, below 0 as
// 0.
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

// The colour tints the glyphs and stays set afterwards, alpha 1; the depth buffer never hides
// text, and the matrices and depth test are as they were before.
TEST_F(Font, TintsIgnoresDepthAndRestoresTheState) {
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(-3.0f, 2.0f, -10.0f);
    glClearDepth(0.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    std::array<GLfloat, 32> before{}, after{};
    glGetFloatv(GL_PROJECTION_MATRIX, before.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, before.data() + 16);
    glColor4f(0.3f, 0.3f, 0.3f, 0.2f);
    glBindTexture(GL_TEXTURE_2D, 0); // glPrint binds the font itself

    glPrint(10, 15, "A", 0, 1.0f, 0.0f, 0.5f);
    EXPECT_TRUE(timg::Near(Px(12, 17), 1 * 16 + 8, 0, 64)); // cell column 1, bottom half: blue 128
    std::array<GLfloat, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<GLfloat, 4>{1.0f, 0.0f, 0.5f, 1.0f}));
    glGetFloatv(GL_PROJECTION_MATRIX, after.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, after.data() + 16);
    EXPECT_EQ(after, before);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
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
