// The bitmap font: which glyph a code draws, where, in what colour, and what glPrint leaves behind.
#include "graphics/text.h"
#include "tests/graphics/testfont.h"
#include "tests/support/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

namespace {

using testfont::Decode;
using testfont::Near;

TEST(GlyphFor, SetZeroHoldsPrintableAsciiOnly) {
    EXPECT_EQ(GlyphFor(' ', 0), 0);
    EXPECT_EQ(GlyphFor('A', 0), 33);
    EXPECT_EQ(GlyphFor('~', 0), 94);
    EXPECT_EQ(GlyphFor(127, 0), 95);
    EXPECT_EQ(GlyphFor(31, 0), -1);
    EXPECT_EQ(GlyphFor(0, 0), -1);
    EXPECT_EQ(GlyphFor(128, 0), -1);
    EXPECT_EQ(GlyphFor(255, 0), -1);
}

TEST(GlyphFor, SetOneIsTheLowerHalfOfTheImage) {
    EXPECT_EQ(GlyphFor('H', 1), 168);
    EXPECT_EQ(GlyphFor('i', 1), 201);
    EXPECT_EQ(GlyphFor(' ', 1), 128);
    EXPECT_EQ(GlyphFor(127, 1), 223);
    EXPECT_EQ(GlyphFor(0, 1), 96);
    EXPECT_EQ(GlyphFor(31, 1), 127);
    // Bytes of 128 and more are negative codes: 255 is -1, 160 is -96, 159 is -97.
    EXPECT_EQ(GlyphFor(255, 1), 95);
    EXPECT_EQ(GlyphFor(160, 1), 0);
    EXPECT_EQ(GlyphFor(159, 1), -1);
    EXPECT_EQ(GlyphFor(128, 1), -1);
}

TEST(GlyphFor, OutOfRangeSetsFoldIntoTheTwoSets) {
    for (int code = 0; code < 256; code++) {
        const auto c = static_cast<unsigned char>(code);
        EXPECT_EQ(GlyphFor(c, 5), GlyphFor(c, 1)) << code;
        EXPECT_EQ(GlyphFor(c, 2), GlyphFor(c, 1)) << code;
        EXPECT_EQ(GlyphFor(c, -1), GlyphFor(c, 0)) << code;
        EXPECT_EQ(GlyphFor(c, -7), GlyphFor(c, 0)) << code;
    }
}

// A 640 by 480 window, black, with the coded font built in it.
class Font : public ::testing::Test {
  protected:
    void SetUp() override { Open(640, 480); }
    void TearDown() override { Close(); }

