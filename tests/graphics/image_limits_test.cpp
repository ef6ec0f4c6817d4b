// Image files read or refused by name, and surfaces cut and centred: no window needed.
#include "graphics/texture.h"

#include "tests/graphics/imagefile.h"

#include <unistd.h>

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
// all, less than the caller needs, or fewer bytes than the pixels the header announces (the image
// library would read pixel after pixel of a file that ends long before).
TEST(LoadImage, ImagesTooLargeEmptyTooSmallOrShortOfTheirPixelsAreRefusedByName) {
    // Found by fuzzing (fuzz/image_fuzz.cpp): 31 bytes announcing 4096 by 4096 run-length pixels kept
    // the image library busy for seconds and took 64 MB.
    const std::string found("\x00\x00\x0a\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x10\x00\x10\x20\x00\x00\x00"
                            "\x48\x0a\x80\x00\x20\x28\xa0\x5f\x00\x00\x00",
                            31);
    const std::string png =
        std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x20\x01\0\0\0\x10\x08\x06\0\0\0", 29);
    const struct {
        const char* name;
        std::string file;
        const char* says; // null: loads as w by h
        int w = 0, h = 0, minw = 1, minh = 1;
    } cases[] = {
        {"wide.png", png, "is 8193 by 16 pixels, larger than 8192 by 8192"},
        {"tall.tga", TgaHeader(2, 16, 8193, 32), "is 16 by 8193 pixels, larger than 8192 by 8192"},
        {"empty.tga", TgaHeader(2, 0, 0, 32), "is 0 by 0 pixels, smaller than 1 by 1"},
        {"small.tga", "", "is 15 by 20 pixels, smaller than 16 by 16", 0, 0, 16, 16},
        {"small.tga", "", "is 15 by 20 pixels, smaller than 72 by 128", 0, 0, 72, 128},
        {"small.tga", "", nullptr, 15, 20, 15, 20},
        {"fuzzed.tga", found, "is 31 bytes, too short"},
        {"header-only.tga", TgaHeader(2, 1000, 1000, 24) + "0123456789", "is 28 bytes, too short"},
        {"raw-short.tga", TgaHeader(2, 2, 2, 24) + std::string(11, 'x'), "is 29 bytes, too short"},
        {"raw-exact.tga", TgaHeader(2, 2, 2, 24) + std::string(12, 'x'), nullptr, 2, 2},
        {"no-palette.tga", TgaHeader(1, 2, 2, 8, 256) + std::string(4, 'x'), "is 22 bytes, too short"},
        {"runs-short.tga", TgaHeader(10, 256, 2, 32) + Runs(3, 4), "is 33 bytes, too short"},
        {"runs-exact.tga", TgaHeader(10, 256, 2, 32) + Runs(4, 4), nullptr, 256, 2},
        {"runs-grey.tga", TgaHeader(11, 128, 1, 8) + Runs(1, 1), nullptr, 128, 1},
    };
    const std::string dir = "/tmp/tavrel-image-limits-" + std::to_string(getpid());
    WriteTga(dir + "/small.tga", 15, 20, [](int, int) { return kRed; });
    for (const auto& c : cases) {
        const std::string path = dir + "/" + c.name;
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
    tt::Sh("rm -rf " + dir);
}

// The colour of pixel (x, y) in the images below; channels at 0 or 255 survive every depth.
Rgba Expected(int x, int y, bool grey) {
    const Uint8 on = (x + y) % 2 ? 255 : 0;
    return grey ? Rgba{on, on, on, 255} : Rgba{on, Uint8(x % 3 ? 255 : 0), Uint8(y % 2 ? 255 : 0), 255};
}

// Every depth the image library reads becomes 32 bits blue, green, red, alpha, the one layout the
// cutting and the upload read, with its pixels intact.
TEST(LoadImage, ImagesOfEveryDepthLoadAsThirtyTwoBitBlueGreenRedAlpha) {
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

    for (const std::string name :
         {"grey.tga", "high.tga", "paletted.tga", "rgb.tga", "rgba.tga", "rgba.png", "grey.png"}) {
        SDL_Surface* s = LoadImage(dir + "/" + name);
        ASSERT_NE(s, nullptr) << name;
        ASSERT_EQ(std::make_tuple(s->w, s->h, int(s->format->BitsPerPixel)), std::make_tuple(w, h, 32))
            << name;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (std::size_t i = 0; i < 4; ++i)
                    ASSERT_NEAR(Get(s, x, y)[i], Expected(x, y, name.rfind("grey", 0) == 0)[i], 8)
                        << name << " channel " << i << " at " << x << "," << y;
        SDL_FreeSurface(s);
    }
    tt::Sh("rm -rf " + dir);
}

TEST(LoadImage, AMissingImageIsReportedWithItsNameAndTheLibrarysReason) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadImage("no such folder/missing image.tga"), nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_STRNE(SDL_GetError(), "");
    EXPECT_EQ(err, std::string("Failed to load the image \"no such folder/missing image.tga\" with error ") +
                       SDL_GetError() + "\n");
}

// A w by h surface whose every pixel has its own colour, alpha varying too.
SDL_Surface* Numbered(int w, int h, bool alpha) {
    SDL_Surface* s = MakeSurface(w, h, alpha);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Put(s, x, y, Rgba{Uint8(x * 7 + 1), Uint8(y * 5 + 2), Uint8(x + y), Uint8(x * 9 + 3)});
    return s;
}

// Every channel is copied, alpha too (the source's blending is switched off for the copy), in the
// source's layout; what lies past the source's edge is zero.
TEST(Surfaces, ClippingAndCentringCopyEveryChannelAndZeroTheRest) {
    for (bool alpha : {true, false}) {
        const Rgba zero = alpha ? Rgba{} : Rgba{0, 0, 0, 255};
        SDL_Surface* whole = Numbered(20, 20, alpha);
        SDL_Surface* cut = ClipSurface(whole, 12, 14, 16, 16);
        SDL_Surface* centred = BlitCentered(whole, 32, 20);
        ASSERT_TRUE(cut && centred);
        EXPECT_FALSE(whole->flags & SDL_SRCALPHA);
        for (SDL_Surface* s : {cut, centred})
            EXPECT_EQ(
                std::make_tuple(s->format->BitsPerPixel, s->format->Amask, s->format->Rmask),
                std::make_tuple(whole->format->BitsPerPixel, whole->format->Amask, whole->format->Rmask));
        ASSERT_EQ(std::make_pair(cut->w, centred->w), std::make_pair(16, 32));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(Get(cut, x, y), x < 8 && y < 6 ? Get(whole, 12 + x, 14 + y) : zero)
                    << x << "," << y;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 32; ++x)
                ASSERT_EQ(Get(centred, x, y), x >= 6 && x < 26 ? Get(whole, x - 6, y) : zero)
                    << x << "," << y;
        for (SDL_Surface* s : {cut, centred, whole})
            SDL_FreeSurface(s);
    }
}

} // namespace
