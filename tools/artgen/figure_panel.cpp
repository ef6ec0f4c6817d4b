// The chat panel: a dark slate set in a riveted wooden frame.
//
// The image is 256 by 64 and the game stretches it over 640 by 120 pixels, about 2.5 by 1.9
// screen pixels a texel, so no detail is thinner than one texel. The frame is 3 texels wide at
// the sides and 4 at top and bottom, both about 7.5 screen pixels: the chat log starts 10
// pixels from the left edge and must not touch the wood.
#include "tools/artgen/figure_art.h"
#include "tools/artgen/paint.h"

#include <cstdint>

namespace {

constexpr int kWidth = 256;
constexpr int kHeight = 64;
constexpr int kSide = 3;
constexpr int kTopBottom = 4;

// A value from -range to +range that stays the same along `len` texels of a grain line.
int Grain(int along, int across, int len, int range, std::uint32_t seed) {
    const int a = along / len;
    const int t = along % len;
    const std::uint32_t values = static_cast<std::uint32_t>(2 * range + 1);
    const int v0 = static_cast<int>(GrainHash(a, across, seed) % values) - range;
    const int v1 = static_cast<int>(GrainHash(a + 1, across, seed) % values) - range;
    return v0 + (v1 - v0) * t / len;
}

void PutShaded(Canvas& c, int x, int y, int r, int g, int b) {
    c.Put(x, y, ClampByte(r), ClampByte(g), ClampByte(b), 255);
}

// Wood: `depth` counts texels in from the outer edge, so each bar is lit on its outer
// side and shadowed where it meets the slate; `along` runs with the grain.
void Wood(Canvas& c, int x, int y, int along, int across, int depth, int thickness) {
    int v = Grain(along, across, 5, 20, 11u);
    if (GrainHash(along / 2, across, 12u) % 13 == 0) v -= 30; // a knot or a dark streak
    if (depth == 1) v += 28;
    if (depth == thickness - 1) v -= 18;
    PutShaded(c, x, y, 146 + v, 96 + v * 3 / 4, 54 + v / 2);
}

void Slate(Canvas& c, int x, int y) {
    int v = Grain(x, y / 2, 9, 5, 21u) + static_cast<int>(GrainHash(x, y, 22u) % 5) - 2;
    // Sunken edge: the frame casts a shadow onto the slate along the top and the left.
    const int from_top = y - kTopBottom;
    const int from_left = x - kSide;
    if (from_top == 0 || from_left == 0)
        v -= 14;
    else if (from_top == 1 || from_left == 1)
        v -= 7;
    PutShaded(c, x, y, 34 + v, 36 + v, 46 + v);
}

void Rivet(Canvas& c, int cx, int cy) {
    // A 2 by 2 brass head with a highlight at the top left and a dark rim below right.
    PutShaded(c, cx, cy, 250, 226, 140);
    PutShaded(c, cx + 1, cy, 214, 176, 84);
    PutShaded(c, cx, cy + 1, 200, 160, 72);
    PutShaded(c, cx + 1, cy + 1, 140, 100, 40);
    PutShaded(c, cx + 2, cy + 1, 60, 38, 22);
    PutShaded(c, cx + 1, cy + 2, 60, 38, 22);
    PutShaded(c, cx + 2, cy + 2, 60, 38, 22);
}

// An iron bracket over each corner joint, so the four bars look held together.
void CornerPlate(Canvas& c, int x0, int y0, bool flip_x, bool flip_y) {
    constexpr int kSize = 9;
    for (int j = 0; j < kSize; ++j)
        for (int i = 0; i + j < kSize; ++i) {
            const int x = flip_x ? x0 - i : x0 + i;
            const int y = flip_y ? y0 - j : y0 + j;
            int v = static_cast<int>(GrainHash(i, j, 31u) % 7) - 3;
            if (i == 0 || j == 0)
                v = -44; // the panel's rim runs over the bracket
            else if (i + j == kSize - 1)
                v = -34;
            else if (i == 1 || j == 1)
                v += 30;
            PutShaded(c, x, y, 96 + v, 98 + v, 108 + v);
        }
    Rivet(c, flip_x ? x0 - 3 : x0 + 2, flip_y ? y0 - 3 : y0 + 2);
}

} // namespace

Canvas DrawChatPanel() {
    Canvas c(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const int from_top = y, from_bottom = kHeight - 1 - y;
            const int from_left = x, from_right = kWidth - 1 - x;
            const int edge_y = from_top < from_bottom ? from_top : from_bottom;
            const int edge_x = from_left < from_right ? from_left : from_right;
            if (edge_x == 0 || edge_y == 0) {
                PutShaded(c, x, y, 36, 22, 14); // dark rim round the whole panel
            } else if (edge_y < kTopBottom && edge_y * kSide <= edge_x * kTopBottom) {
                Wood(c, x, y, x, y, edge_y, kTopBottom); // top and bottom bars, grain across
            } else if (edge_x < kSide) {
                Wood(c, x, y, y, x + 1000, edge_x, kSide); // side bars, grain down
            } else {
                Slate(c, x, y);
            }
        }
    CornerPlate(c, 0, 0, false, false);
    CornerPlate(c, kWidth - 1, 0, true, false);
    CornerPlate(c, 0, kHeight - 1, false, true);
    CornerPlate(c, kWidth - 1, kHeight - 1, true, true);
    // Rivets along the long bars.
    for (int x = 32; x < kWidth - 16; x += 32) {
        Rivet(c, x, 1);
        Rivet(c, x, kHeight - kTopBottom);
    }
    return c;
}
