// Drawing the chat: the panel's place, opacity and orientation, the log's lines, the open line.
#include "chat/chat.h"
#include "graphics/text.h"
#include "tests/graphics/testfont.h"
#include "tests/support/support.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using testfont::Decode;
using testfont::Near;

// Background of these tests: blue-free, so the coded font's glyphs stand out from it.
constexpr int BG_R = 40, BG_G = 200, BG_B = 0;

class ChatDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<tt::GlWindow>();
        testfont::MakeCodedFont();
        FlushBuffer();
        SetNickName("Ann");
        chat = 0;
        glClearColor(BG_R / 255.0f, BG_G / 255.0f, BG_B / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void TearDown() override {
        FreeFont();
        window.reset();
        FlushBuffer();
        chat = 0;
    }
    // A 2 by 2 panel image: top-left, top-right, bottom-left, bottom-right texels (rgba).
    static void MakePanel(const std::array<std::array<int, 4>, 4>& texels) {
        std::vector<std::uint8_t> rgba;
        for (const auto& t : texels)
            for (int c : t) rgba.push_back(std::uint8_t(c));
        chat_texture = testfont::UploadRgba(2, 2, rgba);
    }
    static int Blend(int over, int under, double alpha) {
        return int(alpha * over + (1 - alpha) * under + 0.5);
    }
    tt::Image::Pixel Px(int x, int y) const { return window->ReadPixel(x, y); }
    bool IsBackground(int x, int y) const { return Near(Px(x, y), BG_R, BG_G, BG_B); }

    std::unique_ptr<tt::GlWindow> window;
};

TEST_F(ChatDrawing, PanelCoversTheBottomQuarterAt85Percent) {
    const std::array<int, 4> panel = {250, 30, 120, 255};
    MakePanel({panel, panel, panel, panel});
    draw_chat_texture();
    const int r = Blend(panel[0], BG_R, 0.85), g = Blend(panel[1], BG_G, 0.85),
              b = Blend(panel[2], BG_B, 0.85);
    for (auto [x, y] : {std::pair{0, 0}, {639, 0}, {320, 60}, {0, 119}, {639, 119}, {100, 118}}) {
        const tt::Image::Pixel p = Px(x, y);
        EXPECT_TRUE(Near(p, r, g, b)) << "at " << x << "," << y << ": " << p.r << " " << p.g << " " << p.b
                                      << " wanted " << r << " " << g << " " << b;
    }
    for (auto [x, y] : {std::pair{0, 120}, {639, 121}, {320, 240}, {320, 479}})
        EXPECT_TRUE(IsBackground(x, y)) << "at " << x << "," << y;
}

TEST_F(ChatDrawing, PanelImageIsUprightAndKeepsItsOwnAlpha) {
    // Top-left red, top-right green, bottom-left half-transparent white, bottom-right invisible.
    MakePanel({{{255, 0, 0, 255}, {0, 255, 0, 255}, {255, 255, 255, 128}, {0, 0, 255, 0}}});
    draw_chat_texture();
    EXPECT_TRUE(Near(Px(100, 100), Blend(255, BG_R, 0.85), Blend(0, BG_G, 0.85), 0));
    EXPECT_TRUE(Near(Px(500, 100), Blend(0, BG_R, 0.85), Blend(255, BG_G, 0.85), 0));
    const double half = 0.85 * 128 / 255;
    EXPECT_TRUE(Near(Px(100, 20), Blend(255, BG_R, half), Blend(255, BG_G, half), Blend(255, BG_B, half)));
    EXPECT_TRUE(IsBackground(500, 20));
}

TEST_F(ChatDrawing, PanelIgnoresTheWorldCameraAndRestoresTheState) {
    const std::array<int, 4> panel = {0, 0, 255, 255};
    MakePanel({panel, panel, panel, panel});
    // The world camera over a player far from the origin, as the frame leaves it.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(37.5, 12.25, 15, 37.5, 12.25, 0, 0, 1, 0);
    std::array<GLfloat, 16> before{}, after{};
    glGetFloatv(GL_MODELVIEW_MATRIX, before.data());

    draw_chat_texture();
    EXPECT_TRUE(Near(Px(320, 60), Blend(0, BG_R, 0.85), Blend(0, BG_G, 0.85), Blend(255, BG_B, 0.85)));
    EXPECT_TRUE(IsBackground(320, 125));

    glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
    EXPECT_EQ(after, before);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
    // The panel wrote no depth: whatever the next frame draws there is not hidden by it.
    GLfloat depth = 0;
    glReadPixels(320, 60, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_FLOAT_EQ(depth, 1.0f);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[3], 0.85f);
}

