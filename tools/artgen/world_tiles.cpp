// Draws the world tile set pixel by pixel. Light falls from the top-left everywhere; every
// material has a five-step colour ramp (outline, dark, mid, light, highlight), and texture
// noise comes from a fixed-seed hash of the pixel position, so the image is the same each run.
#include "tools/artgen/world_tiles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>

namespace {

struct Rgb {
    int r, g, b;
};
using Ramp = std::array<Rgb, 5>; // outline, dark, mid, light, highlight

// One palette for the whole world, so neighbouring tiles agree with each other.
const Ramp kGrass = {{{30, 72, 42}, {54, 112, 50}, {80, 146, 60}, {112, 176, 74}, {156, 204, 98}}};
const Ramp kForest = {{{20, 50, 34}, {36, 82, 44}, {52, 106, 50}, {74, 130, 58}, {110, 160, 74}}};
const Ramp kDirt = {{{82, 54, 34}, {128, 90, 56}, {162, 120, 78}, {190, 150, 102}, {214, 182, 132}}};
const Ramp kSand = {{{148, 120, 76}, {200, 176, 118}, {222, 202, 144}, {236, 222, 172}, {250, 242, 208}}};
const Ramp kShallow = {{{34, 82, 130}, {56, 120, 168}, {78, 154, 198}, {118, 190, 222}, {200, 234, 246}}};
const Ramp kDeep = {{{16, 36, 82}, {28, 58, 114}, {40, 80, 146}, {58, 106, 172}, {98, 146, 202}}};
const Ramp kStone = {{{42, 42, 54}, {86, 88, 102}, {122, 124, 136}, {158, 160, 168}, {198, 198, 204}}};
const Ramp kWood = {{{56, 34, 20}, {102, 64, 36}, {140, 94, 54}, {176, 126, 74}, {206, 162, 106}}};
const Ramp kDarkWood = {{{34, 20, 14}, {62, 38, 24}, {86, 54, 32}, {112, 74, 44}, {140, 98, 60}}};
const Ramp kRoofRed = {{{68, 22, 22}, {124, 42, 36}, {166, 64, 48}, {200, 96, 68}, {230, 140, 102}}};
const Ramp kSlate = {{{28, 34, 58}, {50, 62, 96}, {72, 90, 130}, {98, 120, 162}, {138, 160, 196}}};
const Ramp kLeaf = {{{18, 50, 30}, {34, 86, 42}, {56, 124, 50}, {92, 158, 62}, {138, 194, 86}}};
const Ramp kPine = {{{12, 40, 34}, {22, 68, 48}, {36, 96, 60}, {58, 128, 72}, {96, 162, 94}}};
const Ramp kPlaster = {{{96, 78, 58}, {168, 144, 110}, {204, 182, 144}, {224, 206, 170}, {242, 230, 202}}};
const Ramp kRed = {{{78, 18, 26}, {138, 34, 42}, {184, 56, 58}, {212, 96, 86}, {238, 148, 128}}};
const Ramp kBlue = {{{24, 34, 76}, {44, 62, 128}, {66, 92, 170}, {100, 130, 204}, {150, 176, 230}}};
const Ramp kYellow = {{{120, 80, 10}, {200, 150, 24}, {236, 196, 48}, {250, 224, 96}, {255, 246, 180}}};
const Ramp kWhite = {{{110, 110, 124}, {180, 182, 196}, {220, 222, 230}, {240, 240, 246}, {255, 255, 255}}};
const Ramp kIron = {{{24, 24, 30}, {44, 46, 54}, {68, 70, 80}, {98, 100, 112}, {140, 142, 154}}};

constexpr double kPi = 3.14159265358979323846;

// The kinds of ground that blend into each other in the transition rows.
enum Ground { G_DIRT, G_GRASS, G_SAND, G_SHALLOW, G_DEEP };

Rgb Scale(Rgb c, float f) {
    return {std::clamp(static_cast<int>(c.r * f), 0, 255), std::clamp(static_cast<int>(c.g * f), 0, 255),
            std::clamp(static_cast<int>(c.b * f), 0, 255)};
}

Rgb Mix(Rgb a, Rgb b, float t) {
    return {static_cast<int>(a.r + (b.r - a.r) * t), static_cast<int>(a.g + (b.g - a.g) * t),
            static_cast<int>(a.b + (b.b - a.b) * t)};
}

std::uint32_t Hash(int x, int y, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u +
                      static_cast<std::uint32_t>(seed) * 2246822519u + 0x9E3779B9u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    h *= 2654435761u;
    return h ^ (h >> 15);
}

// A number in [0, 1) fixed by position and seed.
float Rand(int x, int y, int seed) {
    return static_cast<float>(Hash(x, y, seed) & 0xFFFFFF) / 16777216.0f;
}

int Wrap(int v) {
    return v & (kTileSize - 1);
}

// Smooth noise in [0, 1) on a lattice of `cell` pixels that repeats every tile, so that
// a tile drawn with it joins its own copies without a seam.
float Smooth(float x, float y, int cell, int seed) {
    const int n = kTileSize / cell;
    const float fx = x / cell, fy = y / cell;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const float tx = fx - x0, ty = fy - y0;
    auto at = [&](int i, int j) { return Rand(((i % n) + n) % n, ((j % n) + n) % n, seed); };
    const float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return a + (b - a) * sy;
}

void Px(Canvas& c, int x, int y, Rgb col, int a = 255) {
    c.Put(x, y, static_cast<std::uint8_t>(col.r), static_cast<std::uint8_t>(col.g),
          static_cast<std::uint8_t>(col.b), static_cast<std::uint8_t>(a));
}

Rgb Get(const Canvas& c, int x, int y) {
    const std::uint8_t* p = c.At(x, y);
    return {p[0], p[1], p[2]};
}

int Alpha(const Canvas& c, int x, int y) {
    if (x < 0 || y < 0 || x >= c.width || y >= c.height) return -1;
    return c.At(x, y)[3];
}

// Ramp step by a shading value; the step rises with `v` and is clamped to dark..highlight.
Rgb Step(const Ramp& r, int step) {
    return r[static_cast<std::size_t>(std::clamp(step, 0, 4))];
}

// ---- ground textures ---------------------------------------------------------------------

Rgb GrassPixel(const Ramp& ramp, int x, int y, int variant) {
    x = Wrap(x);
    y = Wrap(y);
    const float patch = Smooth(static_cast<float>(x), static_cast<float>(y), 8, 11 + variant);
    const float dither = Rand(x, y, 19 + variant);
    int step = 2;
    if (patch < 0.3f && dither < 0.6f) step = 1;
    if (patch > 0.7f && dither < 0.35f) step = 3;
    const float n = Rand(x, y, 17 + variant);
    if (n < 0.07f) step = 1;
    // Blades: a light tip with a dark pixel under it.
    if (Rand(x, y, 23 + variant) < 0.08f)
        step = 3;
    else if (Rand(x, Wrap(y - 1), 23 + variant) < 0.08f)
        step = 1;
    if (patch > 0.78f && n > 0.6f) step = 3;
    return Step(ramp, step);
}

Rgb DirtPixel(int x, int y, int variant) {
    x = Wrap(x);
    y = Wrap(y);
    const float patch = Smooth(static_cast<float>(x), static_cast<float>(y), 8, 31 + variant);
    const float dither = Rand(x, y, 43 + variant);
    int step = 2;
    if (patch < 0.3f && dither < 0.4f) step = 1;
    if (patch > 0.68f && dither < 0.6f) step = 3;
    const float n = Rand(x, y, 37 + variant);
    if (n < 0.10f) step = 1;
    if (n > 0.92f) step = 3;
    // Pebbles: a light stone with its shadow below and to the right.
    const float pebble = variant == 1 ? 0.035f : 0.012f;
    if (Rand(x, y, 41) < pebble)
        step = 4;
    else if (Rand(Wrap(x - 1), Wrap(y - 1), 41) < pebble || Rand(x, Wrap(y - 1), 41) < pebble)
        step = 1;
    return Step(kDirt, step);
}

Rgb SandPixel(int x, int y, int variant) {
    x = Wrap(x);
    y = Wrap(y);
    int step = 2;
    // Wind ripples, continuous across tiles.
    const int ripple = (y + static_cast<int>(std::lround(1.5 * std::sin(x * 2 * kPi / 16 + variant)))) & 7;
    if (ripple == 0) step = 3;
    if (ripple == 1) step = Rand(x, y, 53) < 0.5f ? 1 : 2;
    const float n = Rand(x, y, 59 + variant);
    if (n < 0.05f) step = 1;
    if (n > 0.95f) step = 4;
    return Step(kSand, step);
}

Rgb WaterPixel(const Ramp& ramp, int x, int y, int variant, bool deep) {
    x = Wrap(x);
    y = Wrap(y);
    const float patch = Smooth(static_cast<float>(x), static_cast<float>(y), 8, 61 + variant);
    int step = patch < 0.4f ? 1 : 2;
    // Short horizontal wave crests, staggered row by row.
    const int band = y / 4;
    const int start = (band * 7 + variant * 5) & 15;
    const int len = deep ? 3 : 4;
    const int dx = (x - start + 16) & 15;
    if ((y & 3) == 1 && dx < len) step = 3;
    if ((y & 3) == 2 && dx >= 1 && dx < len + 1) step = std::max(1, step - 1);
    if (!deep && (y & 3) == 1 && dx == 1) step = 4;
    return Step(ramp, step);
}

Rgb GroundPixel(Ground g, int x, int y) {
    switch (g) {
    case G_DIRT:
        return DirtPixel(x, y, 0);
    case G_GRASS:
        return GrassPixel(kGrass, x, y, 0);
    case G_SAND:
        return SandPixel(x, y, 0);
    case G_SHALLOW:
        return WaterPixel(kShallow, x, y, 0, false);
    case G_DEEP:
        return WaterPixel(kDeep, x, y, 0, true);
    }
    return {255, 0, 255};
}

// Cobblestones: rounded stones in staggered courses, each lit on its top-left rim.
Rgb CobblePixel(int x, int y, int variant) {
    static const int widths[2][4][3] = {{{5, 6, 5}, {6, 5, 5}, {4, 6, 6}, {5, 5, 6}},
                                        {{6, 4, 6}, {5, 6, 5}, {6, 6, 4}, {4, 7, 5}}};
    static const int offsets[2][4] = {{0, 3, 1, 4}, {2, 0, 4, 1}};
    x = Wrap(x);
    y = Wrap(y);
    const int course = y / 4, iy = y & 3;
    const int* w = widths[variant & 1][course];
    // Which stone of the course, and where in it, with the course shifted sideways.
    int sx = Wrap(x + offsets[variant & 1][course]), stone = 0;
    while (stone < 2 && sx >= w[stone])
        sx -= w[stone++];
    const int ix = sx, wid = w[stone];
    const bool corner = (ix == 0 || ix == wid - 1) && (iy == 0 || iy == 2);
    if (iy == 3 || ix == wid - 1 || corner)
        return Mix(kStone[1], kDirt[1], Rand(x, y, 79) < 0.4f ? 0.6f : 0.2f);
    const int body = Rand(stone, course, 83 + variant) < 0.6f ? 2 : 3;
    int step = body;
    if (iy == 0 || ix == 0)
        step = body + 1;
    else if (iy == 2 && ix == wid - 2)
        step = body - 1;
    if (Rand(x, y, 89) < 0.05f) step = std::max(1, step - 1);
    Rgb c = Step(kStone, step);
    // A warm tint on some stones keeps the square from looking like concrete.
    if (Rand(stone, course, 97 + variant) < 0.35f) c = Mix(c, kDirt[3], 0.3f);
    return c;
}

Rgb WoodFloorPixel(int x, int y, int variant) {
    x = Wrap(x);
    y = Wrap(y);
    const int plank = y / 4, iy = y & 3;
    if (iy == 3) return kDarkWood[1];
    const int seam = (plank * 6 + variant * 3 + 2) & 15;
    if (x == seam) return kDarkWood[1];
    int step = 2;
    if (iy == 0) step = 3;
    if (x == ((seam + 1) & 15)) step = 3;
    const float grain = Smooth(static_cast<float>(x), static_cast<float>(plank * 4), 4, 101 + plank);
    if (grain < 0.25f && iy != 0) step = 1;
    if (Rand(x, y, 103 + variant) < 0.06f) step = std::max(1, step - 1);
    return Step(Rand(plank, variant, 107) < 0.5f ? kWood : kWood, step);
}

Rgb ForestFloorPixel(int x, int y) {
    x = Wrap(x);
    y = Wrap(y);
    Rgb c = GrassPixel(kGrass, x, y, 2);
    if (Smooth(static_cast<float>(x), static_cast<float>(y), 8, 109) < 0.45f) c = Mix(c, kForest[1], 0.5f);
    const float n = Rand(x, y, 113);
    if (n < 0.03f)
        c = kDirt[2];
    else if (n < 0.045f)
        c = kRoofRed[3];
    else if (n < 0.06f)
        c = kYellow[1];
    return c;
}

Rgb StoneFloorPixel(int x, int y) {
    x = Wrap(x);
    y = Wrap(y);
    const int slab = (y / 8) * 2 + ((x + (y / 8) * 4) & 15) / 8;
    const int sx = (x + (y / 8) * 4) & 7, sy = y & 7;
    if (sx == 7 || sy == 7) return kStone[1];
    int step = Rand(slab, 0, 127) < 0.5f ? 2 : 3;
    if (sx == 0 || sy == 0) step = 4;
    if (sx == 6 || sy == 6) step = 1;
    if (Rand(x, y, 131) < 0.08f) step = std::max(1, step - 1);
    return Step(kStone, step);
}

Rgb SoilPixel(int x, int y) {
    x = Wrap(x);
    y = Wrap(y);
    const int iy = y & 3;
    int step = iy == 0 ? 2 : (iy == 1 ? 1 : (iy == 2 ? 0 : 1));
    if (Rand(x, y, 137) < 0.12f) step = std::min(3, step + 1);
    const Ramp dark = {{{52, 32, 22}, {84, 54, 34}, {118, 80, 50}, {150, 108, 70}, {180, 138, 96}}};
    return Step(dark, step);
}

// ---- sprites: drawing helpers -------------------------------------------------------------

// A ball lit from the top-left: the step of the ramp for a point at (dx, dy) from the centre.
int BallStep(float dx, float dy, float r, int x, int y, int seed) {
    const float nx = dx / r, ny = dy / r;
    const float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
    const float lit = -0.55f * nx - 0.6f * ny + 0.58f * nz + (Rand(x, y, seed) - 0.5f) * 0.35f;
    return lit < 0.1f ? 1 : (lit < 0.5f ? 2 : (lit < 0.82f ? 3 : 4));
}

void Ball(Canvas& c, float cx, float cy, float rx, float ry, const Ramp& ramp, int seed, bool rim = true) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float dx = (x + 0.5f - cx) / rx, dy = (y + 0.5f - cy) / ry;
            const float d = dx * dx + dy * dy;
            if (d > 1) continue;
            int step = BallStep(dx, dy, 1.0f, x, y, seed);
            // A dark rim on the shadow side sets overlapping clusters apart.
            if (rim && d > 0.72f && dx + dy > 0.3f) step = 1;
            Px(c, x, y, Step(ramp, step));
        }
}

