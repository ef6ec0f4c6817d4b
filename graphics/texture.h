// Image files to SDL surfaces, cutting and centring surfaces, and surfaces to OpenGL textures.
#pragma once

#include <SDL.h>
#include <GL/gl.h>

#include <string>

// Largest width or height of an image file; a larger one is refused from its header, unread.
constexpr int MAX_IMAGE_SIDE = 8192;

// Loads an image file (path used as given) in any format and depth the image library reads, as a
// 32-bit surface with bytes blue, green, red, alpha. Prints a line naming the file on standard
// error and returns null when it can't be read, announces more than MAX_IMAGE_SIDE pixels a side,
// or is smaller than minwidth by minheight (or empty).
SDL_Surface* LoadImage(std::string fileName, int minwidth = 1, int minheight = 1);
// A new w by h surface holding wholesurface's pixels from (x, y) on; null on failure.
SDL_Surface* ClipSurface(SDL_Surface* wholesurface, int x, int y, int w, int h);
// A new w by h surface with source copied into its middle; null on failure.
SDL_Surface* BlitCentered(SDL_Surface* source, int w, int h);
// Uploads the surface as a clamped, nearest-filtered, mipmapped texture, frees it, returns the name.
GLuint TextureFromSurface(SDL_Surface* sdl);
// The whole image file as one texture; a file that can't be loaded ends the game through
// QuitOnBadData with "The <what> image "<file>" could not be loaded." (the game can't do without it).
GLuint TextureFromFileOrQuit(const char* file, const char* what);
