// Every texture of the game is made here: image files become surfaces, surfaces are cut
// and centred, and finished surfaces are uploaded.
#include "graphics/texture.h"

#include "core/quit.h"

#include <GL/glu.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstring>

// What a PNG or TGA file's header announces, read without decoding it.
struct Announced {
    long w = 0, h = 0;
    long long least = 0; // bytes the file needs to hold that many pixels (TGA; 0 when unknown)
    long long size = 0;  // bytes the file has
};

// The header of a PNG or TGA file; false when the file is neither (the image library then
// decides) or too short to tell.
static bool AnnouncedSize(const std::string& fileName, Announced& a) {
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (!file) return false;
    unsigned char head[24];
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    if (std::fseek(file, 0, SEEK_END) == 0) a.size = std::ftell(file);
    std::fclose(file);
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    const auto be32 = [&head](int at) {
        return (long(head[at]) << 24) | (long(head[at + 1]) << 16) | (long(head[at + 2]) << 8) |
               long(head[at + 3]);
    };
    if (got >= 24 && std::memcmp(head, png, sizeof png) == 0) {
        a.w = be32(16);
        a.h = be32(20);
        return true;
    }
    const std::size_t dot = fileName.rfind('.');
    std::string ext = dot == std::string::npos ? "" : fileName.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(c | 0x20);
    if (got >= 18 && ext == "tga") {
        a.w = long(head[12]) | (long(head[13]) << 8);
        a.h = long(head[14]) | (long(head[15]) << 8);
        // The image library reads a TGA's pixels one by one until it has them all, however
        // short the file: a few bytes promising millions of pixels would cost seconds. Raw pixels
        // take their bytes each; a run-length packet gives at most 128 pixels for a byte and one
        // pixel's bytes.
        const long long pixels = static_cast<long long>(a.w) * a.h;
        const long long bytes = (head[16] + 7) / 8;
        const long long palette = (long(head[5]) | (long(head[6]) << 8)) * ((head[7] + 7) / 8);
        const long long data = head[2] & 8 ? (pixels + 127) / 128 * (1 + bytes) : pixels * bytes;
        a.least = 18 + head[0] + (head[1] ? palette : 0) + data;
    }
    return true;
}

// image as a new surface of 32 bits whose bytes lie blue, green, red, alpha in memory, the one
// layout the cutting and the upload read; image is released.
static SDL_Surface* ToBgra(SDL_Surface* image) {
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
    const Uint32 r = 0x00ff0000, g = 0x0000ff00, b = 0x000000ff, a = 0xff000000;
#else
    const Uint32 r = 0x0000ff00, g = 0x00ff0000, b = 0xff000000, a = 0x000000ff;
#endif
    SDL_Surface* bgra =
        SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, image->w, image->h, 32, r, g, b, a);
    if (bgra) {
        // Copied, not blended: an image without alpha comes out opaque, one with alpha keeps it.
        SDL_SetAlpha(image, 0, 255);
        if (SDL_BlitSurface(image, nullptr, bgra, nullptr) < 0) {
            SDL_FreeSurface(bgra);
            bgra = nullptr;
        }
    }
    SDL_FreeSurface(image);
    return bgra;
}

