// Trees, bushes, flowers, stones and the small things of the wood and the pond, for the
// second layer: drawn on transparency, outlined, with a shadow on the ground.
#include "tools/artgen/tiles.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A straight trunk, columns x0 to x1 and rows y0 to y1: its left edge catches the light.
void Trunk(Canvas& s, int x0, int x1, int y0, int y1) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            Px(s, x, y, Step(kWood, x == x0 ? 3 : (x == x1 ? 1 : 2)));
}

} // namespace

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
    return StandOnGround(std::move(s), 16, 44, 12, 3.5f, 80);
}

Canvas PineTree() {
    Canvas s(32, 48);
    Trunk(s, 14, 17, 36, 44);
    struct Tier {
        int top, bottom;
        float half;
    };
    const Tier tiers[] = {{1, 13, 6}, {6, 21, 9.5f}, {12, 30, 12.5f}, {18, 39, 14.5f}};
    for (const Tier& t : tiers)
        for (int y = t.top; y <= t.bottom + 1; ++y)
            for (int x = 0; x < 32; ++x) {
                const float f = static_cast<float>(y - t.top) / static_cast<float>(t.bottom - t.top);
                const float half = 1 + (t.half - 1) * f;
                const float dx = PixelCentre(x) - 16;
                if (std::fabs(dx) > half) continue;
                // The lower edge of each tier hangs in points.
                const int tooth = static_cast<int>(std::fabs(std::fmod(PixelCentre(x), 4.0f) - 2));
                if (y > t.bottom - 1 + tooth) continue;
                const float side = dx / std::max(1.0f, half);
                int step = side < -0.35f ? 3 : (side < 0.3f ? 2 : 1);
                if (y >= t.bottom - 1 + tooth - 1) step = 1;
                if (side < -0.6f && y < t.bottom - 3 && Rand(x, y, 271) < 0.5f) step = 4;
                if (Rand(x, y, 277) < 0.1f) step = std::max(1, step - 1);
                Px(s, x, y, Step(kPine, step));
            }
    return StandOnGround(std::move(s), 16, 44, 11, 3.5f, 80);
}

Canvas SmallTree() {
    Canvas s(16, 32);
    Trunk(s, 6, 9, 16, 28);
    Ball(s, 8, 10, 6.5f, 6.5f, kLeaf, 281);
    Ball(s, 5, 13, 4, 4, kLeaf, 283);
    Ball(s, 11, 13, 4, 4, kLeaf, 285);
    Ball(s, 8, 7, 4.5f, 4.5f, kLeaf, 287);
    return StandOnGround(std::move(s), 8, 28.5f, 6, 2.5f, 80);
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
    return StandOnGround(std::move(s), 8, 14, 7, 2, 70);
}

Canvas Flowers(const Ramp& petal, Rgb centre, int seed) {
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
        Px(s, x, y, centre);
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
    return StandOnGround(std::move(s), 8.5f, big ? 14 : 13.5f, big ? 7.5f : 5.5f, 2, 70);
}

Canvas Stump() {
    Canvas s(16, 16);
    Rect(s, 3, 7, 12, 13, kWood[2]);
    for (int y = 7; y <= 13; ++y)
        Px(s, 3, y, kWood[3]), Px(s, 12, y, kWood[1]), Px(s, 8, y, kWood[1]);
    Px(s, 2, 13, kWood[2]), Px(s, 13, 13, kWood[1]);
    for (int y = 3; y <= 8; ++y)
        for (int x = 3; x <= 12; ++x) {
            const float dx = (PixelCentre(x) - 8) / 5, dy = (PixelCentre(y) - 6) / 3;
            const float d = dx * dx + dy * dy;
            if (d > 1) continue;
            const int ring = static_cast<int>(std::sqrt(d) * 4);
            Px(s, x, y, ring % 2 ? kDirt[3] : kSand[1]);
        }
    return StandOnGround(std::move(s), 8, 14.5f, 7, 1.5f, 70);
}

Canvas Log() {
    Canvas s(16, 16);
    for (int y = 7; y <= 12; ++y)
        for (int x = 1; x <= 12; ++x)
            Px(s, x, y, Step(kWood, y == 7 ? 3 : (y == 12 ? 1 : (x % 4 == 0 ? 1 : 2))));
    for (int y = 7; y <= 12; ++y)
        for (int x = 12; x <= 15; ++x) {
            const float dx = (PixelCentre(x) - 13) / 2.5f, dy = (PixelCentre(y) - 10) / 3;
            if (dx * dx + dy * dy <= 1) Px(s, x, y, (dx * dx + dy * dy) < 0.35f ? kDirt[3] : kSand[1]);
        }
    return StandOnGround(std::move(s), 8, 13.5f, 7, 1.5f, 70);
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
                const float dx = (PixelCentre(x) - static_cast<float>(cx)) / (static_cast<float>(hw) + 0.5f),
                            dy = (PixelCentre(y) - static_cast<float>(cy) - 0.5f) /
                                 (static_cast<float>(hw) * 0.8f + 0.5f);
                if (dx * dx + dy * dy > 1) continue;
                int step = dx + dy < -0.7f ? 3 : (dx > 0.4f || y == cy ? 1 : 2);
                Px(s, x, y, Step(kRed, step));
            }
        Px(s, cx - 2, cy - hw + 1, kWhite[4]), Px(s, cx + 1, cy - 1, kWhite[3]),
            Px(s, cx - 1, cy - 2, kWhite[4]);
    }
    return StandOnGround(std::move(s), 8, 14.5f, 6, 1.5f, 60);
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