void Rect(Canvas& c, int x0, int y0, int x1, int y1, Rgb col) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            Px(c, x, y, col);
}

// A box lit from the top-left: light top row and left column, dark right column and bottom.
void Box(Canvas& c, int x0, int y0, int x1, int y1, const Ramp& r) {
    Rect(c, x0, y0, x1, y1, r[2]);
    for (int x = x0; x <= x1; ++x) {
        Px(c, x, y0, r[3]);
        Px(c, x, y1, r[1]);
    }
    for (int y = y0 + 1; y < y1; ++y) {
        Px(c, x0, y, r[3]);
        Px(c, x1, y, r[1]);
    }
}

// Dark outline around every opaque shape; pixels outside the canvas don't count, so a rail
// that runs to the edge of its tile stays open there and joins the next tile.
void Outline(Canvas& c) {
    Canvas out = c;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            if (Alpha(c, x, y) == 255) continue;
            static const int d[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
            for (const auto& o : d) {
                if (Alpha(c, x + o[0], y + o[1]) == 255) {
                    Rgb n = Get(c, x + o[0], y + o[1]);
                    Px(out, x, y, Mix(Scale(n, 0.32f), Rgb{20, 16, 30}, 0.3f));
                    break;
                }
            }
        }
    c = out;
}

// A soft shadow on the ground under an object: only where nothing is drawn yet.
void Shadow(Canvas& c, float cx, float cy, float rx, float ry, int alpha) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float dx = (x + 0.5f - cx) / rx, dy = (y + 0.5f - cy) / ry;
            if (dx * dx + dy * dy > 1 || Alpha(c, x, y) != 0) continue;
            Px(c, x, y, {10, 20, 12}, alpha);
        }
}

// Copies a sprite into the sheet with its top-left corner on tile (col, row).
void Paste(Canvas& sheet, const Canvas& s, int col, int row) {
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const std::uint8_t* p = s.At(x, y);
            sheet.Put(col * kTileSize + x, row * kTileSize + y, p[0], p[1], p[2], p[3]);
        }
}

