// Cutting and centring surfaces, images that can't be loaded, textures that keep their colours.
#include "graphics/texture.h"

#include "tests/graphics/imagefile.h"

#include <GL/gl.h>

#include <tuple>

namespace {

using namespace timg;

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255}, kWhite{255, 255, 255, 255};

// A w by h surface whose every pixel has its own colour, alpha varying too.
SDL_Surface* Numbered(int w, int h, bool alpha) {
    SDL_Surface* s = MakeSurface(w, h, alpha);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Put(s, x, y, Rgba{Uint8(x * 7 + 1), Uint8(y * 5 + 2), Uint8(x + y), Uint8(x * 9 + 3)});
    return s;
}

class Surfaces : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }
};

// Alpha is copied, not blended: the source's blending is switched off for the copy.
TEST_F(Surfaces, ClipCopiesTheRectangleAndZeroesWhatLiesPastTheEdge) {
    for (bool alpha : {true, false}) {
        SDL_Surface* whole = Numbered(20, 20, alpha);
        SDL_Surface* cut = ClipSurface(whole, 12, 14, 16, 16);
        ASSERT_NE(cut, nullptr);
        ASSERT_EQ(
            std::make_tuple(cut->w, cut->h, cut->format->BitsPerPixel, cut->format->Amask,
                            cut->format->Rmask),
            std::make_tuple(16, 16, whole->format->BitsPerPixel, whole->format->Amask, whole->format->Rmask));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const Rgba want = x < 8 && y < 6 ? Get(whole, 12 + x, 14 + y)
                                  : alpha        ? Rgba{}
                                                 : Rgba{0, 0, 0, 255};
                ASSERT_EQ(Get(cut, x, y), want) << x << "," << y << (alpha ? " 32 bits" : " 24 bits");
            }
        EXPECT_FALSE(whole->flags & SDL_SRCALPHA);
        SDL_FreeSurface(cut);
        SDL_FreeSurface(whole);
    }
}

TEST_F(Surfaces, CentringLeavesEqualMargins) {
    SDL_Surface* frame = Numbered(24, 32, true);
    SDL_Surface* centred = BlitCentered(frame, 32, 32);
    ASSERT_NE(centred, nullptr);
    ASSERT_EQ(std::make_pair(centred->w, centred->h), std::make_pair(32, 32));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(Get(centred, x, y), x >= 4 && x < 28 ? Get(frame, x - 4, y) : Rgba{}) << x << "," << y;
    EXPECT_FALSE(frame->flags & SDL_SRCALPHA);
    SDL_FreeSurface(centred);
    SDL_FreeSurface(frame);
}

TEST_F(Surfaces, AMissingImageIsReportedOnStandardErrorWithItsName) {
    testing::internal::CaptureStderr();
    SDL_Surface* s = LoadImage("no such folder/missing image.tga");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s, nullptr);
    EXPECT_STRNE(SDL_GetError(), "");
    EXPECT_EQ(err, std::string("Failed to load the image \"no such folder/missing image.tga\" with error ") +
                       SDL_GetError() + "\n");
}

// Surfaces laid out blue, green, red (and alpha), as the image files are, 24 by 32 (not powers
// of two), in red, green / blue, white quarters with a transparent top-left corner.
TEST(Textures, KeepTheirColoursAndAlphaWhateverTheirSize) {
    tt::GlWindow window;
    for (bool alpha : {false, true}) {
        SDL_Surface* s = MakeSurface(24, 32, alpha);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 24; ++x)
                Put(s, x, y,
                    x < 3 && y < 4 ? Rgba{255, 0, 0, 0}
                    : y < 16       ? (x < 12 ? kRed : kGreen)
                                   : (x < 12 ? kBlue : kWhite));
        const GLuint texture = TextureFromSurface(s);
        ASSERT_NE(texture, 0u);
        // Over the whole window, texture row 0 at the top, on black.
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glEnable(GL_BLEND);
        glBindTexture(GL_TEXTURE_2D, texture);
        glBegin(GL_QUADS);
        for (const auto& c :
             {std::array<float, 4>{1, 0, 5, 5}, {0, 0, -5, 5}, {0, 1, -5, -5}, {1, 1, 5, -5}}) {
            glTexCoord2f(c[0], c[1]);
            glVertex3f(c[2], c[3], -10);
        }
        glEnd();
        glDisable(GL_BLEND);
        // The transparent corner shows the black behind it only where there is an alpha channel.
        const int probes[5][5] = {{160, 360, 255, 0, 0},
                                  {480, 360, 0, 255, 0},
                                  {160, 120, 0, 0, 255},
                                  {480, 120, 255, 255, 255},
                                  {20, 470, alpha ? 0 : 255, 0, 0}};
        for (const auto& p : probes)
            EXPECT_TRUE(Near(window.ReadPixel(p[0], p[1]), p[2], p[3], p[4]))
                << alpha << " at " << p[0] << "," << p[1];
        glDeleteTextures(1, &texture);
    }
}

} // namespace
