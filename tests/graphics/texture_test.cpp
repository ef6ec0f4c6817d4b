// Images to surfaces, cutting and centring, and surfaces to textures that show their true colours.
#include "graphics/texture.h"

#include "tests/graphics/imagefile.h"
#include "tests/support/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using timg::Get;
using timg::Put;
using timg::Rgba;

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255}, kWhite{255, 255, 255, 255};
const Rgba kZero{0, 0, 0, 0};

// A w by h surface whose every pixel has its own colour, alpha varying too.
SDL_Surface* Numbered(int w, int h, bool alpha) {
    SDL_Surface* s = timg::MakeSurface(w, h, alpha);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Put(s, x, y, Rgba{std::uint8_t(x * 7 + 1), std::uint8_t(y * 5 + 2), std::uint8_t(x + y), std::uint8_t(x * 9 + 3)});
    return s;
}

class Surfaces : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }
};

TEST_F(Surfaces, ClipCopiesTheRectangleAndZeroesWhatLiesPastTheEdge) {
    for (bool alpha : {true, false}) {
        SCOPED_TRACE(alpha ? "32 bits" : "24 bits");
        SDL_Surface* whole = Numbered(20, 20, alpha);
        SDL_Surface* cut = ClipSurface(whole, 12, 14, 16, 16);
        ASSERT_NE(cut, nullptr);
        EXPECT_EQ(cut->w, 16);
        EXPECT_EQ(cut->h, 16);
        EXPECT_EQ(cut->format->BitsPerPixel, whole->format->BitsPerPixel);
        EXPECT_EQ(cut->format->Amask, whole->format->Amask);
        EXPECT_EQ(cut->format->Rmask, whole->format->Rmask);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const bool inside = x < 8 && y < 6;
                const Rgba want = inside ? Get(whole, 12 + x, 14 + y) : (alpha ? kZero : Rgba{0, 0, 0, 255});
                ASSERT_EQ(Get(cut, x, y), want) << x << "," << y;
            }
        }
        SDL_FreeSurface(cut);
        SDL_FreeSurface(whole);
    }
}

TEST_F(Surfaces, CuttingCopiesAlphaInsteadOfBlendingAndSwitchesBlendingOffOnTheSource) {
    SDL_Surface* whole = timg::MakeSurface(4, 4, true);
    ASSERT_TRUE(whole->flags & SDL_SRCALPHA);
    Put(whole, 1, 1, Rgba{200, 100, 50, 128});
    Put(whole, 2, 1, Rgba{10, 20, 30, 0});
    SDL_Surface* cut = ClipSurface(whole, 1, 1, 2, 1);
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(Get(cut, 0, 0), (Rgba{200, 100, 50, 128}));
    EXPECT_EQ(Get(cut, 1, 0), (Rgba{10, 20, 30, 0}));
    EXPECT_FALSE(whole->flags & SDL_SRCALPHA);
    EXPECT_EQ(Get(whole, 1, 1), (Rgba{200, 100, 50, 128}));
    SDL_FreeSurface(cut);
    SDL_FreeSurface(whole);
}

TEST_F(Surfaces, CentringLeavesEqualMarginsRoundingDown) {
    SDL_Surface* frame = Numbered(24, 32, true);
    SDL_Surface* centred = BlitCentered(frame, 32, 32);
    ASSERT_NE(centred, nullptr);
    EXPECT_EQ(centred->w, 32);
    EXPECT_EQ(centred->h, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool inside = x >= 4 && x < 28;
            ASSERT_EQ(Get(centred, x, y), inside ? Get(frame, x - 4, y) : kZero) << x << "," << y;
        }
    }
    EXPECT_FALSE(frame->flags & SDL_SRCALPHA);
    SDL_FreeSurface(centred);
    SDL_FreeSurface(frame);

    // 25 wide: 4 columns on the left, 3 on the right; 29 high: 2 rows above, 1 below.
    SDL_Surface* odd = Numbered(25, 29, true);
    SDL_Surface* placed = BlitCentered(odd, 32, 32);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(Get(placed, 3, 5), kZero);
    EXPECT_EQ(Get(placed, 4, 2), Get(odd, 0, 0));
    EXPECT_EQ(Get(placed, 28, 30), Get(odd, 24, 28));
    EXPECT_EQ(Get(placed, 29, 5), kZero);
    EXPECT_EQ(Get(placed, 10, 1), kZero);
    EXPECT_EQ(Get(placed, 10, 31), kZero);
    SDL_FreeSurface(placed);
    SDL_FreeSurface(odd);
}