TEST_F(ChatDrawing, LogLinesSitTwentyApartNewestAtTheBottom) {
    // Six lines: the first scrolls out, the second ends up on top at y 95, the sixth at y 15.
    for (const char* line : {"a", "b", "c", "d", "e", "f"}) WriteMessage(line);
    DrawChatText();
    const char expected[CHAT_LOG_LINES] = {'f', 'e', 'd', 'c', 'b'};
    for (int i = 0; i < CHAT_LOG_LINES; i++) {
        const int y = 15 + 20 * i;
        EXPECT_EQ(Decode(Px(12, y + 2)).glyph, GlyphFor(expected[i], 0)) << "line " << i;
        EXPECT_EQ(Decode(Px(12, y + 14)).glyph, GlyphFor(expected[i], 0)) << "line " << i;
        EXPECT_TRUE(IsBackground(12, y - 1)) << "below line " << i;
        EXPECT_TRUE(IsBackground(9, y + 8)) << "left of line " << i;
        EXPECT_TRUE(IsBackground(25, y + 8)) << "after line " << i;
    }
    EXPECT_TRUE(IsBackground(12, 112));
    // The line was closed: nothing at the top left.
    EXPECT_TRUE(IsBackground(10, 460));
}

TEST_F(ChatDrawing, EmptyLogLinesDrawNothingAndTheColourEndsWhite) {
    WriteMessage("Bob: hello there");
    WriteMessage("Ann: hi");
    draw_chat_texture(); // leaves the colour at 0.85 alpha; the text must end it at white
    glClear(GL_COLOR_BUFFER_BIT);
    DrawChatText();
    const std::string newest = "Ann: hi", older = "Bob: hello there";
    for (std::size_t i = 0; i < newest.size(); i++)
        EXPECT_EQ(Decode(Px(10 + 10 * int(i) + 5, 19)).glyph, GlyphFor(newest[i], 0)) << i;
    for (std::size_t i = 0; i < older.size(); i++)
        EXPECT_EQ(Decode(Px(10 + 10 * int(i) + 5, 39)).glyph, GlyphFor(older[i], 0)) << i;
    for (int y = 55; y < 120; y++) EXPECT_TRUE(IsBackground(15, y)) << "row " << y;
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ((std::array<GLfloat, 4>{colour[0], colour[1], colour[2], colour[3]}),
              (std::array<GLfloat, 4>{1, 1, 1, 1}));

    // Nothing in the log and the line closed: still white at the end.
    FlushBuffer();
    glColor4f(1, 1, 1, 0.85f);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawChatText();
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
    EXPECT_TRUE(IsBackground(15, 19));
}

TEST_F(ChatDrawing, OpenLineShowsThePromptWithAShadow) {
    chat = 1;
    DrawChatText();
    const std::string prompt = "(say): ";
    for (std::size_t i = 0; i < prompt.size(); i++)
        EXPECT_EQ(Decode(Px(5 + 10 * int(i) + 5, 459)).glyph, GlyphFor(prompt[i], 0)) << i;
    EXPECT_TRUE(IsBackground(5 + 10 * 7 + 5, 459)) << "nothing after the prompt";
    // The black copy shows one unit left of and below the white one.
    EXPECT_TRUE(Near(Px(4, 460), 0, 0, 0));
    EXPECT_TRUE(Near(Px(10, 454), 0, 0, 0));
    EXPECT_TRUE(IsBackground(3, 460));
    EXPECT_TRUE(IsBackground(10, 453));

    AddToBuffer('h');
    AddToBuffer('i');
    glClear(GL_COLOR_BUFFER_BIT);
    DrawChatText();
    const std::string hud = prompt + "hi";
    for (std::size_t i = 0; i < hud.size(); i++)
        EXPECT_EQ(Decode(Px(5 + 10 * int(i) + 5, 459)).glyph, GlyphFor(hud[i], 0)) << i;
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 1.0f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);

    // Closed again, the typed text stays in the line but is not shown.
    chat = 0;
    glClear(GL_COLOR_BUFFER_BIT);
    DrawChatText();
    EXPECT_EQ(chatstring, "hi");
    EXPECT_TRUE(IsBackground(10, 459));
    EXPECT_TRUE(IsBackground(4, 460));
}