void PasteAt(Canvas& sheet, const Canvas& s, int index) {
    Paste(sheet, s, index % kTilesPerRow, index / kTilesPerRow);
}

Canvas Tile(const std::function<Rgb(int, int)>& pixel) {
    Canvas t(kTileSize, kTileSize);
    for (int y = 0; y < kTileSize; ++y)
        for (int x = 0; x < kTileSize; ++x)
            Px(t, x, y, pixel(x, y));
    return t;
}

// ---- ground tiles -----------------------------------------------------------------------

// Which kind a pixel of a transition tile shows: the corner mask blended bilinearly, with a
// wobble that fades out towards the tile's edges, so neighbouring tiles meet mid-edge.
float Upperness(int mask, float x, float y, int seed) {
    const float u = (x + 0.5f) / kTileSize, t = (y + 0.5f) / kTileSize;
    const float tl = (mask & 1) ? 1.f : 0.f, tr = (mask & 2) ? 1.f : 0.f;
    const float bl = (mask & 4) ? 1.f : 0.f, br = (mask & 8) ? 1.f : 0.f;
    const float v = (tl * (1 - u) + tr * u) * (1 - t) + (bl * (1 - u) + br * u) * t;
    const float taper = std::min(1.f, 4 * std::min(u, 1 - u)) * std::min(1.f, 4 * std::min(t, 1 - t));
    const float wobble =
        ((Smooth(x, y, 8, seed) - 0.5f) * 0.16f + (Smooth(x, y, 4, seed + 1) - 0.5f) * 0.08f) * taper;
    return v + wobble - 0.5f;
}

Canvas TransitionTile(Ground lower, Ground upper, int mask) {
    const int seed = 151 + static_cast<int>(lower) * 7;
    Canvas t(kTileSize, kTileSize);
    for (int y = 0; y < kTileSize; ++y)
        for (int x = 0; x < kTileSize; ++x) {
            const float s = Upperness(mask, static_cast<float>(x), static_cast<float>(y), seed);
            const float gx = (Upperness(mask, x + 1.f, static_cast<float>(y), seed) -
                              Upperness(mask, x - 1.f, static_cast<float>(y), seed)) /
                             2;
            const float gy = (Upperness(mask, static_cast<float>(x), y + 1.f, seed) -
                              Upperness(mask, static_cast<float>(x), y - 1.f, seed)) /
                             2;
            const float grad = std::max(0.02f, std::sqrt(gx * gx + gy * gy));
            const float d = s / grad; // signed distance to the border in pixels, + on the upper side
            Rgb c = GroundPixel(d >= 0 ? upper : lower, x, y);
            switch (lower) {
            case G_DIRT: // grass over dirt: a dark grass edge with a shadow on the dirt
                if (d >= 0 && d < 1)
                    c = kGrass[1];
                else if (d < 0 && d >= -1.5f)
                    c = kDirt[1];
                else if (d >= 1 && d < 2 && Rand(x, y, 163) < 0.4f)
                    c = kGrass[3];
                break;
            case G_GRASS: // sand beside grass: the grass ends in a dark fringe
                if (d < 0 && d >= -1)
                    c = kGrass[1];
                else if (d >= 0 && d < 1)
                    c = kSand[1];
                break;
            case G_SAND: // water on sand: wet sand, then a line of foam
                if (d < 0 && d >= -2)
                    c = Mix(kSand[1], kDirt[2], 0.3f);
                else if (d >= 0 && d < 1.2f)
                    c = kShallow[4];
                else if (d >= 1.2f && d < 2.2f)
                    c = kShallow[3];
                break;
            case G_SHALLOW: // deep water under shallow: a dithered band
                if (std::fabs(d) < 1.5f) c = ((x + y) & 1) ? kShallow[1] : kDeep[3];
                break;
            case G_DEEP:
                break;
            }
            Px(t, x, y, c);
        }
    return t;
}

// ---- walls, doors, roofs ------------------------------------------------------------------

enum Edge { EDGE_NONE, EDGE_LEFT, EDGE_RIGHT };

Canvas StoneWall(Edge edge) {
    return Tile([edge](int x, int y) {
        const int course = y / 4, iy = y & 3;
        const int offset = (course & 1) * 4;
        const int bx = (x + offset) & 7;
        const int block = ((x + offset) >> 3) + course * 3;
        if (edge == EDGE_LEFT && x == 0) return kStone[0];
        if (edge == EDGE_RIGHT && x == 15) return kStone[0];
        if (iy == 3 || bx == 7) return kStone[1];
        int step = Rand(block, course, 173) < 0.5f ? 2 : 3;
        if (iy == 0 || bx == 0)
            step = 4;
        else if (iy == 2 || bx == 6)
            step = std::min(step, 2);
        if (Rand(x, y, 179) < 0.1f) step = 1;
        if (edge == EDGE_LEFT && x == 1) step = 4;
        if (edge == EDGE_RIGHT && x == 14) step = 1;
        return Step(kStone, step);
    });
}

Canvas WoodWall(Edge edge) {
    return Tile([edge](int x, int y) {
        if (edge == EDGE_LEFT && x <= 2)
            return x == 0 ? kDarkWood[0] : (x == 1 ? kDarkWood[3] : kDarkWood[2]);
        if (edge == EDGE_RIGHT && x >= 13)
            return x == 15 ? kDarkWood[0] : (x == 14 ? kDarkWood[1] : kDarkWood[2]);
        const int iy = y & 3;
        if (iy == 3) return kWood[0];
        int step = iy == 0 ? 3 : 2;
        if (iy == 2) step = 1;
        const float grain = Smooth(static_cast<float>(x), static_cast<float>(y / 4 * 4), 4, 181 + y / 4);
        if (iy == 1 && grain < 0.3f) step = 1;
        if (Rand(x, y, 191) < 0.05f) step = 1;
        return Step(kWood, step);
    });
}

void Window(Canvas& t, int x0, int y0, int x1, int y1, bool sill) {
    Rect(t, x0, y0, x1, y1, kWood[0]);
    Rect(t, x0 + 1, y0 + 1, x1 - 1, y1 - 1, kWood[3]);
    for (int y = y0 + 2; y <= y1 - 2; ++y)
        for (int x = x0 + 2; x <= x1 - 2; ++x) {
            // Glass: dark at the bottom, a diagonal glint from the top-left.
            Rgb g = Mix(kShallow[2], kBlue[1], static_cast<float>(y - y0) / (y1 - y0));
            const int diag = (x - x0) + (y - y0);
            if (diag == 5 || diag == 6) g = kShallow[4];
            Px(t, x, y, g);
        }
    const int mx = (x0 + x1) / 2, my = (y0 + y1) / 2;
    for (int y = y0 + 1; y < y1; ++y)
        Px(t, mx, y, kWood[3]);
    for (int x = x0 + 1; x < x1; ++x)
        Px(t, x, my, kWood[3]);
    if (sill) {
        for (int x = x0 - 1; x <= x1 + 1; ++x) {
            Px(t, x, y1 + 1, kStone[4]);
            Px(t, x, y1 + 2, kStone[1]);
        }
    }
}

// The door's arched top (top tile) or its lower part with knob and step (bottom tile).
void Door(Canvas& t, bool top, const Ramp& frame) {
    const int x0 = 3, x1 = 12;
    for (int y = 0; y < kTileSize; ++y)
        for (int x = x0; x <= x1; ++x) {
            if (top) {
                const float dx = x + 0.5f - 8.0f, dy = y + 0.5f - 10.0f;
                if (y < 10 && dx * dx + dy * dy > 30.0f) continue;
                if (y < 10 && dx * dx + dy * dy > 18.0f) {
                    Px(t, x, y, frame[3]);
                    continue;
                }
            }
            if (!top && y == 15) {
                Px(t, x, y, kStone[3]);
                continue;
            }
            if (x == x0 || x == x1) {
                Px(t, x, y, frame[x == x0 ? 3 : 1]);
                continue;
            }
            if (x == x0 + 1 || x == x1 - 1) {
                Px(t, x, y, kDarkWood[0]);
                continue;
            }
            int step = ((x - x0) % 3 == 1) ? 1 : 2;
            if ((x - x0) % 3 == 2) step = 3;
            if (Rand(x, y, 197) < 0.08f) step = 1;
            Rgb c = Step(kDarkWood, step + 1);
            if ((top && y == 12) || (!top && y == 8)) c = kIron[2];
            Px(t, x, y, c);
        }
    if (!top) {
        Px(t, 10, 4, kYellow[3]);
        Px(t, 10, 5, kYellow[1]);
        Px(t, 9, 14, kDarkWood[0]);
        for (int x = x0 - 1; x <= x1 + 1; ++x)
            Px(t, x, 15, kStone[x == x0 - 1 ? 4 : 3]);
    }
}

