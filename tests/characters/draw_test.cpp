// Characters on screen: a sheet cut into sprite sets, the square each figure is drawn on, what
// is drawn over what, and what a sheet that can't be used does.
#include "characters/characters.h"
#include "frame/framework.h"
#include "tests/graphics/imagefile.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace {

using timg::Rgba;

// Test pictures: red tells the picture, green the set, and the top half is bluer than the
// bottom half so that orientation shows.
Rgba Colour(int set, int picture, bool top) {
    return {Uint8(10 + 20 * picture), Uint8(20 + 50 * set), Uint8(top ? 230 : 60), 255};
}
const Rgba kBackground = {0, 160, 0, 255};

// A sheet of columns by rows blocks with every picture opaque over its whole 24 by 32 cell, plus a
// remainder of extraw by extrah pixels.
void WriteSheet(const std::string& path, int columns, int rows, int extraw = 0, int extrah = 0) {
    timg::WriteTga(
        path, columns * CHAR_BLOCK_W + extraw, rows * CHAR_BLOCK_H + extrah, [columns](int x, int y) {
            const int set = y / CHAR_BLOCK_H * columns + x / CHAR_BLOCK_W;
            const int picture = y % CHAR_BLOCK_H / CHAR_FRAME_H * 3 + x % CHAR_BLOCK_W / CHAR_FRAME_W;
            return Colour(set, picture, y % CHAR_FRAME_H < CHAR_FRAME_H / 2);
        });
}

// A folder of the test's own. What ends through Quit runs in a child forked right here: a
// re-executed child would start an X server of its own that outlives it.
class Folder : public ::testing::Test {
  protected:
    Folder() { GTEST_FLAG_SET(death_test_style, "fast"); }
    const tt::TempDir tmp;
    const std::string& dir = tmp.path;
};

// A window with the sets of a 2 by 2 block sheet (with remainders to ignore), cleared to green,
// looking straight down on (10, 5): the middle of the window, pixel (320, 240). The avatar
// stands there showing picture 7.
class Drawing : public Folder {
  protected:
    void SetUp() override {
        WriteSheet(dir + "sheet.tga", 2, 2, 6, 2);
        CONFIG_CHARACTER = 3;
        load_char_set(dir + "sheet.tga");
        ASSERT_EQ(sprites.size(), 4u);
        clients.clear();
        avatar = character();
        avatar.charposx = 10;
        avatar.charposy = 5;
        avatar.currenttexture = 7;
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(10, 5, 15, 10, 5, 0, 0, 1, 0);
        Clear();
    }
    static void Clear() {
        glClearColor(kBackground[0] / 255.0f, kBackground[1] / 255.0f, kBackground[2] / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    // A remote player standing at (x, y), relayed just now; not yet moved there or animated.
    static character Remote(float x, float y, int charid, int direction) {
        character c;
        c.netposx = x, c.netposy = y, c.charid = charid, c.direction = direction;
        c.lastupdate = SDL_GetTicks();
        return c;
    }
    // Whether window pixel (x, y from the bottom) shows c.
    ::testing::AssertionResult At(int x, int y, Rgba c) { return timg::Near(window.ReadPixel(x, y), c); }

    tt::GlWindow window;
};

// 64 pixels per unit across and 48 up: the picture (the middle 24 of 32 texture columns) spans
// 320 +- 32, the square 320 +- 42.7; both span 240 +- 32 in height.
TEST_F(Drawing, TheSquareIsCentredOnThePositionWithThePictureUprightAndItsMarginsClear) {
    draw_character(&avatar);
    const Rgba top = Colour(0, 7, true), bottom = Colour(0, 7, false);
    const std::tuple<int, int, Rgba> probes[] = {
        {320, 256, top},         {320, 224, bottom},      {290, 270, top},        {350, 210, bottom},
        {284, 240, kBackground}, {356, 240, kBackground}, // the transparent side margins of the texture
        {320, 276, kBackground}, {320, 204, kBackground}, {270, 240, kBackground}}; // outside the square
    for (const auto& [x, y, c] : probes)
        EXPECT_TRUE(At(x, y, c)) << x << "," << y;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

// Sets are numbered row by row through the sheet, pictures row by row through a block.
TEST_F(Drawing, EverySetAndPictureIsCutFromItsPlaceInTheSheet) {
    for (int set = 0; set < 4; ++set)
        for (int picture = 0; picture < 12; ++picture) {
            Clear();
            avatar.charid = set;
            avatar.currenttexture = picture;
            draw_character(&avatar);
            EXPECT_TRUE(At(320, 250, Colour(set, picture, true))) << "set " << set << " picture " << picture;
            EXPECT_TRUE(At(320, 230, Colour(set, picture, false))) << "set " << set << " picture " << picture;
        }
}

// The real frame: remote players in roster order whatever map their records name, the avatar
// last. The camera looks 1.25 units below the avatar, so (10, 5) is pixel (320, 300).
TEST_F(Drawing, TheFrameDrawsEveryRemotePlayerInRosterOrderThenTheAvatarOverThem) {
    avatar.map = "main.map";
    clients.push_back(Remote(10, 5, 1, 1)); // under the avatar
    clients.push_back(Remote(12, 6, 1, 1)); // two records on one spot: the later one shows
    clients.push_back(Remote(12, 6, 2, 1));
    clients.push_back(Remote(7, 5, 3, 2));
    clients.back().map = "elsewhere.map";
    clients.push_back(Remote(7, 3, 57, 3)); // no such set: drawn with set 0
    glLoadIdentity();
    DrawWorld();
    EXPECT_TRUE(At(320, 310, Colour(0, 7, true))) << "the avatar over the remote player";
    EXPECT_TRUE(At(448, 358, Colour(2, 4, true))) << "the later record over the earlier";
    EXPECT_TRUE(At(128, 310, Colour(3, 7, true))) << "a remote player on another map";
    EXPECT_TRUE(At(128, 214, Colour(0, 10, true))) << "an unknown set";
}

using SheetRefusal = Folder;

TEST_F(SheetRefusal, ACharacterOutsideTheSheetEndsTheGameWithInvalidCharacter) {
    WriteSheet(dir + "small.tga", 2, 2);
    for (int character : {4, -1}) {
        EXPECT_EXIT(
            {
                std::freopen((dir + "out").c_str(), "w", stdout);
                CONFIG_CHARACTER = character;
                load_char_set(dir + "small.tga");
                std::exit(77); // not reached when the character is refused
            },
            ::testing::ExitedWithCode(0), "");
        EXPECT_EQ(tt::ReadFile(dir + "out"), "Invalid character.\n") << character;
    }
}

TEST_F(SheetRefusal, AnOversizedOrNarrowSheetStopsWithTheDataExitCodeNamingTheFile) {
    WriteSheet(dir + "big.tga", 13, 5);       // 65 sets
    WriteSheet(dir + "narrow.tga", 1, 1, -1); // not one whole 72 by 128 block: no sprite set at all
    CONFIG_CHARACTER = 0;
    EXPECT_EXIT(load_char_set(dir + "big.tga"), ::testing::ExitedWithCode(EXIT_DATA), "big.tga");
    EXPECT_EXIT(load_char_set(dir + "narrow.tga"), ::testing::ExitedWithCode(EXIT_DATA),
                "narrow.tga\" is 71 by 128 pixels, smaller than 72 by 128");
}

} // namespace
