#include "tools/artgen/icon.h"

#include "tools/artgen/paint.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A point of the icon in units of its side: (0, 0) top-left, (1, 1) bottom-right.
struct Pt {
    double x, y;
};

// One shape of the picture; `grow` widens it by that much on every side, which is how its
// dark rim is drawn underneath it.
struct Shape {
    enum Kind { RoundedBox, Triangle } kind;
    double x0, y0, x1, y1, radius; // the box; for a triangle, its base from x0 to x1 at y1, apex (mid, y0)
    Rgb top, bottom;               // colour at the shape's top and bottom edge
    bool rimmed;

    bool Covers(Pt p, double grow) const {
        if (kind == RoundedBox) {
            const double r = radius + grow;
            const double cx = std::clamp(p.x, x0 + radius, x1 - radius);
            const double cy = std::clamp(p.y, y0 + radius, y1 - radius);
            const double dx = p.x - cx, dy = p.y - cy;
            return dx * dx + dy * dy <= r * r;
        }
        // Inside all three edges, each pushed outward by grow.
        const Pt a{x0, y1}, b{(x0 + x1) / 2, y0}, c{x1, y1};
        const Pt corners[3][2] = {{a, b}, {b, c}, {c, a}};
        for (const auto& edge : corners) {
            const double ex = edge[1].x - edge[0].x, ey = edge[1].y - edge[0].y;
            const double length = std::sqrt(ex * ex + ey * ey);
            // Clockwise on screen: the inside lies where the cross product is positive.
            const double side = (ex * (p.y - edge[0].y) - ey * (p.x - edge[0].x)) / length;
            if (side < -grow) return false;
        }
        return true;
    }
    Rgb ColourAt(Pt p) const {
        const double t = std::clamp((p.y - y0) / (y1 - y0), 0.0, 1.0);
        return Mix(top, bottom, static_cast<float>(t));
    }
};

// Back to front. The numbers are frozen like every other picture's: the shipped icons are
// their output byte for byte.
const std::vector<Shape>& IconShapes() {
    static const std::vector<Shape> shapes = {
        // grass
        {Shape::RoundedBox, 0.04, 0.04, 0.96, 0.96, 0.16, {118, 186, 92}, {58, 122, 52}, true},
        // chimney, then the walls, the roof over them, the timber beam, door and two lit windows
        {Shape::RoundedBox, 0.62, 0.16, 0.72, 0.42, 0.0, {150, 140, 135}, {110, 100, 98}, true},
        {Shape::RoundedBox, 0.22, 0.48, 0.78, 0.86, 0.0, {236, 214, 168}, {196, 168, 120}, true},
        {Shape::Triangle, 0.12, 0.14, 0.88, 0.54, 0.0, {206, 82, 54}, {150, 50, 36}, true},
        {Shape::RoundedBox, 0.22, 0.58, 0.78, 0.62, 0.0, {112, 70, 40}, {112, 70, 40}, false},
        {Shape::RoundedBox, 0.42, 0.64, 0.58, 0.86, 0.03, {120, 74, 38}, {86, 50, 26}, true},
        {Shape::RoundedBox, 0.27, 0.66, 0.37, 0.76, 0.0, {255, 226, 120}, {240, 176, 64}, true},
        {Shape::RoundedBox, 0.63, 0.66, 0.73, 0.76, 0.0, {255, 226, 120}, {240, 176, 64}, true},
    };
    return shapes;
}

// Samples a side per pixel: enough for smooth edges, and the small sizes get more so their few
// pixels still average the shapes well.
int SamplesPerSide(int size) {
    return size <= 32 ? 8 : 4;
}

} // namespace

Canvas DrawIcon(int size) {
    Canvas icon(size, size);
    const int n = SamplesPerSide(size);
    // The rim is most of a pixel wide at every size up to 30, then grows with the picture; a
    // whole pixel of dark rim at 16 pixels leaves little room for the house.
    const double rim = std::max(0.75 / size, 0.025);
    const Rgb rimColour = {40, 28, 24};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < n; ++sy)
                for (int sx = 0; sx < n; ++sx) {
                    const Pt p{(x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size};
                    bool hit = false;
                    Rgb colour{};
                    for (const Shape& s : IconShapes()) {
                        if (s.Covers(p, 0.0)) {
                            colour = s.ColourAt(p);
                            hit = true;
                        } else if (s.rimmed && s.Covers(p, rim)) {
                            colour = rimColour;
                            hit = true;
                        }
                    }
                    if (!hit) continue;
                    r += colour.r, g += colour.g, b += colour.b, a += 1;
                }
            if (a == 0) continue;
            // Colour is averaged over the covered samples only, so edges fade in alpha, not to black.
            const int alpha = static_cast<int>(std::lround(255.0 * a / (n * n)));
            icon.Put(x, y, ClampByte(static_cast<int>(std::lround(r / a))),
                     ClampByte(static_cast<int>(std::lround(g / a))),
                     ClampByte(static_cast<int>(std::lround(b / a))), static_cast<std::uint8_t>(alpha));
        }
    return icon;
}
