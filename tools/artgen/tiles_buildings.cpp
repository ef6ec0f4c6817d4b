// Buildings: outside walls with windows and doors, roofs, the inside of the house, and the
// fences, bridge and sign that the village builds.
#include "tools/artgen/tiles.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

void Window(Canvas& t, int x0, int y0, int x1, int y1, bool sill) {
    Rect(t, x0, y0, x1, y1, kWood[0]);
    Rect(t, x0 + 1, y0 + 1, x1 - 1, y1 - 1, kWood[3]);
    for (int y = y0 + 2; y <= y1 - 2; ++y)
        for (int x = x0 + 2; x <= x1 - 2; ++x) {
            // Glass: dark at the bottom, a diagonal glint from the top-left.
            Rgb g = Mix(kShallow[2], kBlue[1], static_cast<float>(y - y0) / static_cast<float>(y1 - y0));
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
    for (int y = 0; y < TILE_PIXELS; ++y)
        for (int x = x0; x <= x1; ++x) {
            if (top) {
                const float dx = PixelCentre(x) - 8.0f, dy = PixelCentre(y) - 10.0f;
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

} // namespace

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

// Rows of scalloped shingles, the courses running on from one row of pieces to the next.
Canvas RoofPiece(const Ramp& r, int row, Edge end, int seed) {
    Canvas t(TILE_PIXELS, TILE_PIXELS);
    for (int y = 0; y < TILE_PIXELS; ++y)
        for (int x = 0; x < TILE_PIXELS; ++x) {
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

Canvas WindowWall(bool stone) {
    Canvas t = stone ? StoneWall(EDGE_NONE) : WoodWall(EDGE_NONE);
    Window(t, 3, 2, 12, 11, true);
    return t;
}

Canvas DoorWall(bool stone, bool top) {
    Canvas t = stone ? StoneWall(EDGE_NONE) : WoodWall(EDGE_NONE);
    Door(t, top, stone ? kStone : kWood);
    return t;
}

Canvas InWallWindow() {
    Canvas t = InWall(true);
    Window(t, 3, 4, 12, 14, false);
    return t;
}

Canvas InWallPicture() {
    Canvas t = InWall(true);
    Rect(t, 3, 5, 12, 12, kYellow[1]);
    for (int x = 3; x <= 12; ++x)
        Px(t, x, 5, kYellow[3]);
    for (int y = 6; y <= 11; ++y)
        for (int x = 4; x <= 11; ++x)
            Px(t, x, y, y < 8 ? kShallow[3] : ((x + y) % 3 ? kGrass[2] : kGrass[3]));
    Px(t, 9, 6, kYellow[4]), Px(t, 6, 8, kLeaf[1]), Px(t, 6, 7, kLeaf[2]), Px(t, 7, 8, kLeaf[1]);
    return t;
}

Canvas InWallClock() {
    Canvas t = InWall(true);
    Ball(t, 8, 8.5f, 4, 4, kDarkWood, 379, false);
    Ball(t, 8, 8.5f, 2.8f, 2.8f, kWhite, 383, false);
    Px(t, 8, 7, kIron[0]), Px(t, 8, 8, kIron[0]), Px(t, 9, 8, kIron[0]), Px(t, 10, 8, kIron[0]);
    Rect(t, 7, 12, 8, 15, kDarkWood[2]);
    Px(t, 7, 15, kYellow[2]), Px(t, 8, 15, kYellow[3]);
    return t;
}

Canvas Doormat() {
    Canvas t = WoodFloorTile(0);
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
    return t;
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
    return StandOnGround(std::move(s), 8, 15, 4, 1.2f, 70);
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
