// Image files whose header promises more pixels than the file holds, as the fuzzing of image
// loading (fuzz/image_fuzz.cpp) found them: refused from the header, before the image library
// reads pixel after pixel of a file that ends long before. No window needed.
#include "graphics/texture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// An 18-byte TGA header (no id, pixels top row first) of the given type, size and depth.
std::string Header(int type, int w, int h, int bits, int maplength = 0) {
    std::string head(18, '\0');
    head[1] = char(maplength ? 1 : 0);
    head[2] = char(type);
    head[5] = char(maplength & 0xff);
    head[6] = char(maplength >> 8);
    head[7] = char(maplength ? 24 : 0);
    head[12] = char(w & 0xff);
    head[13] = char(w >> 8);
    head[14] = char(h & 0xff);
    head[15] = char(h >> 8);
    head[16] = char(bits);
    head[17] = 0x20;
    return head;
}

// n run-length packets of 128 equal pixels of the given bytes each.
std::string Runs(int n, int bytes) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += char(0xff) + std::string(std::size_t(bytes), '\x40');
    return out;
}

TEST(ImageLimits, FilesTooShortForThePixelsTheyAnnounceAreRefusedFromTheHeader) {
    // The fuzzer's find: 31 bytes announcing 4096 by 4096 run-length pixels kept the image library
    // busy for seconds and took 64 MB.
    const std::string found("\x00\x00\x0a\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x10\x00\x10\x20\x00\x00\x00"
                            "\x48\x0a\x80\x00\x20\x28\xa0\x5f\x00\x00\x00",
                            31);
    const struct {
        const char* name;
        std::string file;
        int w, h; // 0: refused
    } cases[] = {
        {"found-by-fuzzing.tga", found, 0, 0},
        {"raw-header-only.tga", Header(2, 1000, 1000, 24) + "0123456789", 0, 0},
        {"raw-one-byte-short.tga", Header(2, 2, 2, 24) + std::string(11, '\x10'), 0, 0},
        {"raw-exact.tga", Header(2, 2, 2, 24) + std::string(12, '\x10'), 2, 2},
        {"palette-missing.tga", Header(1, 2, 2, 8, 256) + std::string(4, '\0'), 0, 0},
        {"runs-one-packet-short.tga", Header(10, 256, 2, 32) + Runs(3, 4), 0, 0},
        {"runs-exact.tga", Header(10, 256, 2, 32) + Runs(4, 4), 256, 2},
        {"runs-grey.tga", Header(11, 128, 1, 8) + Runs(1, 1), 128, 1},
    };
    const std::string dir = "/tmp/tavrel-image-limits-" + std::to_string(getpid()) + "-";
    for (const auto& c : cases) {
        const std::string path = dir + c.name;
        std::ofstream(path, std::ios::binary) << c.file;
        testing::internal::CaptureStderr();
        SDL_Surface* s = LoadImage(path);
        const std::string err = testing::internal::GetCapturedStderr();
        std::remove(path.c_str());
        if (c.w == 0) {
            EXPECT_EQ(s, nullptr) << c.name;
            EXPECT_NE(err.find("\"" + path + "\" is " + std::to_string(c.file.size()) + " bytes, too short"),
                      std::string::npos)
                << c.name << ": " << err;
        } else {
            ASSERT_NE(s, nullptr) << c.name << ": " << err;
            EXPECT_EQ(s->w, c.w) << c.name;
            EXPECT_EQ(s->h, c.h) << c.name;
            SDL_FreeSurface(s);
        }
    }
}

} // namespace
