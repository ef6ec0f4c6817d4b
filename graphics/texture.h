// Image files to SDL surfaces, cutting and centring surfaces, and surfaces to OpenGL textures.
#pragma once

#include <SDL.h>
#include <GL/gl.h>

#include <string>

// Loads an image file (path used as given); prints a line on standard error and returns null on failure.
SDL_Surface* LoadImage(std::string fileName);
// A new w by h surface holding wholesurface's pixels from (x, y) on; null on failure.
SDL_Surface* ClipSurface(SDL_Surface* wholesurface, int x, int y, int w, int h);
// A new w by h surface with source copied into its middle; null on failure.
SDL_Surface* BlitCentered(SDL_Surface* source, int w, int h);
// Uploads the surface as a clamped, nearest-filtered, mipmapped texture, frees it, returns the name.
GLuint TextureFromSurface(SDL_Surface* sdl);