    void Open(int width, int height) {
        window = std::make_unique<tt::GlWindow>(width, height);
        testfont::MakeCodedFont();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void Close() {
        FreeFont();
        window.reset();
    }
    testfont::Seen At(int x, int y) const { return Decode(window->ReadPixel(x, y)); }
    // The glyph whose unshared part covers text-space column x..x+9 at row y (+4 into the cell).
    int GlyphInSlot(int penx, int peny, int slot) const {
        return At(penx + slot * GLYPH_ADVANCE + 5, peny + 4).glyph;
    }

    std::unique_ptr<tt::GlWindow> window;
};

TEST_F(Font, LetterAIsA16By16SquareAtThePen) {
    glPrint(10, 15, "A", 0, 1, 1, 1);
    const int a = GlyphFor('A', 0);
    // Corners of the opaque part of the cell, and the cell's two halves the right way up.
    EXPECT_EQ(At(10, 15).glyph, a);
    EXPECT_FALSE(At(10, 15).top);
    EXPECT_EQ(At(10, 30).glyph, a);
    EXPECT_TRUE(At(10, 30).top);
    EXPECT_EQ(At(21, 15).glyph, a);
    EXPECT_EQ(At(21, 30).glyph, a);
    // Nothing outside the square.
    EXPECT_EQ(At(9, 20).glyph, -1);
    EXPECT_EQ(At(15, 14).glyph, -1);
    EXPECT_EQ(At(15, 31).glyph, -1);
    // The transparent right-hand columns of the cell let the background through.
    EXPECT_TRUE(Near(window->ReadPixel(22, 20), 0, 0, 0));
    EXPECT_TRUE(Near(window->ReadPixel(25, 20), 0, 0, 0));
}

TEST_F(Font, PenAdvancesTenPerCharacter) {
    const std::string text = "Hello, World~";
    glPrint(100, 200, text.c_str(), 0, 1, 1, 1);
    for (std::size_t i = 0; i < text.size(); i++)
        EXPECT_EQ(GlyphInSlot(100, 200, int(i)), GlyphFor(text[i], 0)) << "character " << i;
    EXPECT_EQ(GlyphInSlot(100, 200, int(text.size()) + 1), -1);

    // A space draws cell 0 (solid in this font) and moves the pen 10.
    glClear(GL_COLOR_BUFFER_BIT);
    glPrint(50, 300, "     A", 0, 1, 1, 1);
    for (int i = 0; i < 5; i++) EXPECT_EQ(GlyphInSlot(50, 300, i), 0) << "space " << i;
    EXPECT_EQ(GlyphInSlot(50, 300, 5), GlyphFor('A', 0));
    EXPECT_EQ(At(50 + 50, 300).glyph, GlyphFor('A', 0)) << "A starts 50 units on";
}

TEST_F(Font, SetOneAndSetsAboveIt) {
    glPrint(20, 100, "Hi", 1, 1, 1, 1);
    EXPECT_EQ(GlyphInSlot(20, 100, 0), 168);
    EXPECT_EQ(GlyphInSlot(20, 100, 1), 201);
    glPrint(20, 150, "Hi", 5, 1, 1, 1);
    EXPECT_EQ(GlyphInSlot(20, 150, 0), 168);
    EXPECT_EQ(GlyphInSlot(20, 150, 1), 201);
    glPrint(20, 200, "Hi", -2, 1, 1, 1);
    EXPECT_EQ(GlyphInSlot(20, 200, 0), GlyphFor('H', 0));
    EXPECT_EQ(GlyphInSlot(20, 200, 1), GlyphFor('i', 0));
}

// Every byte in both sets, each followed by "A": the byte draws GlyphFor's glyph and moves the
// pen, or draws nothing and leaves the A where the byte would have been.
TEST_F(Font, EveryCodeDrawsItsGlyphOrNothing) {
    for (int set = 0; set <= 1; set++) {
        for (int code = 1; code < 256; code++) {
            glClear(GL_COLOR_BUFFER_BIT);
            const char text[] = {char(code), 'A', '\0'};
            glPrint(200, 200, text, set, 1, 1, 1);
            const int expected = GlyphFor(static_cast<unsigned char>(code), set);
            const int a = GlyphFor('A', set);
            if (expected >= 0) {
                ASSERT_EQ(GlyphInSlot(200, 200, 0), expected) << "set " << set << " code " << code;
                ASSERT_EQ(GlyphInSlot(200, 200, 1), a) << "set " << set << " code " << code;
            } else {
                ASSERT_EQ(GlyphInSlot(200, 200, 0), a) << "set " << set << " code " << code;
                ASSERT_EQ(GlyphInSlot(200, 200, 1), -1) << "set " << set << " code " << code;
            }
        }
    }
}

TEST_F(Font, CodesWithoutGlyphLeaveTheRestInPlace) {
    glPrint(30, 60, "A\x01\x1f\x80\xff" "B", 0, 1, 1, 1);
    EXPECT_EQ(GlyphInSlot(30, 60, 0), GlyphFor('A', 0));
    EXPECT_EQ(GlyphInSlot(30, 60, 1), GlyphFor('B', 0));
    EXPECT_EQ(GlyphInSlot(30, 60, 2), -1);
    // A string of nothing but such codes draws nothing at all.
    glClear(GL_COLOR_BUFFER_BIT);
    glPrint(30, 60, "\t\x1b\x90", 0, 1, 1, 1);
    tt::Image shot = window->ReadBack();
    int lit = 0;
    for (std::size_t i = 0; i < shot.rgb.size(); i++) lit += shot.rgb[i] != 0;
    EXPECT_EQ(lit, 0);
}

TEST_F(Font, ColourTintsTheGlyphsAndStaysSet) {
    glPrint(10, 15, "A", 0, 1.0f, 0.0f, 0.5f);
    // Cell of A: column 1, row 2, bottom half blue 128.
    const tt::Image::Pixel p = window->ReadPixel(12, 17);
    EXPECT_TRUE(Near(p, 1 * 16 + 8, 0, 64)) << p.r << " " << p.g << " " << p.b;
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 1.0f);
    EXPECT_FLOAT_EQ(colour[1], 0.0f);
    EXPECT_FLOAT_EQ(colour[2], 0.5f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);

