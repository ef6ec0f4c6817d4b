// Images of every depth become one layout, and textures keep their colours.
#include "graphics/texture.h"

#include "tests/graphics/imagefile.h"

#include <GL/gl.h>
#include <unistd.h>

#include <tuple>

namespace {

using namespace timg;

// The level 0 texels of the bound texture, red, green, blue, alpha, rows as uploaded.
std::vector<Uint8> Texels(GLint& w, GLint& h) {
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::vector<Uint8> texels(std::size_t(w * h * 4));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

// The colour of pixel (x, y) in the images below; channels at 0 or 255 survive every depth.
Rgba Expected(int x, int y, bool grey) {
    const Uint8 on = (x + y) % 2 ? 255 : 0;
    return grey ? Rgba{on, on, on, 255} : Rgba{on, Uint8(x % 3 ? 255 : 0), Uint8(y % 2 ? 255 : 0), 255};
}

// Every depth the image library reads becomes 32 bits blue, green, red, alpha, with its pixels
// intact; uploading it reads exactly the pixels there are.
TEST(Textures, ImagesOfEveryDepthLoadAsThirtyTwoBitBlueGreenRedAlpha) {
    const int w = 7, h = 5; // 21 bytes a row at 24 bits: not a multiple of 4
    std::string grey = TgaHeader(3, w, h, 8), high = TgaHeader(2, w, h, 16),
                paletted = TgaHeader(1, w, h, 8, 12);
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
        }
    const std::string dir = "/tmp/tavrel-depths-" + std::to_string(getpid());
    tt::WriteFile(dir + "/grey.tga", grey);
    tt::WriteFile(dir + "/high.tga", high);
    tt::WriteFile(dir + "/paletted.tga", paletted);
    for (bool alpha : {false, true})
        WriteTga(
            dir + (alpha ? "/rgba.tga" : "/rgb.tga"), w, h,
            [](int x, int y) { return Expected(x, y, false); }, alpha);
    ASSERT_EQ(tt::Sh("convert " + dir + "/rgba.tga " + dir + "/rgba.png"), 0);
    ASSERT_EQ(tt::Sh("convert " + dir + "/grey.tga -type Grayscale " + dir + "/grey.png"), 0);

    tt::GlWindow window;
    for (const std::string name :
         {"grey.tga", "high.tga", "paletted.tga", "rgb.tga", "rgba.tga", "rgba.png", "grey.png"}) {
        SDL_Surface* s = LoadImage(dir + "/" + name);
        ASSERT_NE(s, nullptr) << name;
        ASSERT_EQ(std::make_tuple(s->w, s->h, int(s->format->BitsPerPixel)), std::make_tuple(w, h, 32))
            << name;
        // The upload scales to a power of two, so only the mean of each channel must survive it.
        double want[4] = {0, 0, 0, 0};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (std::size_t i = 0; i < 4; ++i) {
                    const Rgba got = Get(s, x, y);
                    ASSERT_NEAR(got[i], Expected(x, y, name.rfind("grey", 0) == 0)[i], 8)
                        << name << " channel " << i << " at " << x << "," << y;
                    want[i] += got[i] / double(w * h);
                }
        const GLuint texture = TextureFromSurface(s);
        GLint tw = 0, th = 0;
        const std::vector<Uint8> texels = Texels(tw, th);
        for (std::size_t i = 0; i < 4; ++i) {
            double got = 0;
            for (std::size_t t = i; t < texels.size(); t += 4)
                got += texels[t] / double(tw * th);
            EXPECT_NEAR(got, want[i], 24) << name << " channel " << i;
        }
        glDeleteTextures(1, &texture);
    }
    tt::Sh("rm -rf " + dir);
}

// Surfaces laid out blue, green, red (and alpha), as the image files are, 24 by 32 (not powers of
// two), in red, green / blue, white quarters with a transparent top-left corner: the texture, 32 by
// 32, keeps the quarters, row 0 on top, and the corner's alpha where there is an alpha channel.
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
        GLint w = 0, h = 0;
        const std::vector<Uint8> texels = Texels(w, h);
        ASSERT_EQ(std::make_pair(w, h), std::make_pair(32, 32));
        const auto texel = [&texels](int x, int y) {
            const std::size_t at = std::size_t(y * 32 + x) * 4;
            return Rgba{texels[at], texels[at + 1], texels[at + 2], texels[at + 3]};
        };
        const std::tuple<int, int, Rgba> probes[] = {{8, 8, kRed},
                                                     {24, 8, kGreen},
                                                     {8, 24, kBlue},
                                                     {24, 24, kWhite},
                                                     {0, 0, {255, 0, 0, Uint8(alpha ? 0 : 255)}}};
        for (const auto& [x, y, c] : probes)
            EXPECT_EQ(texel(x, y), c) << alpha << " at texel " << x << "," << y;
        glDeleteTextures(1, &texture);
    }
}

} // namespace
