#include "tools/artgen/png.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

void Flush(png_structp) {}

} // namespace

std::string PngBytes(const Canvas& image) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        std::fprintf(stderr, "png: out of memory\n");
        png_destroy_write_struct(&png, nullptr);
        return {};
    }
    std::string out;
    std::vector<png_bytep> rows;
    for (int y = 0; y < image.height; ++y)
        rows.push_back(const_cast<png_bytep>(image.At(0, y)));
    // libpng reports its errors by longjmp; nothing with a destructor is made after this point.
    if (setjmp(png_jmpbuf(png))) {
        std::fprintf(stderr, "png: cannot encode a %dx%d image\n", image.width, image.height);
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, Append, Flush);
    // Fixed level and filter: the shipped icons are compared byte for byte with a fresh run.
    png_set_compression_level(png, 9);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}
