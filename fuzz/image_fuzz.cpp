// Image files as any bytes, loaded as the client loads them: LoadImage (header check, the image
// library, the conversion to 32-bit blue-green-red-alpha), then cut as a tile set (16 by 16 tiles)
// and as a sprite sheet (72 by 128 blocks, 24 by 32 pictures centred on 32 by 32). The cut pieces
// must hold the sheet's pixels. The OpenGL upload is not part of it: there is no context here.
// The first byte picks the file name's ending (the image library picks TGA by it) and the
// smallest size asked for; the rest is the file.
#include "core/geometry.h"
#include "graphics/texture.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// As many tiles as a tile set may have, and sprite sets as a sheet may have.
static constexpr int MOST_TILES = 16384;
static constexpr int MOST_BLOCKS = 64;

static void Check(bool ok) {
    if (!ok) std::abort();
}

static Uint32 Pixel(const SDL_Surface* s, int x, int y) {
    Uint32 p = 0;
    std::memcpy(&p, static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * 4, 4);
    return p;
}

// A cut is the requested size, in the sheet's layout, and holds the sheet's pixel at its corner.
static void CheckCut(SDL_Surface* sheet, SDL_Surface* cut, int x, int y, int w, int h) {
    Check(cut && cut->w == w && cut->h == h && cut->format->BitsPerPixel == 32 &&
          cut->format->Amask == sheet->format->Amask);
    Check(Pixel(cut, 0, 0) == Pixel(sheet, x, y));
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Only the surfaces are used; no window, no video.
    return SDL_Init(0);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const char* const endings[] = {".tga", ".png", ".TGA", ""};
    static const std::string stem = "/tmp/tavrel-fuzz-image-" + std::to_string(getpid());
    const std::string name = stem + endings[data[0] & 3u];
    std::FILE* file = std::fopen(name.c_str(), "wb");
    Check(file != nullptr);
    Check(std::fwrite(data + 1, 1, size - 1, file) == size - 1);
    std::fclose(file);
    const bool asSheet = (data[0] & 4u) != 0;
    SDL_Surface* image = asSheet ? LoadImage(name, CHAR_BLOCK_W, CHAR_BLOCK_H) : LoadImage(name);
    std::remove(name.c_str());
    if (!image) return 0;
    Check(image->format->BitsPerPixel == 32 && image->format->Amask != 0);
    Check(image->w <= MAX_IMAGE_SIDE && image->h <= MAX_IMAGE_SIDE);
    Check(!asSheet || (image->w >= CHAR_BLOCK_W && image->h >= CHAR_BLOCK_H));
    if (!asSheet) {
        const int columns = image->w / TILE_PIXELS, rows = image->h / TILE_PIXELS;
        if (columns * rows >= 1 && columns * rows <= MOST_TILES) {
            for (int i = 0; i < rows; ++i)
                for (int j = 0; j < columns; ++j) {
                    SDL_Surface* cut =
                        ClipSurface(image, j * TILE_PIXELS, i * TILE_PIXELS, TILE_PIXELS, TILE_PIXELS);
                    CheckCut(image, cut, j * TILE_PIXELS, i * TILE_PIXELS, TILE_PIXELS, TILE_PIXELS);
                    SDL_FreeSurface(cut);
                }
        }
    } else {
        const int columns = image->w / CHAR_BLOCK_W, rows = image->h / CHAR_BLOCK_H;
        if (columns * rows <= MOST_BLOCKS) {
            for (int i = 0; i < rows; ++i)
                for (int j = 0; j < columns; ++j) {
                    SDL_Surface* block =
                        ClipSurface(image, j * CHAR_BLOCK_W, i * CHAR_BLOCK_H, CHAR_BLOCK_W, CHAR_BLOCK_H);
                    CheckCut(image, block, j * CHAR_BLOCK_W, i * CHAR_BLOCK_H, CHAR_BLOCK_W, CHAR_BLOCK_H);
                    for (int r = 0; r < 4; ++r)
                        for (int c = 0; c < 3; ++c) {
                            SDL_Surface* picture = ClipSurface(block, c * CHAR_FRAME_W, r * CHAR_FRAME_H,
                                                               CHAR_FRAME_W, CHAR_FRAME_H);
                            CheckCut(block, picture, c * CHAR_FRAME_W, r * CHAR_FRAME_H, CHAR_FRAME_W,
                                     CHAR_FRAME_H);
                            SDL_Surface* centred = BlitCentered(picture, CHAR_FRAME_H, CHAR_FRAME_H);
                            Check(centred && centred->w == CHAR_FRAME_H && centred->h == CHAR_FRAME_H);
                            // Four transparent columns left and right, the picture between them.
                            const int margin = (CHAR_FRAME_H - CHAR_FRAME_W) / 2;
                            Check(Pixel(centred, 0, 0) == 0 && Pixel(centred, CHAR_FRAME_H - 1, 0) == 0);
                            Check(Pixel(centred, margin, 0) == Pixel(picture, 0, 0));
                            SDL_FreeSurface(centred);
                            SDL_FreeSurface(picture);
                        }
                    SDL_FreeSurface(block);
                }
        }
    }
    SDL_FreeSurface(image);
    return 0;
}