    // An empty string draws nothing but still sets the colour, alpha included.
    glColor4f(0.3f, 0.3f, 0.3f, 0.2f);
    glClear(GL_COLOR_BUFFER_BIT);
    glPrint(10, 15, "", 0, 0.0f, 1.0f, 0.0f);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.0f);
    EXPECT_FLOAT_EQ(colour[1], 1.0f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
    EXPECT_TRUE(Near(window->ReadPixel(12, 17), 0, 0, 0));
}

TEST_F(Font, DrawsOverEverythingAndRestoresTheState) {
    // A world view as the frame leaves it, and a depth buffer that would hide anything.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(-3.0f, 2.0f, -10.0f);
    glClearDepth(0.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    std::array<GLfloat, 16> projection{}, modelview{}, after{};
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
    glEnable(GL_BLEND);

    glPrint(300, 240, "A", 0, 1, 1, 1);
    EXPECT_EQ(At(304, 244).glyph, GlyphFor('A', 0)) << "depth must not hide text";

    glGetFloatv(GL_PROJECTION_MATRIX, after.data());
    EXPECT_EQ(after, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
    EXPECT_EQ(after, modelview);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), fonttexture);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Font, TextSpaceScalesWithTheWindow) {
    Close();
    Open(320, 240);
    glPrint(10, 15, "A", 0, 1, 1, 1);
    // Every text unit is half a pixel now: the square spans pixels 5..12 by 7.5..15.5 (rows 8..14), its opaque
    // part pixels 5..10.
    const int a = GlyphFor('A', 0);
    EXPECT_EQ(At(5, 8).glyph, a);
    EXPECT_EQ(At(10, 14).glyph, a);
    EXPECT_FALSE(At(7, 8).top);
    EXPECT_TRUE(At(7, 14).top);
    EXPECT_EQ(At(4, 10).glyph, -1);
    EXPECT_EQ(At(11, 10).glyph, -1);
    EXPECT_EQ(At(7, 6).glyph, -1);
    EXPECT_EQ(At(7, 17).glyph, -1);
}

TEST_F(Font, FreeFontDeletesTheListsOnce) {
    const GLuint first = base;
    ASSERT_NE(first, 0u);
    EXPECT_TRUE(glIsList(first));
    EXPECT_TRUE(glIsList(first + FONT_GLYPHS - 1));
    FreeFont();
    EXPECT_EQ(base, 0u);
    EXPECT_FALSE(glIsList(first));
    EXPECT_FALSE(glIsList(first + FONT_GLYPHS - 1));
    // Another list made now must survive a second FreeFont.
    const GLuint other = glGenLists(1);
    glNewList(other, GL_COMPILE);
    glEndList();
    FreeFont();
    EXPECT_TRUE(glIsList(other));
}

} // namespace
