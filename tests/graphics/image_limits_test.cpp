// Image files read or refused by name: no window needed.
#include "graphics/texture.h"

#include "tests/graphics/imagefile.h"

#include <algorithm>
#include <tuple>

namespace {

using namespace timg;

// n run-length packets of 128 equal pixels of the given bytes each.
std::string Runs(int n, int bytes) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += char(0xff) + std::string(std::size_t(bytes), '\x40');
    return out;
}

// Refused with one line naming the file: more than 8192 pixels a side by the header alone, nothing at
// all, less than the caller needs, missing, or fewer bytes than the pixels the header announces (the
// image library would read pixel after pixel of a file that ends long before: a fuzzed 31-byte
// run-length file announcing 4096 by 4096 pixels took seconds and 64 MB).
TEST(LoadImage, ImagesTooLargeEmptyTooSmallOrShortOfTheirPixelsAreRefusedByName) {
    const std::string png =
        std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x20\x01\0\0\0\x10\x08\x06\0\0\0", 29);
    const struct {
        const char* name;
        std::string file; // empty: the 15 by 20 picture written below, or no file
        const char* says; // null: loads as w by h
        int w = 0, h = 0, minw = 1, minh = 1;
    } cases[] = {
        {"wide.png", png, "is 8193 by 16 pixels, larger than 8192 by 8192"},
        {"tall.tga", TgaHeader(2, 16, 8193, 32), "is 16 by 8193 pixels, larger than 8192 by 8192"},
        {"empty.tga", TgaHeader(2, 0, 0, 32), "is 0 by 0 pixels, smaller than 1 by 1"},
        {"small.tga", "", "is 15 by 20 pixels, smaller than 16 by 16", 0, 0, 16, 16},
        {"small.tga", "", "is 15 by 20 pixels, smaller than 15 by 21", 0, 0, 15, 21},
        {"small.tga", "", nullptr, 15, 20, 15, 20},
        {"missing.tga", "", "with error "},
        {"raw-short.tga", TgaHeader(2, 2, 2, 24) + std::string(11, 'x'), "is 29 bytes, too short"},
        {"raw-exact.tga", TgaHeader(2, 2, 2, 24) + std::string(12, 'x'), nullptr, 2, 2},
        {"no-palette.tga", TgaHeader(1, 2, 2, 8, 256) + std::string(4, 'x'), "is 22 bytes, too short"},
        {"runs-short.tga", TgaHeader(10, 256, 2, 32) + Runs(4, 4).substr(1), "is 37 bytes, too short"},
        {"runs-exact.tga", TgaHeader(10, 256, 2, 32) + Runs(4, 4), nullptr, 256, 2},
        {"runs-grey.tga", TgaHeader(11, 128, 1, 8) + Runs(1, 1), nullptr, 128, 1},
    };
    const TempDir dir;
    WriteTga(dir.path + "small.tga", 15, 20, [](int, int) { return kRed; });
    for (const auto& c : cases) {
        const std::string path = dir.path + c.name;
        if (!c.file.empty()) tt::WriteFile(path, c.file);
        testing::internal::CaptureStderr();
        SDL_Surface* s = LoadImage(path, c.minw, c.minh);
        const std::string err = testing::internal::GetCapturedStderr();
        if (c.says) {
            EXPECT_EQ(s, nullptr) << c.name;
            EXPECT_NE(err.find("\"" + path + "\" " + c.says), std::string::npos) << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        } else {
            ASSERT_NE(s, nullptr) << c.name << ": " << err;
            EXPECT_EQ(std::make_pair(s->w, s->h), std::make_pair(c.w, c.h)) << c.name;
            SDL_FreeSurface(s);
        }
    }
}

// Pixel (x, y) of a loaded image, whose bytes lie blue, green, red, alpha.
Rgba Get(SDL_Surface* s, int x, int y) {
    const std::uint8_t* p = static_cast<std::uint8_t*>(s->pixels) + y * s->pitch + x * 4;
    return Rgba{p[2], p[1], p[0], p[3]};
}

// The colour of pixel (x, y) in the images below; channels at 0 or 255 survive every depth.
Rgba Expected(int x, int y, bool grey) {
    const Uint8 on = (x + y) % 2 ? 255 : 0;
    return grey ? Rgba{on, on, on, 255} : Rgba{on, Uint8(x % 3 ? 255 : 0), Uint8(y % 2 ? 255 : 0), 255};
}

// Every depth becomes 32 bits blue, green, red, alpha, the one layout the cutting and the upload read,
// with its pixels intact: one byte a pixel through a palette (grey), 24 and 32 bits, and a PNG whose
// bytes lie red, green, blue, alpha.
TEST(LoadImage, ImagesOfEveryDepthLoadAsThirtyTwoBitBlueGreenRedAlpha) {
    const int w = 7, h = 5; // 21 bytes a row at 24 bits: not a multiple of 4
    std::string grey = TgaHeader(3, w, h, 8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            grey += char(Expected(x, y, true)[0]);
    const TempDir tmp;
    const std::string& dir = tmp.path;
    tt::WriteFile(dir + "grey.tga", grey);
    for (bool alpha : {false, true})
        WriteTga(
            dir + (alpha ? "rgba.tga" : "rgb.tga"), w, h, [](int x, int y) { return Expected(x, y, false); },
            alpha);
    ASSERT_EQ(tt::Sh("convert " + dir + "rgba.tga " + dir + "rgba.png"), 0);

    for (const std::string name : {"grey.tga", "rgb.tga", "rgba.tga", "rgba.png"}) {
        SDL_Surface* s = LoadImage(dir + name);
        ASSERT_NE(s, nullptr) << name;
        ASSERT_EQ(std::make_tuple(s->w, s->h, int(s->format->BitsPerPixel)), std::make_tuple(w, h, 32))
            << name;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (std::size_t i = 0; i < 4; ++i)
                    ASSERT_NEAR(Get(s, x, y)[i], Expected(x, y, name == "grey.tga")[i], 8)
                        << name << " channel " << i << " at " << x << "," << y;
        SDL_FreeSurface(s);
    }
}

} // namespace
