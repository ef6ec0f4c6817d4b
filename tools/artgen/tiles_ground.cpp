// The ground tiles: grass, dirt, sand, water, paving and floors, and the transitions
// between the kinds of ground that blend into each other.
#include "tools/artgen/tiles.h"

#include <algorithm>
#include <cmath>

namespace {

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
    return Step(kWood, step);
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

// Which kind a pixel of a transition tile shows: the corner mask blended bilinearly, with a
// wobble that fades out towards the tile's edges, so neighbouring tiles meet mid-edge.
float Upperness(int mask, float x, float y, int seed) {
    const float u = (x + 0.5f) / TILE_PIXELS, t = (y + 0.5f) / TILE_PIXELS;
    const float tl = (mask & 1) ? 1.f : 0.f, tr = (mask & 2) ? 1.f : 0.f;
    const float bl = (mask & 4) ? 1.f : 0.f, br = (mask & 8) ? 1.f : 0.f;
    const float v = (tl * (1 - u) + tr * u) * (1 - t) + (bl * (1 - u) + br * u) * t;
    const float taper = std::min(1.f, 4 * std::min(u, 1 - u)) * std::min(1.f, 4 * std::min(t, 1 - t));
    const float wobble =
        ((Smooth(x, y, 8, seed) - 0.5f) * 0.16f + (Smooth(x, y, 4, seed + 1) - 0.5f) * 0.08f) * taper;
    return v + wobble - 0.5f;
}

} // namespace

Canvas GrassTile(int variant) {
    Canvas t = Tile([variant](int x, int y) { return GrassPixel(kGrass, x, y, variant); });
    if (variant == 2) { // tufts
        const int at[][2] = {{3, 4}, {10, 9}, {5, 12}};
        for (const auto& a : at) {
            Px(t, a[0], a[1], kGrass[4]), Px(t, a[0] - 1, a[1] + 1, kGrass[3]);
            Px(t, a[0] + 1, a[1] + 1, kGrass[3]), Px(t, a[0], a[1] + 1, kGrass[1]);
            Px(t, a[0] - 1, a[1] + 2, kGrass[1]), Px(t, a[0] + 1, a[1] + 2, kGrass[1]);
        }
    }
    if (variant == 3) { // tiny flowers
        const int at[][2] = {{4, 3}, {11, 7}, {6, 12}};
        for (const auto& a : at) {
            const Ramp& p = (a[0] == 11) ? kYellow : kWhite;
            Px(t, a[0], a[1], kYellow[2]), Px(t, a[0] - 1, a[1], p[3]), Px(t, a[0] + 1, a[1], p[3]);
            Px(t, a[0], a[1] - 1, p[4]), Px(t, a[0], a[1] + 1, p[2]);
        }
    }
    return t;
}

Canvas DirtTile(int variant) {
    return Tile([variant](int x, int y) { return DirtPixel(x, y, variant); });
}

Canvas SandTile(int variant) {
    return Tile([variant](int x, int y) { return SandPixel(x, y, variant); });
}

Canvas ShallowTile(int variant) {
    return Tile([variant](int x, int y) { return WaterPixel(kShallow, x, y, variant, false); });
}

Canvas DeepTile(int variant) {
    return Tile([variant](int x, int y) { return WaterPixel(kDeep, x, y, variant, true); });
}

Canvas CobbleTile(int variant) {
    return Tile([variant](int x, int y) { return CobblePixel(x, y, variant); });
}

Canvas WoodFloorTile(int variant) {
    return Tile([variant](int x, int y) { return WoodFloorPixel(x, y, variant); });
}

Canvas ForestFloorTile(int) {
    return Tile(ForestFloorPixel);
}

Canvas StoneFloorTile(int) {
    return Tile(StoneFloorPixel);
}

Canvas SoilTile(int) {
    return Tile(SoilPixel);
}

Canvas TransitionTile(Ground lower, Ground upper, int mask) {
    const int seed = 151 + static_cast<int>(lower) * 7;
    Canvas t(TILE_PIXELS, TILE_PIXELS);
    for (int y = 0; y < TILE_PIXELS; ++y)
        for (int x = 0; x < TILE_PIXELS; ++x) {
            const float s = Upperness(mask, static_cast<float>(x), static_cast<float>(y), seed);
            const float gx = (Upperness(mask, static_cast<float>(x) + 1.f, static_cast<float>(y), seed) -
                              Upperness(mask, static_cast<float>(x) - 1.f, static_cast<float>(y), seed)) /
                             2;
            const float gy = (Upperness(mask, static_cast<float>(x), static_cast<float>(y) + 1.f, seed) -
                              Upperness(mask, static_cast<float>(x), static_cast<float>(y) - 1.f, seed)) /
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
