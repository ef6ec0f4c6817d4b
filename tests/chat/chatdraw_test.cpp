// Drawing the chat: the panel's place, opacity and orientation, the log's lines, the open line.
#include "chat/chat.h"
#include "tests/graphics/testfont.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <tuple>

namespace {

using testfont::Near;

// Background of these tests: blue-free, so the coded font's glyphs stand out from it.
constexpr int BG_R = 40, BG_G = 200, BG_B = 0;

class ChatDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        testfont::MakeCodedFont();
        FlushBuffer();
        chat = 0;
        glClearColor(BG_R / 255.0f, BG_G / 255.0f, BG_B / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    tt::Image::Pixel Px(int x, int y) const { return window->ReadPixel(x, y); }
    bool IsBackground(int x, int y) const { return Near(Px(x, y), BG_R, BG_G, BG_B); }
    int GlyphAt(int x, int y) const { return testfont::Decode(Px(x, y)).glyph; }

    std::unique_ptr<tt::GlWindow> window = std::make_unique<tt::GlWindow>();
};

// A 2 by 2 panel image, top-left red, top-right green, bottom-left half-transparent white,
// bottom-right blue, drawn under the world camera of a player far from the origin.
TEST_F(ChatDrawing, PanelCoversTheBottomQuarterUprightAt85Percent) {
    chat_texture =
        testfont::UploadRgba(2, 2, {255, 0, 0, 255, 0, 255, 0, 255, 255, 255, 255, 128, 0, 0, 255, 255});
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(37.5, 12.25, 15, 37.5, 12.25, 0, 0, 1, 0);
    std::array<GLfloat, 16> before{}, after{};
    glGetFloatv(GL_MODELVIEW_MATRIX, before.data());

    draw_chat_texture();
    const auto mix = [](int r, int g, int b, double alpha) {
        const auto c = [alpha](int over, int under) { return int(alpha * over + (1 - alpha) * under + 0.5); };
        return std::array<int, 3>{c(r, BG_R), c(g, BG_G), c(b, BG_B)};
    };
    const auto red = mix(255, 0, 0, 0.85), green = mix(0, 255, 0, 0.85), blue = mix(0, 0, 255, 0.85),
               white = mix(255, 255, 255, 0.85 * 128 / 255);
    for (auto [x, y, c] : {std::tuple{0, 119, red},
                           {100, 100, red},
                           {639, 119, green},
                           {500, 100, green},
                           {0, 0, white},
                           {100, 20, white},
                           {639, 0, blue},
                           {500, 20, blue}}) {
        const tt::Image::Pixel p = Px(x, y);
        EXPECT_TRUE(Near(p, c[0], c[1], c[2])) << x << "," << y << ": " << p.r << " " << p.g << " " << p.b;
    }
    for (auto [x, y] : {std::pair{0, 120}, {320, 121}, {639, 120}, {320, 479}})
        EXPECT_TRUE(IsBackground(x, y)) << x << "," << y;

    glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
    EXPECT_EQ(after, before);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
    GLfloat depth = 0;
    glReadPixels(320, 60, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_FLOAT_EQ(depth, 1.0f) << "the panel must not hide what the next frame draws there";
}

// Six lines: the first scrolls out; line 0 sits at y 15 up to line 4 at y 95, all at x 10.
TEST_F(ChatDrawing, LogLinesSitTwentyApartNewestAtTheBottom) {
    for (const char* line : {"a", "b", "c", "d", "e", "f"})
        WriteMessage(line);
    DrawChatText();
    const char expected[CHAT_LOG_LINES] = {'f', 'e', 'd', 'c', 'b'};
    for (int i = 0; i < CHAT_LOG_LINES; i++) {
        const int y = 15 + 20 * i;
        EXPECT_EQ(GlyphAt(12, y + 2), expected[i] - 32) << "line " << i;
        EXPECT_EQ(GlyphAt(12, y + 14), expected[i] - 32) << "line " << i;
        EXPECT_TRUE(IsBackground(12, y - 1)) << "below line " << i;
        EXPECT_TRUE(IsBackground(9, y + 8) && IsBackground(25, y + 8)) << "beside line " << i;
    }
    EXPECT_TRUE(IsBackground(12, 112));
    EXPECT_TRUE(IsBackground(10, 460)) << "the closed line shows nothing";
}

// While open, "(say): " and the typed text show at (5, 455) in white over a black copy at (4, 454).
TEST_F(ChatDrawing, OpenLineShowsThePromptWithAShadow) {
    chat = 1;
    for (const std::string typed : {"", "hi"}) {
        chatstring = typed;
        glClear(GL_COLOR_BUFFER_BIT);
        DrawChatText();
        const std::string hud = "(say): " + typed;
        for (std::size_t i = 0; i < hud.size(); i++)
            EXPECT_EQ(GlyphAt(10 + 10 * int(i), 459), hud[i] - 32) << hud << " at " << i;
        EXPECT_TRUE(IsBackground(10 + 10 * int(hud.size()), 459)) << "nothing after " << hud;
        EXPECT_TRUE(Near(Px(4, 460), 0, 0, 0) && Near(Px(10, 454), 0, 0, 0)) << "the shadow";
        EXPECT_TRUE(IsBackground(3, 460) && IsBackground(10, 453)) << "one unit of shadow only";
    }
    // Closed, the typed text is kept but hidden, and with nothing in the log the colour the panel
    // left behind still ends white for the next frame.
    chat = 0;
    glColor4f(1, 1, 1, 0.85f);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawChatText();
    EXPECT_EQ(chatstring, "hi");
    EXPECT_TRUE(IsBackground(10, 459) && IsBackground(4, 460));
    std::array<GLfloat, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<GLfloat, 4>{1, 1, 1, 1}));
}

} // namespace