SDL_Surface* LoadImage(std::string fileName, int minwidth, int minheight) {
    const char* name = fileName.c_str();
    Announced a;
    if (AnnouncedSize(fileName, a)) {
        if (a.w > MAX_IMAGE_SIDE || a.h > MAX_IMAGE_SIDE) {
            std::fprintf(stderr, "The image \"%s\" is %ld by %ld pixels, larger than %d by %d\n", name, a.w,
                         a.h, MAX_IMAGE_SIDE, MAX_IMAGE_SIDE);
            return nullptr;
        }
        if (a.size < a.least) {
            std::fprintf(stderr,
                         "The image \"%s\" is %lld bytes, too short for the %ld by %ld pixels it announces\n",
                         name, a.size, a.w, a.h);
            return nullptr;
        }
    }
    SDL_Surface* image = IMG_Load(name);
    if (!image) {
        std::fprintf(stderr, "Failed to load the image \"%s\" with error %s\n", name, SDL_GetError());
        return nullptr;
    }
    if (image->w < minwidth || image->h < minheight || image->w < 1 || image->h < 1) {
        std::fprintf(stderr, "The image \"%s\" is %d by %d pixels, smaller than %d by %d\n", name, image->w,
                     image->h, minwidth < 1 ? 1 : minwidth, minheight < 1 ? 1 : minheight);
        SDL_FreeSurface(image);
        return nullptr;
    }
    SDL_Surface* bgra = ToBgra(image);
    if (!bgra)
        std::fprintf(stderr, "The image \"%s\" could not be converted with error %s\n", name, SDL_GetError());
    return bgra;
}

// An all-zero w by h surface with exactly the pixel layout of like; reports a failure on stdout.
static SDL_Surface* BlankLike(SDL_Surface* like, int w, int h) {
    const SDL_PixelFormat* f = like->format;
    SDL_Surface* blank =
        SDL_CreateRGBSurface(like->flags, w, h, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (!blank) std::printf("SDL_CreateRGBSurface failed with error: %s\n", SDL_GetError());
    return blank;
}

// A blit with per-surface alpha on would blend the source into the zeroed destination and
// lose its alpha channel; with it off, every channel is copied as it is.
static void CopyChannelsUnblended(SDL_Surface* source) {
    SDL_SetAlpha(source, 0, 255);
}

SDL_Surface* ClipSurface(SDL_Surface* wholesurface, int x, int y, int w, int h) {
    SDL_Rect clippingRect;
    clippingRect.x = static_cast<Sint16>(x);
    clippingRect.y = static_cast<Sint16>(y);
    clippingRect.w = static_cast<Uint16>(w);
    clippingRect.h = static_cast<Uint16>(h);
    SDL_Surface* newImage = BlankLike(wholesurface, w, h);
    if (!newImage) return nullptr;
    CopyChannelsUnblended(wholesurface);
    if (SDL_UpperBlit(wholesurface, &clippingRect, newImage, nullptr) < 0) {
        std::printf("The blitting of the images failed with error: %s\n", SDL_GetError());
        SDL_FreeSurface(newImage);
        return nullptr;
    }
    return newImage;
}

SDL_Surface* BlitCentered(SDL_Surface* source, int w, int h) {
    SDL_Surface* destination = BlankLike(source, w, h);
    if (!destination) return nullptr;
    SDL_Rect dstRect;
    // Each half is rounded down before the subtraction: a source of odd size sits half a pixel
    // right of (or below) the true centre.
    dstRect.x = static_cast<Sint16>(destination->w / 2 - source->w / 2);
    dstRect.y = static_cast<Sint16>(destination->h / 2 - source->h / 2);
    dstRect.w = 0;
    dstRect.h = 0;
    CopyChannelsUnblended(source);
    SDL_UpperBlit(source, nullptr, destination, &dstRect);
    return destination;
}

GLuint TextureFromSurface(SDL_Surface* sdl) {
    // SDL pads every row to a multiple of 4 bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // The bytes of every image the game reads lie in blue, green, red (, alpha) order.
    if (sdl->format->Amask)
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, sdl->w, sdl->h, GL_BGRA, GL_UNSIGNED_BYTE, sdl->pixels);
    else
        gluBuild2DMipmaps(GL_TEXTURE_2D, 3, sdl->w, sdl->h, GL_BGR, GL_UNSIGNED_BYTE, sdl->pixels);
    SDL_FreeSurface(sdl);
    return texture;
}

GLuint TextureFromFileOrQuit(const char* file, const char* what) {
    SDL_Surface* image = LoadImage(file);
    if (image == nullptr) {
        const std::string line = std::string("The ") + what + " image \"" + file + "\" could not be loaded.";
        QuitOnBadData(line.c_str());
    }
    return TextureFromSurface(image);
}
