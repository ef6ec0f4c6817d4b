#include "tools/artgen/paint.h"

#include "tools/artgen/geometry.h"

#include <algorithm>
#include <cmath>

std::uint8_t ClampByte(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

Rgb Scale(Rgb c, float f) {
    auto ch = [f](int v) { return std::clamp(static_cast<int>(static_cast<float>(v) * f), 0, 255); };
    return {ch(c.r), ch(c.g), ch(c.b)};
}

Rgb Mix(Rgb a, Rgb b, float t) {
    auto ch = [t](int from, int to) {
        return static_cast<int>(static_cast<float>(from) + static_cast<float>(to - from) * t);
    };
    return {ch(a.r, b.r), ch(a.g, b.g), ch(a.b, b.b)};
}

Rgb Tint(Rgb c, int num, int add_r, int add_g, int add_b) {
    auto ch = [num](int v, int add) { return static_cast<int>(ClampByte(v * num / 256 + add)); };
    return {ch(c.r, add_r), ch(c.g, add_g), ch(c.b, add_b)};
}

Rgb Shade(Rgb c) {
    return Tint(c, 176, 0, 0, 14);
}

Rgb Light(Rgb c) {
    auto up = [](int v, int warm) { return std::min(255, v + (255 - v) * 72 / 256 + warm); };
    return {up(c.r, 6), up(c.g, 3), up(c.b, 0)};
}

Rgb Rim(Rgb c) {
    return Tint(c, 52, 10, 6, 14);
}

Rgb Step(const Ramp& r, int step) {
    return r[static_cast<std::size_t>(std::clamp(step, 0, 4))];
}

std::uint32_t PixelHash(int x, int y, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u +
                      static_cast<std::uint32_t>(seed) * 2246822519u + 0x9E3779B9u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    h *= 2654435761u;
    return h ^ (h >> 15);
}

float Rand(int x, int y, int seed) {
    return static_cast<float>(PixelHash(x, y, seed) & 0xFFFFFF) / 16777216.0f;
}

std::uint32_t CellHash(int x, int y, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u ^
                      static_cast<std::uint32_t>(seed) * 83492791u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

float CellRand(int x, int y, int seed) {
    return static_cast<float>(CellHash(x, y, seed) & 0xFFFF) / 65536.0f;
}

std::uint32_t GrainHash(int x, int y, std::uint32_t seed) {
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

int Wrap(int v) {
    return v & (TILE_PIXELS - 1);
}

float Smooth(float x, float y, int cell, int seed) {
    const int n = TILE_PIXELS / cell;
    const float fx = x / static_cast<float>(cell), fy = y / static_cast<float>(cell);
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const float tx = fx - static_cast<float>(x0), ty = fy - static_cast<float>(y0);
    auto at = [&](int i, int j) { return Rand(((i % n) + n) % n, ((j % n) + n) % n, seed); };
    const float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return a + (b - a) * sy;
}

void Px(Canvas& c, int x, int y, Rgb col, int a) {
    c.Put(x, y, static_cast<std::uint8_t>(col.r), static_cast<std::uint8_t>(col.g),
          static_cast<std::uint8_t>(col.b), static_cast<std::uint8_t>(a));
}

Rgb Get(const Canvas& c, int x, int y) {
    const std::uint8_t* p = c.At(x, y);
    return {p[0], p[1], p[2]};
}

int Alpha(const Canvas& c, int x, int y) {
    if (!c.Inside(x, y)) return -1;
    return c.At(x, y)[3];
}

int BallStep(float dx, float dy, float r, int x, int y, int seed) {
    const float nx = dx / r, ny = dy / r;
    const float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
    const float lit = -0.55f * nx - 0.6f * ny + 0.58f * nz + (Rand(x, y, seed) - 0.5f) * 0.35f;
    return lit < 0.1f ? 1 : (lit < 0.5f ? 2 : (lit < 0.82f ? 3 : 4));
}

void Ball(Canvas& c, float cx, float cy, float rx, float ry, const Ramp& ramp, int seed, bool rim) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - cx) / rx;
            const float dy = (static_cast<float>(y) + 0.5f - cy) / ry;
            const float d = dx * dx + dy * dy;
            if (d > 1) continue;
            int step = BallStep(dx, dy, 1.0f, x, y, seed);
            if (rim && d > 0.72f && dx + dy > 0.3f) step = 1;
            Px(c, x, y, Step(ramp, step));
        }
}

void Rect(Canvas& c, int x0, int y0, int x1, int y1, Rgb col) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            Px(c, x, y, col);
}

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

void Outline(Canvas& c) {
    static const int kNeighbours[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    Canvas out = c;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            if (Alpha(c, x, y) == 255) continue;
            for (const auto& o : kNeighbours) {
                if (Alpha(c, x + o[0], y + o[1]) == 255) {
                    const Rgb n = Get(c, x + o[0], y + o[1]);
                    Px(out, x, y, Mix(Scale(n, 0.32f), Rgb{20, 16, 30}, 0.3f));
                    break;
                }
            }
        }
    c = out;
}

void Shadow(Canvas& c, float cx, float cy, float rx, float ry, int alpha) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - cx) / rx;
            const float dy = (static_cast<float>(y) + 0.5f - cy) / ry;
            if (dx * dx + dy * dy > 1 || Alpha(c, x, y) != 0) continue;
            Px(c, x, y, {10, 20, 12}, alpha);
        }
}

Canvas StandOnGround(Canvas c, float cx, float cy, float rx, float ry, int alpha) {
    Outline(c);
    Shadow(c, cx, cy, rx, ry, alpha);
    return c;
}

void PasteAt(Canvas& sheet, const Canvas& s, int index) {
    const int left = index % kTilesPerRow * TILE_PIXELS, top = index / kTilesPerRow * TILE_PIXELS;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const std::uint8_t* p = s.At(x, y);
            sheet.Put(left + x, top + y, p[0], p[1], p[2], p[3]);
        }
}

Canvas Tile(const std::function<Rgb(int, int)>& pixel) {
    Canvas t(TILE_PIXELS, TILE_PIXELS);
    for (int y = 0; y < TILE_PIXELS; ++y)
        for (int x = 0; x < TILE_PIXELS; ++x)
            Px(t, x, y, pixel(x, y));
    return t;
}