// One roof piece: rows of scalloped shingles; `row` 0 ridge, 1 slope, 2 eave; `end` which side.
Canvas RoofPiece(const Ramp& r, int row, Edge end, int seed) {
    Canvas t(kTileSize, kTileSize);
    for (int y = 0; y < kTileSize; ++y)
        for (int x = 0; x < kTileSize; ++x) {
            const int gy = row * 16 + y; // position down the whole slope, for the shingle courses
            const int course = gy / 4, iy = gy & 3;
            const int sx = (x + (course & 1) * 2) & 3;
            int step = 2;
            if (iy == 3)
                step = 1;
            else if (iy == 0)
                step = 3;
            if (sx == 3 && iy >= 1) step = 1;
            if (sx == 0 && iy >= 1 && iy <= 2) step = 3;
            if (Rand(x, gy, seed) < 0.07f) step = std::max(1, step - 1);
            // Nearer the ridge the roof catches more light.
            if (row == 0 && y < 8 && step == 2 && Rand(x, y, seed + 1) < 0.5f) step = 3;
            Rgb c = Step(r, step);
            if (row == 0 && y < 3) c = y == 0 ? r[0] : (y == 1 ? r[4] : r[3]);
            if (row == 2 && y >= 13) c = y == 15 ? r[0] : r[1];
            if (end == EDGE_LEFT && x < 2) c = x == 0 ? r[0] : r[3];
            if (end == EDGE_RIGHT && x > 13) c = x == 15 ? r[0] : r[1];
            Px(t, x, y, c);
        }
    // Round the outer corners of the roof off.
    auto clear = [&](int x, int y) { t.Put(x, y, 0, 0, 0, 0); };
    if (row == 0 && end == EDGE_LEFT) {
        clear(0, 0), clear(1, 0), clear(0, 1);
        Px(t, 1, 1, r[0]), Px(t, 2, 0, r[0]);
    }
    if (row == 0 && end == EDGE_RIGHT) {
        clear(15, 0), clear(14, 0), clear(15, 1);
        Px(t, 14, 1, r[0]), Px(t, 13, 0, r[0]);
    }
    return t;
}

Canvas Chimney(const Ramp& roof) {
    Canvas t = RoofPiece(roof, 1, EDGE_NONE, 211);
    for (int y = 3; y <= 13; ++y)
        Px(t, 14, y, roof[1]); // its shadow on the roof
    for (int y = 0; y <= 12; ++y)
        for (int x = 8; x <= 13; ++x) {
            Rgb c = ((y & 3) == 3 || ((x + (y / 4) * 2) % 4 == 0)) ? kStone[1] : kRoofRed[2];
            c = Mix(c, kStone[2], 0.35f);
            if (x == 8) c = kStone[3];
            if (x == 13 || y == 12) c = kStone[0];
            Px(t, x, y, c);
        }
    for (int x = 7; x <= 14; ++x)
        Px(t, x, 0, kStone[0]);
    for (int x = 8; x <= 13; ++x)
        Px(t, x, 1, x == 8 ? kStone[4] : kStone[3]);
    for (int x = 9; x <= 12; ++x)
        Px(t, x, 2, kIron[0]);
    return t;
}

// ---- interior ----------------------------------------------------------------------------

// The back wall of a room: the upper half has the moulding under the ceiling, the lower
// half the wooden panelling and skirting.
Canvas InWall(bool upper) {
    return Tile([upper](int x, int y) {
        if (upper && y <= 2) return y == 0 ? kDarkWood[0] : (y == 1 ? kDarkWood[3] : kDarkWood[1]);
        if (!upper && y == 15) return kDarkWood[0];
        if (upper || y <= 6) {
            const bool stripe = ((x + 1) & 3) == 0;
            Rgb c = stripe ? kPlaster[3] : kPlaster[2];
            if (stripe && (y & 1)) c = Mix(kPlaster[2], kRed[3], 0.25f);
            if (Rand(x, y + (upper ? 0 : 16), 223) < 0.05f) c = kPlaster[1];
            return c;
        }
        if (y == 7) return kWood[4];
        if (y == 8) return kWood[1];
        if ((x & 7) == 7) return kWood[1];
        if ((x & 7) == 0) return kWood[3];
        return Rand(x, y, 227) < 0.1f ? kWood[1] : kWood[2];
    });
}

Canvas InWallTop() {
    return Tile([](int x, int y) {
        const float n = Smooth(static_cast<float>(x), static_cast<float>(y), 4, 229);
        int step = n < 0.4f ? 1 : 2;
        if (Rand(x, y, 233) < 0.12f)
            step = 0;
        else if (Rand(x, y, 239) < 0.1f)
            step = 3;
        const Ramp top = {{{26, 22, 24}, {48, 40, 40}, {64, 54, 52}, {80, 70, 66}, {100, 90, 84}}};
        return Step(top, step);
    });
}

// ---- objects --------------------------------------------------------------------------------

Canvas RoundTree() {
    Canvas s(32, 48);
    // Trunk with roots; its left side catches the light.
    for (int y = 28; y <= 44; ++y)
        for (int x = 11; x <= 20; ++x) {
            int half = y >= 42 ? 5 : (y >= 40 ? 4 : 3);
            if (x < 16 - half || x > 15 + half) continue;
            const int rel = x - (16 - half);
            int step = rel <= 1 ? 3 : (rel >= 2 * half - 2 ? 1 : 2);
            if (Rand(x / 2, y, 241) < 0.25f) step = std::max(1, step - 1);
            Px(s, x, y, Step(kWood, step));
        }
    struct Cluster {
        float x, y, r;
    };
    const Cluster crown[] = {{16, 15, 13}, {8, 13, 7},  {23, 11, 7}, {15, 7, 7.5f}, {7, 22, 7},
                             {25, 21, 7},  {16, 25, 8}, {11, 17, 6}, {20, 17, 6}};
    int seed = 251;
    for (const Cluster& k : crown)
        Ball(s, k.x, k.y, k.r, k.r * 0.95f, kLeaf, seed++);
    // Leaf texture: single darker pixels and bright pixels where the sun hits.
    for (int y = 0; y < 34; ++y)
        for (int x = 0; x < 32; ++x) {
            if (Alpha(s, x, y) != 255 || y > 33) continue;
            const float n = Rand(x, y, 263);
            Rgb c = Get(s, x, y);
            if (n < 0.08f)
                Px(s, x, y, Scale(c, 0.8f));
            else if (n > 0.95f && x + y < 30)
                Px(s, x, y, kLeaf[4]);
        }
    // Under the crown the trunk lies in shade.
    for (int x = 11; x <= 20; ++x)
        for (int y = 30; y <= 35; ++y) {
            const std::uint8_t* p = s.At(x, y);
            if (p[3] == 255 && Get(s, x, y).g < 100 && Get(s, x, y).r > 60) Px(s, x, y, kWood[0]);
        }
    Outline(s);
    Shadow(s, 16, 44, 12, 3.5f, 80);
    return s;
}

Canvas PineTree() {
    Canvas s(32, 48);
    for (int y = 36; y <= 44; ++y)
        for (int x = 14; x <= 17; ++x)
            Px(s, x, y, Step(kWood, x == 14 ? 3 : (x == 17 ? 1 : 2)));
    struct Tier {
        int top, bottom;
        float half;
    };
    const Tier tiers[] = {{1, 13, 6}, {6, 21, 9.5f}, {12, 30, 12.5f}, {18, 39, 14.5f}};
    for (const Tier& t : tiers)
        for (int y = t.top; y <= t.bottom + 1; ++y)
            for (int x = 0; x < 32; ++x) {
                const float f = static_cast<float>(y - t.top) / (t.bottom - t.top);
                const float half = 1 + (t.half - 1) * f;
                const float dx = x + 0.5f - 16;
                if (std::fabs(dx) > half) continue;
                // The lower edge of each tier hangs in points.
                const int tooth = static_cast<int>(std::fabs(std::fmod(x + 0.5f, 4.0f) - 2));
                if (y > t.bottom - 1 + tooth) continue;
                const float side = dx / std::max(1.0f, half);
                int step = side < -0.35f ? 3 : (side < 0.3f ? 2 : 1);
                if (y >= t.bottom - 1 + tooth - 1) step = 1;
                if (side < -0.6f && y < t.bottom - 3 && Rand(x, y, 271) < 0.5f) step = 4;
                if (Rand(x, y, 277) < 0.1f) step = std::max(1, step - 1);
                Px(s, x, y, Step(kPine, step));
            }
    Outline(s);
    Shadow(s, 16, 44, 11, 3.5f, 80);
    return s;
}

