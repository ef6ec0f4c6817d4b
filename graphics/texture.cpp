// Every texture of the game is made here: image files become surfaces, surfaces are cut
// and centred, and finished surfaces are uploaded.
#include "graphics/texture.h"

#include <GL/glu.h>
#include <SDL_image.h>

#include <cstdio>

SDL_Surface* LoadImage(std::string fileName) {
    SDL_Surface* image = IMG_Load(fileName.c_str());
    if (image) return image;
    std::fprintf(stderr, "Failed to load the image \"%s\" with error %s\n", fileName.c_str(), SDL_GetError());
    return nullptr;
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
