// Drawing a map into a picture the way the client draws it: the background colour where no
// tile is, opaque ground tiles, second-layer tiles laid over them by their alpha.
#include "tools/map/maptool.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace maptool {
namespace {

const char* const kLabelFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

std::uint8_t Clamp(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// Lays colour c over pixel p with coverage a (0..255).
void Blend(std::uint8_t* p, const std::uint8_t* c, int a) {
    for (int k = 0; k < 3; ++k)
        p[k] = static_cast<std::uint8_t>((c[k] * a + p[k] * (255 - a) + 127) / 255);
}

void Fill(Picture& out, int x0, int y0, int w, int h, const std::uint8_t* c, int a) {
    for (int y = std::max(0, y0); y < std::min(out.height, y0 + h); ++y)
        for (int x = std::max(0, x0); x < std::min(out.width, x0 + w); ++x)
            Blend(out.At(x, y), c, a);
}

void Frame(Picture& out, int x0, int y0, int size, int thick, const std::uint8_t* c) {
    Fill(out, x0, y0, size, thick, c, 255);
    Fill(out, x0, y0 + size - thick, size, thick, c, 255);
    Fill(out, x0, y0, thick, size, c, 255);
    Fill(out, x0 + size - thick, y0, thick, size, c, 255);
}

// Writes text with its baseline's left end at (x, y), over a dark halo so it reads on any ground.
class Labels {
  public:
    explicit Labels(int pixels) {
        if (FT_Init_FreeType(&lib_) != 0) return;
        if (FT_New_Face(lib_, kLabelFace, 0, &face_) != 0) face_ = nullptr;
        if (face_) FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixels));
    }
    ~Labels() {
        if (face_) FT_Done_Face(face_);
        if (lib_) FT_Done_FreeType(lib_);
    }
    bool ok() const { return face_ != nullptr; }
    void Write(Picture& out, int x, int y, const std::string& text, const std::uint8_t* colour) {
        static const std::uint8_t dark[3] = {0, 0, 0};
        for (int pass = 0; pass < 2; ++pass) {
            int pen = x;
            for (const char ch : text) {
                if (FT_Load_Char(face_, static_cast<unsigned char>(ch), FT_LOAD_RENDER) != 0) continue;
                const FT_GlyphSlot g = face_->glyph;
                const FT_Bitmap& bm = g->bitmap;
                for (unsigned row = 0; row < bm.rows; ++row)
                    for (unsigned col = 0; col < bm.width; ++col) {
                        const int a = bm.buffer[row * static_cast<unsigned>(bm.pitch) + col];
                        if (!a) continue;
                        const int px = pen + g->bitmap_left + static_cast<int>(col);
                        const int py = y - g->bitmap_top + static_cast<int>(row);
                        if (pass == 0)
                            Fill(out, px - 1, py - 1, 3, 3, dark, a / 2);
                        else
                            Fill(out, px, py, 1, 1, colour, a);
                    }
                pen += static_cast<int>(g->advance.x >> 6);
            }
        }
    }

  private:
    FT_Library lib_ = nullptr;
    FT_Face face_ = nullptr;
};

} // namespace

bool RenderMap(const MapData& map, const Picture& tileset, const RenderOptions& options, Picture& out,
               std::string& why) {
    const int s = options.scale;
    const int cell = TILE * s;
    if (s < 1 || s > 16) {
        why = "the scale must be 1 to 16";
        return false;
    }
    const long long pixels = 1LL * map.sizex * cell * map.sizey * cell;
    if (pixels > 100'000'000LL) {
        why = "the picture would have " + std::to_string(pixels) + " pixels; use a smaller --scale";
        return false;
    }
    const int columns = tileset.width / TILE;
    const int tiles = columns * (tileset.height / TILE);
    out.width = map.sizex * cell;
    out.height = map.sizey * cell;
    out.rgba.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 4, 255);
    const std::uint8_t bg[3] = {Clamp(map.background[0]), Clamp(map.background[1]), Clamp(map.background[2])};
    Fill(out, 0, 0, out.width, out.height, bg, 255);

    const std::size_t w = static_cast<std::size_t>(map.sizex);
    // Indices that name no tile are skipped, as the client skips them.
    const auto draw = [&](const std::vector<int>& layer, bool blend) {
        for (int r = 0; r < map.sizey; ++r)
            for (int c = 0; c < map.sizex; ++c) {
                const int t = layer[static_cast<std::size_t>(r) * w + static_cast<std::size_t>(c)];
                if (t < 0 || t >= tiles) continue;
                const int tx = (t % columns) * TILE, ty = (t / columns) * TILE;
                for (int y = 0; y < cell; ++y)
                    for (int x = 0; x < cell; ++x) {
                        const std::uint8_t* src = tileset.At(tx + x / s, ty + y / s);
                        Blend(out.At(c * cell + x, r * cell + y), src, blend ? src[3] : 255);
                    }
            }
    };
    draw(map.ground, false);
    if (map.layer2) draw(map.second, true);

    if (options.blocks) {
        static const std::uint8_t red[3] = {220, 30, 30};
        for (int r = 0; r < map.sizey; ++r)
            for (int c = 0; c < map.sizex; ++c)
                if (map.block[static_cast<std::size_t>(r) * w + static_cast<std::size_t>(c)] == 1)
                    Fill(out, c * cell, r * cell, cell, cell, red, 110);
    }
    const int thick = std::max(1, s);
    if (options.exits) {
        static const std::uint8_t yellow[3] = {255, 230, 40};
        Labels labels(std::max(9, 6 * s));
        if (!labels.ok()) {
            why = std::string("the label font can't be loaded (") + kLabelFace + ")";
            return false;
        }
        for (const entity_t& e : map.entities) {
            if (e.posx < 0 || e.posx >= map.sizex || e.posy < 0 || e.posy >= map.sizey) continue;
            const int x = e.posx * cell, y = (map.sizey - 1 - e.posy) * cell;
            Frame(out, x, y, cell, thick, yellow);
            const std::string text =
                e.newmap + " " + FormatMapFloat(e.newposx) + "," + FormatMapFloat(e.newposy);
            // Beside the cell, on the side with more room.
            const bool left = e.posx > map.sizex / 2;
            const int approx = static_cast<int>(text.size()) * std::max(9, 6 * s) * 6 / 10;
            labels.Write(out, left ? x - approx - thick : x + cell + thick, y + cell * 3 / 4, text, yellow);
        }
    }
    if (options.start) {
        static const std::uint8_t white[3] = {255, 255, 255};
        static const std::uint8_t blue[3] = {40, 120, 255};
        const int x = static_cast<int>(map.startposx * static_cast<float>(cell));
        const int y =
            static_cast<int>((static_cast<float>(map.sizey) - map.startposy) * static_cast<float>(cell));
        const int arm = cell / 2, t = std::max(1, s);
        Fill(out, x - arm - t, y - 2 * t, 2 * arm + 2 * t, 4 * t, white, 255);
        Fill(out, x - 2 * t, y - arm - t, 4 * t, 2 * arm + 2 * t, white, 255);
        Fill(out, x - arm, y - t, 2 * arm, 2 * t, blue, 255);
        Fill(out, x - t, y - arm, 2 * t, 2 * arm, blue, 255);
    }
    return true;
}

} // namespace maptool