Canvas SmallTree() {
    Canvas s(16, 32);
    for (int y = 16; y <= 28; ++y)
        for (int x = 6; x <= 9; ++x)
            Px(s, x, y, Step(kWood, x == 6 ? 3 : (x == 9 ? 1 : 2)));
    Ball(s, 8, 10, 6.5f, 6.5f, kLeaf, 281);
    Ball(s, 5, 13, 4, 4, kLeaf, 283);
    Ball(s, 11, 13, 4, 4, kLeaf, 285);
    Ball(s, 8, 7, 4.5f, 4.5f, kLeaf, 287);
    Outline(s);
    Shadow(s, 8, 28.5f, 6, 2.5f, 80);
    return s;
}

Canvas Bush(bool berries) {
    Canvas s(16, 16);
    Ball(s, 5, 10, 4.5f, 4, kLeaf, 291);
    Ball(s, 11, 10, 4.5f, 4, kLeaf, 293);
    Ball(s, 8, 7, 5, 4.5f, kLeaf, 295);
    if (berries) {
        const int at[][2] = {{5, 8}, {9, 5}, {11, 10}, {7, 11}, {12, 7}};
        for (const auto& b : at) {
            Px(s, b[0], b[1], kRed[2]);
            Px(s, b[0] + 1, b[1], kRed[1]);
            Px(s, b[0], b[1] + 1, kRed[1]);
            Px(s, b[0], b[1] - 1, kRed[4]);
        }
    }
    Outline(s);
    Shadow(s, 8, 14, 7, 2, 70);
    return s;
}

Canvas Flowers(const Ramp& petal, int seed) {
    Canvas s(16, 16);
    const int at[][2] = {{3, 5}, {9, 3}, {12, 8}, {6, 10}, {2, 12}, {11, 13}};
    for (const auto& f : at) {
        const int x = f[0] + static_cast<int>(Rand(f[0], f[1], seed) * 2), y = f[1];
        Px(s, x, y + 2, kGrass[1]);
        Px(s, x, y + 3, kGrass[1]);
        Px(s, x + 1, y + 3, kGrass[2]);
        Px(s, x - 1, y, petal[3]);
        Px(s, x + 1, y, petal[2]);
        Px(s, x, y - 1, petal[4]);
        Px(s, x, y + 1, petal[1]);
        Px(s, x, y, kYellow[2]);
        if (&petal == &kYellow) Px(s, x, y, kRoofRed[2]);
    }
    Outline(s);
    return s;
}

Canvas Rock(bool big) {
    Canvas s(16, 16);
    if (big) {
        Ball(s, 7, 8, 6, 5, kStone, 301, false);
        Ball(s, 10.5f, 10, 4.5f, 4, kStone, 303, false);
        Ball(s, 5, 11, 4, 3, kStone, 305, false);
    } else {
        Ball(s, 8, 10, 4.5f, 3.5f, kStone, 307, false);
    }
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (Alpha(s, x, y) == 255 && Rand(x, y, 311) < 0.06f) Px(s, x, y, kStone[1]);
    Outline(s);
    Shadow(s, 8.5f, big ? 14 : 13.5f, big ? 7.5f : 5.5f, 2, 70);
    return s;
}

Canvas Sign() {
    Canvas s(16, 16);
    Rect(s, 7, 8, 8, 14, kWood[2]);
    Px(s, 7, 9, kWood[3]);
    Box(s, 2, 2, 13, 8, kWood);
    for (int x = 4; x <= 11; ++x)
        if (Rand(x, 0, 313) < 0.75f) Px(s, x, 4, kDarkWood[1]);
    for (int x = 4; x <= 9; ++x)
        if (Rand(x, 1, 313) < 0.75f) Px(s, x, 6, kDarkWood[1]);
    Outline(s);
    Shadow(s, 8, 15, 4, 1.2f, 70);
    return s;
}

Canvas Lamp() {
    Canvas s(16, 32);
    // Glow first, so the lantern draws over it.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const float dx = x + 0.5f - 8, dy = y + 0.5f - 7;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d < 7.5f) Px(s, x, y, kYellow[4], static_cast<int>(70 * (1 - d / 7.5f)));
        }
    Rect(s, 7, 11, 8, 29, kIron[2]);
    for (int y = 11; y <= 29; ++y)
        Px(s, 7, y, kIron[3]);
    Rect(s, 5, 28, 10, 29, kIron[1]);
    for (int x = 5; x <= 10; ++x)
        Px(s, x, 28, kIron[3]);
    Rect(s, 5, 4, 10, 10, kIron[1]);
    Rect(s, 6, 5, 9, 9, kYellow[3]);
    Px(s, 6, 5, kYellow[4]), Px(s, 7, 5, kYellow[4]), Px(s, 6, 6, kYellow[4]);
    Px(s, 9, 9, kYellow[1]);
    for (int x = 4; x <= 11; ++x)
        Px(s, x, 3, kIron[2]);
    for (int x = 5; x <= 10; ++x)
        Px(s, x, 2, kIron[3]);
    Px(s, 7, 1, kIron[3]), Px(s, 8, 1, kIron[2]);
    // The outline must skip the glow, so it runs on a copy without it.
    Canvas solid = s;
    for (auto i = 0u; i < solid.rgba.size(); i += 4)
        if (solid.rgba[i + 3] != 255) solid.rgba[i + 3] = 0;
    Outline(solid);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 16; ++x)
            if (Alpha(solid, x, y) == 255 && Alpha(s, x, y) != 255) {
                const std::uint8_t* p = solid.At(x, y);
                s.Put(x, y, p[0], p[1], p[2], 255);
            }
    Shadow(s, 9, 30, 4, 1.5f, 70);
    return s;
}

Canvas Bed() {
    Canvas s(16, 32);
    Box(s, 2, 0, 13, 5, kDarkWood);   // headboard
    Rect(s, 3, 6, 12, 28, kWhite[2]); // sheet
    Box(s, 4, 6, 11, 11, kWhite);     // pillow
    Px(s, 5, 7, kWhite[4]), Px(s, 6, 7, kWhite[4]);
    for (int y = 13; y <= 28; ++y) // blanket with a fold
        for (int x = 3; x <= 12; ++x) {
            int step = x == 3 ? 3 : (x == 12 ? 1 : 2);
            if (y == 13) step = 4;
            if (y == 14) step = 1;
            if ((x + y) % 6 == 0 && y > 15) step = 3;
            Px(s, x, y, Step(kBlue, step));
        }
    Box(s, 2, 27, 13, 30, kDarkWood); // footboard
    for (int y = 6; y <= 27; ++y)
        Px(s, 2, y, kDarkWood[2]), Px(s, 13, y, kDarkWood[1]);
    Outline(s);
    Shadow(s, 8, 31, 7, 1.2f, 60);
    return s;
}

Canvas Shelf() {
    Canvas s(16, 32);
    Box(s, 2, 0, 13, 30, kDarkWood);
    const Ramp* colours[] = {&kRed, &kBlue, &kYellow, &kLeaf, &kRoofRed, &kSlate, &kPlaster};
    const int shelves[][2] = {{2, 9}, {11, 19}, {21, 28}};
    int k = 0;
    for (const auto& sh : shelves) {
        Rect(s, 3, sh[0], 12, sh[1], kDarkWood[0]);
        for (int x = 3; x <= 12; ++x)
            Px(s, x, sh[1] + 1, kWood[3]);
        int x = 3;
        while (x <= 11) {
            const int w = 1 + static_cast<int>(Rand(x, sh[0], 317) * 2);
            const int top = sh[0] + 1 + static_cast<int>(Rand(x, sh[0], 331) * 3);
            const Ramp& r = *colours[(k++ * 3 + x) % 7];
            for (int bx = x; bx < std::min(x + w, 13); ++bx)
                for (int y = top; y <= sh[1]; ++y)
                    Px(s, bx, y, bx == x ? r[3] : r[2]);
            Px(s, x, top + 2, r[4]);
            x += w + (Rand(x, sh[1], 337) < 0.2f ? 1 : 0);
        }
    }
    Outline(s);
    Shadow(s, 8, 31, 7, 1.2f, 60);
    return s;
}

Canvas Table() {
    Canvas s(32, 16);
    Rect(s, 3, 11, 4, 14, kDarkWood[1]);
    Rect(s, 27, 11, 28, 14, kDarkWood[1]);
    for (int y = 1; y <= 10; ++y)
        for (int x = 1; x <= 30; ++x) {
            int step = (y % 4 == 0) ? 1 : 3;
            if (y == 1 || x == 1) step = 4;
            if (Rand(x / 3, y, 341) < 0.15f && step == 3) step = 2;
            Px(s, x, y, Step(kWood, step));
        }
    for (int x = 1; x <= 30; ++x)
        Px(s, x, 11, kWood[1]), Px(s, x, 12, kDarkWood[1]);
    // A bowl of fruit and a candle.
    Ball(s, 11, 5, 4, 2.5f, kWhite, 343, false);
    Px(s, 10, 4, kRed[2]), Px(s, 11, 4, kRed[3]), Px(s, 12, 5, kYellow[2]), Px(s, 10, 5, kLeaf[3]);
    Rect(s, 22, 3, 23, 7, kWhite[3]);
    Px(s, 22, 2, kYellow[4]), Px(s, 22, 1, kYellow[2]);
    Outline(s);
    Shadow(s, 16, 15, 14, 1.5f, 60);
    return s;
}

