// Drawing the chat: the panel's place, opacity and orientation, the log's lines, the open line.
#include "chat/chat.h"
#include "tests/graphics/testfont.h"

#include <GL/glu.h>

#include <array>
#include <string>
#include <tuple>

namespace {

using timg::Near;

using ChatDrawing = testfont::CodedFont;

// A 2 by 2 panel image, top-left red, top-right green, bottom-left half-transparent white,
// bottom-right blue, drawn under the world camera of a player far from the origin.
TEST_F(ChatDrawing, PanelCoversTheBottomQuarterUprightAt85Percent) {
    chat_texture =
        testfont::UploadRgba(2, 2, {255, 0, 0, 255, 0, 255, 0, 255, 255, 255, 255, 128, 0, 0, 255, 255});
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(37.5, 12.25, 15, 37.5, 12.25, 0, 0, 1, 0);
    const auto before = testfont::GlState();

    draw_chat_texture();
    // 85 % of the panel's colour over the background's; 85 % of half of it for the half-transparent white.
    const timg::Rgba red{223, 30, 0, 255}, green{6, 247, 0, 255}, blue{6, 30, 217, 255},
        white{132, 223, 109, 255};
    const std::tuple<int, int, timg::Rgba> probes[] = {
        {0, 119, red}, {639, 119, green}, {0, 0, white}, {639, 0, blue}};
    for (const auto& [x, y, c] : probes)
        EXPECT_TRUE(Near(Px(x, y), c)) << x << "," << y;
    for (auto [x, y] : {std::pair{0, 120}, {320, 121}, {639, 120}, {320, 479}})
        EXPECT_TRUE(IsBackground(x, y)) << x << "," << y;

    EXPECT_EQ(testfont::GlState(), before);
    GLfloat depth = 0;
    glReadPixels(320, 60, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_FLOAT_EQ(depth, 1.0f) << "the panel must not hide what the next frame draws there";
}

// The log's line 0, the newest, sits at y 15 up to line 4 at y 95, all at x 10. While the chat is
// open, "(say): " and the typed text show at (5, 455) in white over a black copy at (4, 454); closed,
// nothing shows there, and the colour the panel left behind ends white for the next frame even with
// nothing in the log.
TEST_F(ChatDrawing, LogLinesSitTwentyApartNewestAtTheBottomAndTheOpenLineAtTheTop) {
    for (const char* line : {"a", "b", "c", "d", "e"})
        WriteMessage(line);
    chat = 1;
    chatstring = "hi";
    DrawChatText();
    for (int i = 0; i < CHAT_LOG_LINES; i++) {
        const int y = 15 + 20 * i, glyph = 'e' - i - 32;
        EXPECT_EQ(GlyphAt(10, y), glyph) << "line " << i;
        EXPECT_TRUE(IsBackground(10, y - 1) && IsBackground(9, y)) << "below and before line " << i;
    }
    const std::string hud = "(say): hi";
    for (std::size_t i = 0; i < hud.size(); i++)
        EXPECT_EQ(GlyphAt(10 + 10 * int(i), 459), hud[i] - 32) << hud << " at " << i;
    EXPECT_TRUE(IsBackground(10 + 10 * int(hud.size()), 459)) << "nothing after " << hud;
    EXPECT_TRUE(Near(Px(4, 460), timg::kBlack) && Near(Px(10, 454), timg::kBlack)) << "the shadow";
    EXPECT_TRUE(IsBackground(3, 460) && IsBackground(10, 453)) << "one unit of shadow only";

    chat = 0;
    FlushBuffer();
    glColor4f(1, 1, 1, 0.85f);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawChatText();
    EXPECT_TRUE(IsBackground(10, 459) && IsBackground(4, 460) && IsBackground(12, 17));
    EXPECT_EQ(testfont::CurrentColour(), (std::array<GLfloat, 4>{1, 1, 1, 1}));
}

} // namespace
