// Cutting and centring surfaces, images that can't be loaded, textures that keep their colours.
#include "graphics/texture.h"

#include "tests/graphics/imagefile.h"

#include <GL/gl.h>

#include <algorithm>
#include <tuple>
#include <unistd.h>

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

// The colour of pixel (x, y) in the images below; channels at 0 or 255 survive every depth.
Rgba Expected(int x, int y, bool grey) {
    const Uint8 on = (x + y) % 2 ? 255 : 0;
    return grey ? Rgba{on, on, on, 255} : Rgba{on, Uint8(x % 3 ? 255 : 0), Uint8(y % 2 ? 255 : 0), 255};
}

// Every depth the image library reads becomes one layout, 32 bits blue, green, red, alpha, with
// its pixels intact; uploading it reads exactly the pixels there are.
TEST_F(Surfaces, ImagesOfEveryDepthLoadAsThirtyTwoBitBlueGreenRedAlpha) {
    const int w = 7, h = 5; // 21 bytes a row at 24 bits: not a multiple of 4
    std::string grey = TgaHeader(3, w, h, 8), high = TgaHeader(2, w, h, 16),
                paletted = TgaHeader(1, w, h, 8, 12);
    std::vector<Rgba> truecolour;
    for (int i = 0; i < 12; ++i) { // palette entries: blue, green, red
        const Rgba c = Expected(i % w, i / w, false);
        paletted += std::string{char(c[2]), char(c[1]), char(c[0])};
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            grey += char(Expected(x, y, true)[0]);
            const Rgba c = Expected(x, y, false);
            const int packed = (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | (c[2] >> 3);
            high += std::string{char(packed & 0xff), char(packed >> 8)};
            int index = 0;
            while (Expected(index % w, index / w, false) != c)
                ++index;
            paletted += char(index);
            truecolour.push_back(c);
        }
    const std::string dir = "/tmp/tavrel-depths-" + std::to_string(getpid());
    tt::WriteFile(dir + "/grey.tga", grey);
    tt::WriteFile(dir + "/high.tga", high);
    tt::WriteFile(dir + "/paletted.tga", paletted);
    WriteTga(dir + "/rgb.tga", w, h, truecolour, false);
    WriteTga(dir + "/rgba.tga", w, h, truecolour, true);
    ASSERT_EQ(tt::Sh("convert " + dir + "/rgba.tga " + dir + "/rgba.png"), 0);
    ASSERT_EQ(tt::Sh("convert " + dir + "/grey.tga -type Grayscale " + dir + "/grey.png"), 0);

    tt::GlWindow window;
    for (const char* name :
         {"grey.tga", "high.tga", "paletted.tga", "rgb.tga", "rgba.tga", "rgba.png", "grey.png"}) {
        const bool isgrey = std::string(name).rfind("grey", 0) == 0;
        SDL_Surface* s = LoadImage(dir + "/" + name);
        ASSERT_NE(s, nullptr) << name;
        ASSERT_EQ(std::make_tuple(s->w, s->h, int(s->format->BitsPerPixel)), std::make_tuple(w, h, 32))
            << name;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Rgba want = Expected(x, y, isgrey);
                const Rgba got = Get(s, x, y);
                for (std::size_t i = 0; i < 4; ++i)
                    ASSERT_NEAR(got[i], want[i], 8) << name << " channel " << i << " at " << x << "," << y;
            }
        // The upload scales to a power of two, so only the mean of each channel must survive it.
        double want[4] = {0, 0, 0, 0};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int i = 0; i < 4; ++i)
                    want[i] += Get(s, x, y)[std::size_t(i)] / double(w * h);
        const GLuint texture = TextureFromSurface(s);
        GLint tw = 0, th = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
        std::vector<Uint8> texels(std::size_t(tw * th * 4));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        for (int i = 0; i < 4; ++i) {
            double got = 0;
            for (std::size_t t = std::size_t(i); t < texels.size(); t += 4)
                got += texels[t] / double(tw * th);
            EXPECT_NEAR(got, want[i], 24) << name << " channel " << i;
        }
        glDeleteTextures(1, &texture);
    }
    tt::Sh("rm -rf " + dir);
}

// Refused with a line naming the file: more than 8192 pixels a side by the header alone (the
// pixels aren't even there), nothing at all, or less than the caller needs.
TEST_F(Surfaces, HugeEmptyAndTooSmallImagesAreRefusedByName) {
    const std::string dir = "/tmp/tavrel-sizes-" + std::to_string(getpid());
    std::string png = "\x89PNG\r\n\x1a\n";
    png += std::string("\0\0\0\x0dIHDR\0\0\x20\x01\0\0\0\x10\x08\x06\0\0\0", 21);
    tt::WriteFile(dir + "/wide.png", png);
    tt::WriteFile(dir + "/tall.tga", TgaHeader(2, 16, 8193, 32));
    tt::WriteFile(dir + "/empty.tga", TgaHeader(2, 0, 0, 32));
    WriteTga(dir + "/small.tga", 15, 20, std::vector<Rgba>(300, kRed), true);
    const struct {
        const char* name;
        int minw, minh;
        const char* says;
    } cases[] = {{"wide.png", 1, 1, "larger than 8192 by 8192"},
                 {"tall.tga", 1, 1, "larger than 8192 by 8192"},
                 {"empty.tga", 1, 1, ""},
                 {"small.tga", 16, 16, "smaller than 16 by 16"},
                 {"small.tga", 72, 128, "smaller than 72 by 128"}};
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        SDL_Surface* s = LoadImage(dir + "/" + c.name, c.minw, c.minh);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(s, nullptr) << c.name;
        EXPECT_NE(err.find("\"" + dir + "/" + c.name + "\""), std::string::npos) << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    SDL_Surface* fits = LoadImage(dir + "/small.tga", 15, 20);
    EXPECT_NE(fits, nullptr);
    SDL_FreeSurface(fits);
    tt::Sh("rm -rf " + dir);
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