Canvas Chair(bool faces_down) {
    Canvas s(16, 16);
    auto spindles = [&](int y0, int y1) {
        for (int x = 4; x <= 11; x += 7)
            for (int y = y0; y <= y1; ++y)
                Px(s, x, y, x == 4 ? kDarkWood[3] : kDarkWood[1]);
        for (int x = 6; x <= 9; x += 3)
            for (int y = y0 + 2; y <= y1; ++y)
                Px(s, x, y, kDarkWood[2]);
        for (int x = 4; x <= 11; ++x)
            Px(s, x, y0, kDarkWood[3]), Px(s, x, y0 + 1, kDarkWood[2]);
    };
    if (faces_down) { // the back rises behind the seat, at the top of the picture
        Rect(s, 4, 12, 4, 14, kDarkWood[1]);
        Rect(s, 11, 12, 11, 14, kDarkWood[1]);
        spindles(1, 7);
        Box(s, 3, 7, 12, 11, kWood);
    } else { // seen from behind: the back stands in front of the seat
        Box(s, 3, 2, 12, 6, kWood);
        Rect(s, 4, 12, 4, 14, kDarkWood[1]);
        Rect(s, 11, 12, 11, 14, kDarkWood[1]);
        spindles(5, 12);
    }
    Outline(s);
    Shadow(s, 8, 14.5f, 6, 1.5f, 60);
    return s;
}

Canvas Well() {
    Canvas s(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const float dx = (x + 0.5f - 16) / 13.0f, dy = (y + 0.5f - 19) / 10.0f;
            const float d = dx * dx + dy * dy;
            if (d > 1) continue;
            const float ix = (x + 0.5f - 16) / 8.5f, iy = (y + 0.5f - 18) / 6.0f;
            if (ix * ix + iy * iy <= 1) {
                Px(s, x, y, iy < -0.4f ? kDeep[0] : (Rand(x, y, 347) < 0.15f ? kDeep[2] : kDeep[1]));
                continue;
            }
            // Stones of the ring, by angle.
            const float ang = std::atan2(dy, dx);
            const int stone = static_cast<int>((ang + kPi) / (2 * kPi) * 14);
            const float edge =
                std::fmod((ang + static_cast<float>(kPi)) / (2 * static_cast<float>(kPi)) * 14, 1.0f);
            int step = Rand(stone, 0, 349) < 0.5f ? 2 : 3;
            if (edge < 0.12f) step = 1;
            if (dy < 0 && d > 0.8f) step = 4;
            if (dy > 0.3f && d > 0.85f) step = 1;
            Px(s, x, y, Step(kStone, step));
        }
    Rect(s, 4, 3, 5, 20, kWood[2]);
    Rect(s, 26, 3, 27, 20, kWood[1]);
    for (int y = 3; y <= 20; ++y)
        Px(s, 4, y, kWood[3]);
    Box(s, 2, 2, 29, 5, kWood);
    Rect(s, 15, 6, 15, 12, kPlaster[1]);
    Box(s, 13, 12, 18, 16, kDarkWood);
    Px(s, 14, 12, kIron[3]), Px(s, 17, 12, kIron[3]);
    Outline(s);
    Shadow(s, 17, 29, 14, 3, 70);
    return s;
}

Canvas Fireplace() {
    Canvas s(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 2; x <= 29; ++x) {
            const int course = y / 4, offset = (course & 1) * 3;
            const bool mortar = (y & 3) == 3 || ((x + offset) % 6) == 0;
            int step = mortar ? 1 : (Rand((x + offset) / 6, course, 353) < 0.5f ? 2 : 3);
            if (x == 2) step = 4;
            if (x == 29) step = 1;
            Px(s, x, y, Step(kStone, step));
        }
    Box(s, 0, 13, 31, 16, kWood); // mantel shelf
    for (int y = 18; y <= 30; ++y)
        for (int x = 8; x <= 23; ++x) {
            const float dx = x + 0.5f - 16, dy = y + 0.5f - 24;
            if (y < 24 && dx * dx + dy * dy > 64) continue;
            Px(s, x, y, kIron[0]);
        }
    // Flames over two logs.
    for (int y = 21; y <= 28; ++y)
        for (int x = 10; x <= 21; ++x) {
            const float h = 28 - y;
            const float wid = 6 - h * 0.7f + std::sin(x * 1.7f) * 1.2f;
            if (std::fabs(x + 0.5f - 16) > wid) continue;
            const float heat = h / 7 + std::fabs(x + 0.5f - 16) / 8;
            Px(s, x, y, heat < 0.4f ? kYellow[4] : (heat < 0.8f ? kYellow[2] : kRoofRed[3]));
        }
    Rect(s, 10, 28, 21, 29, kWood[1]);
    for (int x = 10; x <= 21; ++x)
        Px(s, x, 28, kWood[3]);
    for (int x = 6; x <= 25; ++x)
        Px(s, x, 31, kStone[3]);
    Px(s, 8, 14, kYellow[3]), Px(s, 9, 14, kYellow[2]), Px(s, 23, 14, kRed[3]), Px(s, 24, 14, kRed[2]);
    Outline(s);
    return s;
}

Canvas Barrel() {
    Canvas s(16, 16);
    for (int y = 3; y <= 14; ++y)
        for (int x = 3; x <= 12; ++x) {
            const float bulge = (y >= 5 && y <= 12) ? 1 : 0;
            if (x < 3 + 1 - bulge || x > 12 - 1 + bulge) continue;
            int step = x <= 4 ? 3 : (x >= 11 ? 1 : 2);
            if ((x & 1) == 0 && step == 2) step = 3;
            Rgb c = Step(kWood, step);
            if (y == 6 || y == 12) c = Step(kIron, step);
            Px(s, x, y, c);
        }
    for (int x = 4; x <= 11; ++x) {
        Px(s, x, 2, kWood[3]);
        Px(s, x, 3, x < 6 ? kWood[4] : kWood[3]);
    }
    Outline(s);
    Shadow(s, 8, 15, 6, 1.5f, 70);
    return s;
}

Canvas Crate() {
    Canvas s(16, 16);
    Box(s, 2, 3, 13, 14, kWood);
    for (int i = 0; i <= 9; ++i) {
        Px(s, 3 + i, 4 + i, kWood[1]);
        Px(s, 12 - i, 4 + i, kWood[1]);
    }
    Rect(s, 2, 3, 13, 4, kWood[4]);
    for (int x = 2; x <= 13; ++x)
        Px(s, x, 4, kWood[3]);
    Outline(s);
    Shadow(s, 8, 15, 7, 1.5f, 70);
    return s;
}

Canvas Stump() {
    Canvas s(16, 16);
    Rect(s, 3, 7, 12, 13, kWood[2]);
    for (int y = 7; y <= 13; ++y)
        Px(s, 3, y, kWood[3]), Px(s, 12, y, kWood[1]), Px(s, 8, y, kWood[1]);
    Px(s, 2, 13, kWood[2]), Px(s, 13, 13, kWood[1]);
    for (int y = 3; y <= 8; ++y)
        for (int x = 3; x <= 12; ++x) {
            const float dx = (x + 0.5f - 8) / 5, dy = (y + 0.5f - 6) / 3;
            const float d = dx * dx + dy * dy;
            if (d > 1) continue;
            const int ring = static_cast<int>(std::sqrt(d) * 4);
            Px(s, x, y, ring % 2 ? kDirt[3] : kSand[1]);
        }
    Outline(s);
    Shadow(s, 8, 14.5f, 7, 1.5f, 70);
    return s;
}

Canvas Chest() {
    Canvas s(16, 16);
    Box(s, 2, 5, 13, 13, kWood);
    Box(s, 2, 3, 13, 7, kDarkWood);
    for (int x = 2; x <= 13; ++x)
        Px(s, x, 8, kIron[1]);
    Rect(s, 7, 7, 8, 10, kYellow[2]);
    Px(s, 7, 7, kYellow[4]), Px(s, 8, 10, kYellow[0]);
    Outline(s);
    Shadow(s, 8, 14.5f, 7, 1.5f, 70);
    return s;
}

