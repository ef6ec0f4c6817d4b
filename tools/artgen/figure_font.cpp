// The bitmap font: DejaVu Sans Mono (regular and bold) rasterised into 16 by 16 cells.
//
// The game draws every glyph as a 16-pixel square and then moves the pen 10 pixels, so each
// glyph must stay inside the first 10 columns of its cell or it would run into the next one.
// The pixel size is the largest at which the font's hinted advance still fits those 10 columns.
#include "tools/artgen/figure_art.h"

#include <cstdio>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

const char* const kRegularFace = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
const char* const kBoldFace = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";

// 15 pixels gives a hinted advance of 9, so one column stays free between neighbouring
// letters, with capitals about 11 pixels tall; at 16 the advance reaches 10 and letters touch.
constexpr int kPixelSize = 15;
// Rows of the cell below the baseline, room for the descenders of g, j, p, q, y.
constexpr int kBelowBaseline = 4;
constexpr int kFirstCode = 32;
constexpr int kLastCode = 126; // 127 is DEL and has no picture

// Draws one glyph into the cell whose top-left pixel is (cx, cy); false if FreeType fails.
bool DrawGlyph(FT_Face face, int code, Canvas& out, int cx, int cy) {
    if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
        std::fprintf(stderr, "font: cannot render character %d\n", code);
        return false;
    }
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    const int advance = static_cast<int>(slot->advance.x >> 6);
    // Centre the glyph's own advance within the game's 10-pixel advance.
    const int pen_x = (GLYPH_ADVANCE - advance) / 2;
    const int baseline = GLYPH_SIZE - kBelowBaseline;
    for (unsigned row = 0; row < bm.rows; ++row)
        for (unsigned col = 0; col < bm.width; ++col) {
            const int x = pen_x + slot->bitmap_left + static_cast<int>(col);
            const int y = baseline - slot->bitmap_top + static_cast<int>(row);
            const std::uint8_t coverage = bm.buffer[static_cast<int>(row) * bm.pitch + static_cast<int>(col)];
            if (coverage == 0) continue;
            if (x < 0 || x >= GLYPH_ADVANCE || y < 0 || y >= GLYPH_SIZE) {
                std::fprintf(stderr, "font: character %d does not fit its cell\n", code);
                return false;
            }
            out.Put(cx + x, cy + y, 255, 255, 255, coverage);
        }
    return true;
}

bool DrawSet(FT_Library lib, const char* path, int first_glyph, Canvas& out) {
    FT_Face face = nullptr;
    if (FT_New_Face(lib, path, 0, &face) != 0) {
        std::fprintf(stderr, "font: cannot open %s\n", path);
        return false;
    }
    bool ok = FT_Set_Pixel_Sizes(face, 0, kPixelSize) == 0;
    for (int code = kFirstCode; ok && code <= kLastCode; ++code) {
        const int glyph = first_glyph + code - kFirstCode;
        ok = DrawGlyph(face, code, out, (glyph % 16) * GLYPH_SIZE, (glyph / 16) * GLYPH_SIZE);
    }
    FT_Done_Face(face);
    return ok;
}

} // namespace

bool DrawFontSheet(Canvas& out) {
    out = Canvas(16 * GLYPH_SIZE, 16 * GLYPH_SIZE);
    // Transparent white, so even a filtered edge never darkens the text.
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.Put(x, y, 255, 255, 255, 0);
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) {
        std::fprintf(stderr, "font: cannot start FreeType\n");
        return false;
    }
    const bool ok = DrawSet(lib, kRegularFace, 0, out) && DrawSet(lib, kBoldFace, 128, out);
    FT_Done_FreeType(lib);
    return ok;
}
