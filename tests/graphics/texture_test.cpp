// Textures keep their colours, alpha and orientation whatever the surface's size and depth.
#include "graphics/texture.h"

#include "tests/graphics/imagefile.h"

#include <GL/gl.h>

#include <tuple>

namespace {

using namespace timg;

// Surfaces laid out blue, green, red (and alpha), as the image files are, 26 by 32 (not powers of
// two; 78 bytes a row at 24 bits, padded to 80), in red, green / blue, white quarters with a
// transparent top-left corner: the 32 by 32 texture keeps the quarters, row 0 on top, and the
// corner's alpha where there is an alpha channel.
TEST(Textures, KeepTheirColoursAndAlphaWhateverTheirSize) {
    tt::GlWindow window;
    for (bool alpha : {false, true}) {
        SDL_Surface* s = MakeSurface(26, 32, alpha);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 26; ++x)
                Put(s, x, y,
                    x < 3 && y < 4 ? Rgba{255, 0, 0, 0}
                    : y < 16       ? (x < 13 ? kRed : kGreen)
                                   : (x < 13 ? kBlue : kWhite));
        const GLuint texture = TextureFromSurface(s);
        ASSERT_NE(texture, 0u);
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        ASSERT_EQ(std::make_pair(w, h), std::make_pair(32, 32));
        std::vector<Uint8> texels(32 * 32 * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        const auto texel = [&texels](int x, int y) {
            const std::size_t at = std::size_t(y * 32 + x) * 4;
            return Rgba{texels[at], texels[at + 1], texels[at + 2], texels[at + 3]};
        };
        const Rgba corner{255, 0, 0, Uint8(alpha ? 0 : 255)};
        const std::tuple<int, int, Rgba> probes[] = {
            {8, 8, kRed}, {24, 8, kGreen}, {8, 24, kBlue}, {24, 24, kWhite}, {0, 0, corner}};
        for (const auto& [x, y, c] : probes)
            EXPECT_EQ(texel(x, y), c) << alpha << " at texel " << x << "," << y;
        glDeleteTextures(1, &texture);
    }
}

} // namespace