Canvas PotPlant() {
    Canvas s(16, 16);
    for (int y = 9; y <= 14; ++y)
        for (int x = 4; x <= 11; ++x) {
            const int inset = (y - 9) / 3;
            if (x < 4 + inset || x > 11 - inset) continue;
            Px(s, x, y, Step(kRoofRed, x <= 5 + inset ? 3 : (x >= 10 - inset ? 1 : 2)));
        }
    for (int x = 3; x <= 12; ++x)
        Px(s, x, 9, kRoofRed[3]);
    Ball(s, 8, 5, 4.5f, 4, kLeaf, 359);
    Ball(s, 5, 7, 2.5f, 2.5f, kLeaf, 361);
    Ball(s, 11, 7, 2.5f, 2.5f, kLeaf, 363);
    Outline(s);
    return s;
}

Canvas Mushrooms() {
    Canvas s(16, 16);
    const int at[][3] = {{4, 6, 4}, {11, 9, 3}, {7, 11, 3}}; // cap centre x, cap bottom y, half width
    for (const auto& m : at) {
        const int cx = m[0], cy = m[1], hw = m[2];
        Rect(s, cx - 1, cy, cx, cy + 3, kWhite[2]);
        Px(s, cx - 1, cy, kWhite[1]), Px(s, cx, cy + 3, kWhite[1]);
        for (int y = cy - hw; y <= cy; ++y)
            for (int x = cx - hw - 1; x <= cx + hw; ++x) {
                const float dx = (x + 0.5f - cx) / (hw + 0.5f),
                            dy = (y + 0.5f - cy - 0.5f) / (hw * 0.8f + 0.5f);
                if (dx * dx + dy * dy > 1) continue;
                int step = dx + dy < -0.7f ? 3 : (dx > 0.4f || y == cy ? 1 : 2);
                Px(s, x, y, Step(kRed, step));
            }
        Px(s, cx - 2, cy - hw + 1, kWhite[4]), Px(s, cx + 1, cy - 1, kWhite[3]),
            Px(s, cx - 1, cy - 2, kWhite[4]);
    }
    Outline(s);
    Shadow(s, 8, 14.5f, 6, 1.5f, 60);
    return s;
}

void RugPiece(Canvas& s) {
    for (int y = 2; y <= 13; ++y)
        for (int x = 1; x <= 30; ++x) {
            Rgb c = kRed[2];
            const bool border = y == 3 || y == 12 || x == 2 || x == 29;
            const int cx = std::abs(x * 2 - 31), cy = std::abs(y * 2 - 15);
            if (border)
                c = kYellow[2];
            else if ((cx + cy * 2) % 10 < 2)
                c = kYellow[3];
            else if ((cx + cy) % 8 < 2)
                c = kRed[1];
            if (y == 2 || y == 13 || x == 1 || x == 30) c = kRed[0];
            Px(s, x, y, c);
        }
    for (int y = 3; y <= 12; y += 2)
        Px(s, 0, y, kWhite[2]), Px(s, 31, y, kWhite[2]);
}

Canvas Log() {
    Canvas s(16, 16);
    for (int y = 7; y <= 12; ++y)
        for (int x = 1; x <= 12; ++x)
            Px(s, x, y, Step(kWood, y == 7 ? 3 : (y == 12 ? 1 : (x % 4 == 0 ? 1 : 2))));
    for (int y = 7; y <= 12; ++y)
        for (int x = 12; x <= 15; ++x) {
            const float dx = (x + 0.5f - 13) / 2.5f, dy = (y + 0.5f - 10) / 3;
            if (dx * dx + dy * dy <= 1) Px(s, x, y, (dx * dx + dy * dy) < 0.35f ? kDirt[3] : kSand[1]);
        }
    Outline(s);
    Shadow(s, 8, 13.5f, 7, 1.5f, 70);
    return s;
}

Canvas LilyPad() {
    Canvas s(16, 16);
    Ball(s, 7, 9, 5, 3.5f, kGrass, 371, false);
    for (int i = 0; i < 4; ++i)
        s.Put(7 + i, 9 - i / 2, 0, 0, 0, 0); // the notch
    Px(s, 10, 5, kRed[4]), Px(s, 11, 5, kRed[3]), Px(s, 10, 4, kWhite[4]), Px(s, 11, 6, kRed[3]);
    Outline(s);
    return s;
}

Canvas Reeds() {
    Canvas s(16, 16);
    const int at[][2] = {{3, 5}, {6, 2}, {9, 4}, {12, 6}, {5, 7}};
    for (const auto& r : at) {
        for (int y = r[1]; y <= 14; ++y)
            Px(s, r[0], y, y < r[1] + 4 ? kDirt[1] : kGrass[2]);
        Px(s, r[0], r[1], kDirt[0]);
        Px(s, r[0] + 1, r[1] + 6, kGrass[3]);
    }
    Outline(s);
    return s;
}

// Fences: rails at two heights, posts of split wood; which sides the rails run to.
Canvas Fence(bool left, bool right, bool up, bool down) {
    Canvas s(16, 16);
    auto rail = [&](int x0, int x1, int y) {
        for (int x = x0; x <= x1; ++x)
            Px(s, x, y, kWood[3]), Px(s, x, y + 1, kWood[1]);
    };
    if (left) rail(0, 7, 5), rail(0, 7, 10);
    if (right) rail(8, 15, 5), rail(8, 15, 10);
    if (up || down)
        for (int y = up ? 0 : 8; y <= (down ? 15 : 8); ++y)
            Px(s, 6, y, kWood[4]), Px(s, 7, y, kWood[3]), Px(s, 8, y, kWood[2]), Px(s, 9, y, kWood[1]);
    const int post_top = (up || down) && !left && !right ? 4 : 3;
    Rect(s, 6, post_top, 9, 12, kWood[2]);
    for (int y = post_top; y <= 12; ++y)
        Px(s, 6, y, kWood[3]), Px(s, 9, y, kWood[1]);
    Rect(s, 6, post_top, 9, post_top, kWood[4]);
    for (int x = 6; x <= 9; ++x)
        Px(s, x, 12, kDarkWood[1]);
    Outline(s);
    for (int x = 0; x < 16; ++x)
        if ((left && x < 8) || (right && x >= 8) || (x >= 5 && x <= 10))
            if (Alpha(s, x, 14) == 0) Px(s, x, 14, {10, 20, 12}, 60);
    return s;
}

Canvas BridgeDeck(bool top_rail) {
    Canvas t = Tile([](int x, int y) {
        // Planks run across the way over the water.
        const int ix = x & 3;
        if (ix == 3) return kDarkWood[0];
        int step = ix == 0 ? 3 : 2;
        if (Rand(x / 4, y / 3, 373) < 0.2f && ix != 0) step = 1;
        if ((y == 4 || y == 11) && ix == 1) return kIron[1]; // nails
        return Step(kWood, step);
    });
    const int y0 = top_rail ? 0 : 11;
    for (int x = 0; x < 16; ++x) {
        Px(t, x, y0, kDarkWood[0]);
        Px(t, x, y0 + 1, kWood[4]);
        Px(t, x, y0 + 2, kWood[2]);
        Px(t, x, y0 + 3, kWood[1]);
        Px(t, x, y0 + 4, top_rail ? kDarkWood[1] : kDarkWood[0]);
    }
    for (int y = y0; y <= y0 + 4; ++y)
        Px(t, 7, y, kDarkWood[0]), Px(t, 8, y, kDarkWood[2]);
    return t;
}

} // namespace

