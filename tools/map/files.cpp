// The files a map names, and the pictures tavrel-map reads and writes.
#include "tools/map/maptool.h"

#include "core/config.h"
#include "wire/protocol.h"

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <png.h>

#include <cstdio>
#include <fstream>
#include <memory>

namespace maptool {

static std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string TileSetPath(const std::string& mapfile, const std::string& written, const Places& places) {
    if (!places.root.empty()) return places.root + "/" + written;
    // A map in the repository's resources/ folder names its tile set as the runnable folder
    // will have it; the resources/ folder is what becomes that folder's resource folder.
    const std::string prefix = RESOURCE_DIR;
    if (written.compare(0, prefix.size(), prefix) == 0)
        return FolderOf(mapfile) + written.substr(prefix.size());
    return written;
}

std::string TargetMapPath(const std::string& mapfile, const std::string& name) {
    return FolderOf(mapfile) + name;
}

bool ReadMapFile(const std::string& path, MapData& out, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "can't be opened";
        return false;
    }
    return ParseMap(in, out, why);
}

bool ServerTakesMapName(const std::string& name) {
    if (name.empty() || name.size() > MAX_MAP_NAME) return false;
    for (const char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E || c == '|') return false;
    }
    return true;
}

bool LoadPicture(const std::string& path, Picture& out, std::string& why) {
    SDL_Surface* surface = IMG_Load(path.c_str());
    if (!surface) {
        why = IMG_GetError();
        return false;
    }
    std::unique_ptr<SDL_Surface, void (*)(SDL_Surface*)> owned(surface, SDL_FreeSurface);
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    out.width = surface->w;
    out.height = surface->h;
    out.rgba.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 4, 0);
    const int bpp = surface->format->BytesPerPixel;
    for (int y = 0; y < out.height; ++y) {
        const Uint8* row = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch;
        for (int x = 0; x < out.width; ++x) {
            const Uint8* p = row + x * bpp;
            Uint32 pixel = 0;
            switch (bpp) {
            case 1:
                pixel = p[0];
                break;
            case 2:
                pixel = static_cast<Uint32>(p[0] | p[1] << 8);
                break;
            case 3:
                pixel = static_cast<Uint32>(p[0] | p[1] << 8 | p[2] << 16);
                break;
            default:
                pixel = static_cast<Uint32>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<Uint32>(p[3]) << 24);
                break;
            }
            Uint8* o = out.At(x, y);
            SDL_GetRGBA(pixel, surface->format, &o[0], &o[1], &o[2], &o[3]);
        }
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    return true;
}

bool SavePng(const std::string& path, const Picture& picture, std::string& why) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        why = "can't be written";
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        why = "libpng failed to write it";
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height),
                 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y)
        png_write_row(png, picture.At(0, y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 || (why = "can't be written", false);
}

} // namespace maptool