// The shipped font and panel images, loaded the way start-up loads them.
class ShippedArt : public ::testing::Test {
  protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        home = fs::current_path();
        // A folder of its own: ctest runs the tests of this program side by side.
        std::string templ = ::testing::TempDir() + "tavrel-chat-art-XXXXXX";
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        dir = templ;
        fs::create_directories(dir / "Tavrel.app" / "Contents");
        fs::create_directory_symlink(fs::path(TAVREL_SOURCE_DIR) / "resources",
                                     dir / "Tavrel.app" / "Contents" / "Resources");
        fs::current_path(dir);
        window = std::make_unique<tt::GlWindow>();
        load_chat_texture();
        LoadFontTexture();
        BuildFont();
        FlushBuffer();
        chat = 0;
    }
    void TearDown() override {
        FreeFont();
        window.reset();
        std::filesystem::current_path(home);
        if (!dir.empty()) std::filesystem::remove_all(dir);
        FlushBuffer();
        chat = 0;
    }
    // Pixels of the box [x0, x1) by [y0, y1) that differ from colour c.
    int Inked(int x0, int y0, int x1, int y1, tt::Image::Pixel c) const {
        int count = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) count += !Near(window->ReadPixel(x, y), c.r, c.g, c.b, 0);
        return count;
    }

    std::filesystem::path home, dir;
    std::unique_ptr<tt::GlWindow> window;
};

TEST_F(ShippedArt, EveryPrintableCharacterHasInkInsideItsAdvance) {
    glClearColor(0, 0, 0, 1);
    for (int code = 32; code <= 126; code++) {
        glClear(GL_COLOR_BUFFER_BIT);
        const char text[] = {char(code), '\0'};
        glPrint(100, 100, text, 0, 1, 1, 1);
        const int inside = Inked(100, 100, 110, 116, {0, 0, 0});
        if (code == ' ') {
            EXPECT_EQ(inside, 0) << "the space is blank";
        } else {
            EXPECT_GT(inside, 0) << "character " << char(code) << " draws nothing";
        }
        // Ink past the advance would run into the next character.
        EXPECT_EQ(Inked(110, 100, 116, 116, {0, 0, 0}), 0) << "character " << char(code);
    }
}

TEST_F(ShippedArt, PanelWithLogAndOpenLine) {
    // Grass green, like the world under the panel.
    glClearColor(70 / 255.0f, 140 / 255.0f, 60 / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const tt::Image::Pixel grass = window->ReadPixel(320, 300);
    draw_chat_texture();
    for (int x = 0; x < 640; x += 7) EXPECT_FALSE(Near(window->ReadPixel(x, 60), grass.r, grass.g, grass.b, 0)) << x;
    EXPECT_EQ(Inked(0, 120, 640, 125, grass), 0) << "the panel ends at y 120";

    for (const char* line : {"Ann: hello, is anyone here?", "Bob: over by the well!", "Cy: (waves)",
                             "Ann: g j p q y - descenders", "Quennick: 0123456789 ~!@#$%^&*()_+"})
        WriteMessage(line);
    chat = 1;
    for (char c : std::string("Tavrel {chat} [line] <ok>")) AddToBuffer(c);
    DrawChatText();
    const std::string png = ::testing::TempDir() + "chat_panel.png";
    window->ReadBack().SavePng(png);
    std::printf("picture of the chat: %s\n", png.c_str());
    // The prompt and the log left ink where they were drawn and nowhere else above the panel.
    EXPECT_GT(Inked(4, 454, 254, 471, grass), 200);
    EXPECT_EQ(Inked(0, 125, 640, 450, grass), 0);
}

} // namespace