Canvas DrawWorldTiles() {
    Canvas sheet(kTilesPerRow * kTileSize, kTileRows * kTileSize);
    // Row 0: plain ground.
    for (int v = 0; v < 4; ++v) {
        Canvas t = Tile([v](int x, int y) { return GrassPixel(kGrass, x, y, v); });
        if (v == 2) { // tufts
            const int at[][2] = {{3, 4}, {10, 9}, {5, 12}};
            for (const auto& a : at) {
                Px(t, a[0], a[1], kGrass[4]), Px(t, a[0] - 1, a[1] + 1, kGrass[3]);
                Px(t, a[0] + 1, a[1] + 1, kGrass[3]), Px(t, a[0], a[1] + 1, kGrass[1]);
                Px(t, a[0] - 1, a[1] + 2, kGrass[1]), Px(t, a[0] + 1, a[1] + 2, kGrass[1]);
            }
        }
        if (v == 3) { // tiny flowers
            const int at[][2] = {{4, 3}, {11, 7}, {6, 12}};
            for (const auto& a : at) {
                const Ramp& p = (a[0] == 11) ? kYellow : kWhite;
                Px(t, a[0], a[1], kYellow[2]), Px(t, a[0] - 1, a[1], p[3]), Px(t, a[0] + 1, a[1], p[3]);
                Px(t, a[0], a[1] - 1, p[4]), Px(t, a[0], a[1] + 1, p[2]);
            }
        }
        PasteAt(sheet, t, T_GRASS + v);
    }
    for (int v = 0; v < 2; ++v) {
        PasteAt(sheet, Tile([v](int x, int y) { return DirtPixel(x, y, v); }), T_DIRT + v);
        PasteAt(sheet, Tile([v](int x, int y) { return SandPixel(x, y, v); }), T_SAND + v);
        PasteAt(sheet, Tile([v](int x, int y) { return WaterPixel(kDeep, x, y, v, true); }), T_DEEP + v);
        PasteAt(sheet, Tile([v](int x, int y) { return CobblePixel(x, y, v); }), T_COBBLE + v);
        PasteAt(sheet, Tile([v](int x, int y) { return WoodFloorPixel(x, y, v); }), T_WOODFLOOR + v);
    }
    PasteAt(sheet, Tile([](int x, int y) { return WaterPixel(kShallow, x, y, 0, false); }), T_SHALLOW);
    PasteAt(sheet, Tile(ForestFloorPixel), T_FORESTFLOOR);

    // Rows 1..4: transitions.
    for (int mask = 0; mask < 16; ++mask) {
        PasteAt(sheet, TransitionTile(G_DIRT, G_GRASS, mask), T_DIRT_GRASS + mask);
        PasteAt(sheet, TransitionTile(G_GRASS, G_SAND, mask), T_GRASS_SAND + mask);
        PasteAt(sheet, TransitionTile(G_SAND, G_SHALLOW, mask), T_SAND_WATER + mask);
        PasteAt(sheet, TransitionTile(G_SHALLOW, G_DEEP, mask), T_WATER_DEEP + mask);
    }

    // Row 5: walls and doors.
    const Edge edges[3] = {EDGE_LEFT, EDGE_NONE, EDGE_RIGHT};
    for (int i = 0; i < 3; ++i) {
        PasteAt(sheet, StoneWall(edges[i]), T_STONEWALL_L + i);
        PasteAt(sheet, WoodWall(edges[i]), T_WOODWALL_L + i);
    }
    Canvas t = StoneWall(EDGE_NONE);
    Window(t, 3, 2, 12, 11, true);
    PasteAt(sheet, t, T_STONEWALL_WINDOW);
    t = WoodWall(EDGE_NONE);
    Window(t, 3, 2, 12, 11, true);
    PasteAt(sheet, t, T_WOODWALL_WINDOW);
    for (int top = 0; top < 2; ++top) {
        t = StoneWall(EDGE_NONE);
        Door(t, top == 1, kStone);
        PasteAt(sheet, t, top ? T_STONEDOOR_TOP : T_STONEDOOR);
        t = WoodWall(EDGE_NONE);
        Door(t, top == 1, kWood);
        PasteAt(sheet, t, top ? T_WOODDOOR_TOP : T_WOODDOOR);
    }
    PasteAt(sheet, InWall(false), T_INWALL);
    PasteAt(sheet, InWall(true), T_INWALL_UPPER);
    t = InWall(true);
    Window(t, 3, 4, 12, 14, false);
    PasteAt(sheet, t, T_INWALL_WINDOW);
    PasteAt(sheet, InWallTop(), T_INWALL_TOP);
    t = Tile([](int x, int y) { return WoodFloorPixel(x, y, 0); });
    for (int y = 3; y <= 12; ++y)
        for (int x = 1; x <= 14; ++x) {
            Rgb c = ((x + y) & 1) ? kRed[2] : kRed[1];
            if (y == 3 || y == 12 || x == 1 || x == 14)
                c = kRed[0];
            else if (y == 5 || y == 10)
                c = kYellow[1];
            Px(t, x, y, c);
        }
    for (int y = 4; y <= 11; y += 2)
        Px(t, 0, y, kPlaster[3]), Px(t, 15, y, kPlaster[3]);
    PasteAt(sheet, t, T_DOORMAT);

    // Rows 6 and 7: roofs, then the rest of the rows.
    const Ramp* roofs[2] = {&kRoofRed, &kSlate};
    const int bases[2] = {T_ROOF_RED, T_ROOF_SLATE};
    for (int k = 0; k < 2; ++k) {
        for (int row = 0; row < 3; ++row)
            for (int i = 0; i < 3; ++i)
                PasteAt(sheet, RoofPiece(*roofs[k], row, edges[i], 200 + k), bases[k] + row * 3 + i);
        PasteAt(sheet, Chimney(*roofs[k]), bases[k] + kRoofChimney);
    }
    PasteAt(sheet, BridgeDeck(true), T_BRIDGE_TOP);
    PasteAt(sheet, BridgeDeck(false), T_BRIDGE_BOTTOM);
    PasteAt(sheet, Tile(StoneFloorPixel), T_STONEFLOOR);
    PasteAt(sheet, Tile(SoilPixel), T_SOIL);
    t = InWall(true);
    Rect(t, 3, 5, 12, 12, kYellow[1]);
    for (int x = 3; x <= 12; ++x)
        Px(t, x, 5, kYellow[3]);
    for (int y = 6; y <= 11; ++y)
        for (int x = 4; x <= 11; ++x)
            Px(t, x, y, y < 8 ? kShallow[3] : ((x + y) % 3 ? kGrass[2] : kGrass[3]));
    Px(t, 9, 6, kYellow[4]), Px(t, 6, 8, kLeaf[1]), Px(t, 6, 7, kLeaf[2]), Px(t, 7, 8, kLeaf[1]);
    PasteAt(sheet, t, T_INWALL_PICTURE);
    t = InWall(true);
    Ball(t, 8, 8.5f, 4, 4, kDarkWood, 379, false);
    Ball(t, 8, 8.5f, 2.8f, 2.8f, kWhite, 383, false);
    Px(t, 8, 7, kIron[0]), Px(t, 8, 8, kIron[0]), Px(t, 9, 8, kIron[0]), Px(t, 10, 8, kIron[0]);
    Rect(t, 7, 12, 8, 15, kDarkWood[2]);
    Px(t, 7, 15, kYellow[2]), Px(t, 8, 15, kYellow[3]);
    PasteAt(sheet, t, T_INWALL_CLOCK);
    PasteAt(sheet, Fence(true, true, false, false), T_FENCE_H);
    PasteAt(sheet, Fence(false, false, true, true), T_FENCE_V);
    PasteAt(sheet, Fence(false, false, false, false), T_FENCE_POST);
    PasteAt(sheet, Fence(false, true, false, true), T_FENCE_TL);
    PasteAt(sheet, Fence(true, false, false, true), T_FENCE_TR);
    PasteAt(sheet, Fence(false, true, true, false), T_FENCE_BL);
    PasteAt(sheet, Fence(true, false, true, false), T_FENCE_BR);
    PasteAt(sheet, Fence(false, true, false, false), T_FENCE_END_L);
    PasteAt(sheet, Fence(true, false, false, false), T_FENCE_END_R);
    PasteAt(sheet, Sign(), T_SIGN);
    PasteAt(sheet, LilyPad(), T_LILYPAD);
    PasteAt(sheet, Reeds(), T_REEDS);

    // Rows 8..10: objects.
    PasteAt(sheet, RoundTree(), T_TREE);
    PasteAt(sheet, PineTree(), T_PINE);
    PasteAt(sheet, SmallTree(), T_SMALLTREE);
    PasteAt(sheet, Lamp(), T_LAMP);
    PasteAt(sheet, Bed(), T_BED);
    PasteAt(sheet, Shelf(), T_SHELF);
    PasteAt(sheet, Table(), T_TABLE);
    PasteAt(sheet, Well(), T_WELL);
    PasteAt(sheet, Fireplace(), T_FIREPLACE);
    PasteAt(sheet, Bush(false), T_BUSH);
    PasteAt(sheet, Bush(true), T_BERRYBUSH);
    PasteAt(sheet, Chair(true), T_CHAIR_DOWN);
    PasteAt(sheet, Chair(false), T_CHAIR_UP);
    PasteAt(sheet, Flowers(kRed, 389), T_FLOWERS_RED);
    PasteAt(sheet, Flowers(kYellow, 397), T_FLOWERS_YELLOW);
    PasteAt(sheet, Flowers(kWhite, 401), T_FLOWERS_WHITE);
    PasteAt(sheet, Rock(false), T_ROCK_SMALL);
    PasteAt(sheet, Rock(true), T_ROCK);
    PasteAt(sheet, Barrel(), T_BARREL);
    PasteAt(sheet, Crate(), T_CRATE);
    PasteAt(sheet, Stump(), T_STUMP);
    PasteAt(sheet, Chest(), T_CHEST);
    PasteAt(sheet, PotPlant(), T_POTPLANT);
    PasteAt(sheet, Mushrooms(), T_MUSHROOMS);
    Canvas rug(32, 16);
    RugPiece(rug);
    PasteAt(sheet, rug, T_RUG_L);
    PasteAt(sheet, Log(), T_LOG);
    return sheet;
}