TEST_F(Surfaces, AFailedBlitIsReportedOnStandardOutput) {
    SDL_Surface* whole = Numbered(8, 8, true);
    // A locked surface can't be blitted.
    ASSERT_EQ(SDL_LockSurface(whole), 0);
    testing::internal::CaptureStdout();
    SDL_Surface* cut = ClipSurface(whole, 0, 0, 4, 4);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(cut, nullptr);
    EXPECT_EQ(out, std::string("The blitting of the images failed with error: ") + SDL_GetError() + "\n");
    SDL_UnlockSurface(whole);
    SDL_FreeSurface(whole);
}

TEST_F(Surfaces, LoadImageReadsTgaFilesInBlueGreenRedOrder) {
    char folder[] = "/tmp/texture_testXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string rgb = std::string(folder) + "/rgb.tga", rgba = std::string(folder) + "/rgba.tga";
    timg::WriteTga(rgb, 3, 2, {kRed, kGreen, kBlue, kWhite, kZero, Rgba{1, 2, 3, 255}}, false);
    timg::WriteTga(rgba, 2, 1, {Rgba{10, 20, 30, 40}, Rgba{50, 60, 70, 0}}, true);

    SDL_Surface* s = LoadImage(rgb);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format->BitsPerPixel, 24);
    EXPECT_EQ(s->format->Amask, 0u);
    EXPECT_EQ(Get(s, 0, 0), kRed);
    EXPECT_EQ(Get(s, 2, 0), kBlue);
    EXPECT_EQ(Get(s, 2, 1), (Rgba{1, 2, 3, 255}));
    SDL_FreeSurface(s);

    s = LoadImage(rgba);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format->BitsPerPixel, 32);
    EXPECT_NE(s->format->Amask, 0u);
    EXPECT_EQ(Get(s, 0, 0), (Rgba{10, 20, 30, 40}));
    EXPECT_EQ(Get(s, 1, 0), (Rgba{50, 60, 70, 0}));
    SDL_FreeSurface(s);
    tt::Sh("rm -rf " + std::string(folder));
}

TEST_F(Surfaces, AMissingImageIsReportedOnStandardErrorWithItsName) {
    testing::internal::CaptureStderr();
    SDL_Surface* s = LoadImage("no such folder/missing image.tga");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(err, std::string("Failed to load the image \"no such folder/missing image.tga\" with error ") +
                       SDL_GetError() + "\n");
    EXPECT_STRNE(SDL_GetError(), "");
}

// Draws texture over the whole window, texture row 0 at the top.
void DrawFullWindow(GLuint texture) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(1, 0);
    glVertex3f(5, 5, -10);
    glTexCoord2f(0, 0);
    glVertex3f(-5, 5, -10);
    glTexCoord2f(0, 1);
    glVertex3f(-5, -5, -10);
    glTexCoord2f(1, 1);
    glVertex3f(5, -5, -10);
    glEnd();
}

GLint Parameter(GLenum name) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

TEST(Textures, KeepTheirColoursAndAlphaWhateverTheirSize) {
    tt::GlWindow window;
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha ? "32 bits" : "24 bits");
        // 24 by 32, not powers of two: red, green / blue, white quarters.
        SDL_Surface* s = timg::MakeSurface(24, 32, alpha);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 24; ++x) Put(s, x, y, y < 16 ? (x < 12 ? kRed : kGreen) : (x < 12 ? kBlue : kWhite));
        // A transparent corner pixel block, top left.
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 3; ++x) Put(s, x, y, Rgba{255, 0, 0, 0});
        const GLuint texture = TextureFromSurface(s);
        ASSERT_NE(texture, 0u);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), texture);
        EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_S), GL_CLAMP);
        EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_T), GL_CLAMP);
        EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
        EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
        GLint components = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &components);
        EXPECT_EQ(components, alpha ? 4 : 3);

        glClearColor(0, 0, 0, 1);
        glEnable(GL_BLEND);
        DrawFullWindow(texture);
        glDisable(GL_BLEND);
        EXPECT_TRUE(timg::Near(window.ReadPixel(160, 360), 255, 0, 0)) << window.ReadPixel(160, 360);
        EXPECT_TRUE(timg::Near(window.ReadPixel(480, 360), 0, 255, 0)) << window.ReadPixel(480, 360);
        EXPECT_TRUE(timg::Near(window.ReadPixel(160, 120), 0, 0, 255)) << window.ReadPixel(160, 120);
        EXPECT_TRUE(timg::Near(window.ReadPixel(480, 120), 255, 255, 255)) << window.ReadPixel(480, 120);
        // The transparent corner shows the black behind it only where there is an alpha channel.
        const tt::Image::Pixel corner = window.ReadPixel(20, 470);
        EXPECT_TRUE(alpha ? timg::Near(corner, 0, 0, 0) : timg::Near(corner, 255, 0, 0)) << corner;
        glDeleteTextures(1, &texture);
    }
}

} // namespace
