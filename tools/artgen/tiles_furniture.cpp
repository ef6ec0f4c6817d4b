// Furniture and household things, for the second layer: what stands in the house and around
// the village square.
#include "tools/artgen/tiles.h"

#include <algorithm>
#include <cmath>
#include <utility>

Canvas Lamp() {
    Canvas s(16, 32);
    // Glow first, so the lantern draws over it.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const float dx = PixelCentre(x) - 8, dy = PixelCentre(y) - 7;
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
    return StandOnGround(std::move(s), 8, 31, 7, 1.2f, 60);
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
    return StandOnGround(std::move(s), 8, 31, 7, 1.2f, 60);
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
    return StandOnGround(std::move(s), 16, 15, 14, 1.5f, 60);
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
    return StandOnGround(std::move(s), 8, 14.5f, 6, 1.5f, 60);
}

Canvas Well() {
    Canvas s(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const float dx = (PixelCentre(x) - 16) / 13.0f, dy = (PixelCentre(y) - 19) / 10.0f;
            const float d = dx * dx + dy * dy;
            if (d > 1) continue;
            const float ix = (PixelCentre(x) - 16) / 8.5f, iy = (PixelCentre(y) - 18) / 6.0f;
            if (ix * ix + iy * iy <= 1) {
                Px(s, x, y, iy < -0.4f ? kDeep[0] : (Rand(x, y, 347) < 0.15f ? kDeep[2] : kDeep[1]));
                continue;
            }
            // Stones of the ring, by angle.
            const float ang = std::atan2(dy, dx);
            const int stone = static_cast<int>((static_cast<double>(ang) + kPi) / (2 * kPi) * 14);
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
    return StandOnGround(std::move(s), 17, 29, 14, 3, 70);
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
            const float dx = PixelCentre(x) - 16, dy = PixelCentre(y) - 24;
            if (y < 24 && dx * dx + dy * dy > 64) continue;
            Px(s, x, y, kIron[0]);
        }
    // Flames over two logs.
    for (int y = 21; y <= 28; ++y)
        for (int x = 10; x <= 21; ++x) {
            const float h = static_cast<float>(28 - y);
            const float wid = 6 - h * 0.7f + std::sin(static_cast<float>(x) * 1.7f) * 1.2f;
            if (std::fabs(PixelCentre(x) - 16) > wid) continue;
            const float heat = h / 7 + std::fabs(PixelCentre(x) - 16) / 8;
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
            if (static_cast<float>(x) < 3 + 1 - bulge || static_cast<float>(x) > 12 - 1 + bulge) continue;
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
    return StandOnGround(std::move(s), 8, 15, 6, 1.5f, 70);
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
    return StandOnGround(std::move(s), 8, 15, 7, 1.5f, 70);
}

Canvas Chest() {
    Canvas s(16, 16);
    Box(s, 2, 5, 13, 13, kWood);
    Box(s, 2, 3, 13, 7, kDarkWood);
    for (int x = 2; x <= 13; ++x)
        Px(s, x, 8, kIron[1]);
    Rect(s, 7, 7, 8, 10, kYellow[2]);
    Px(s, 7, 7, kYellow[4]), Px(s, 8, 10, kYellow[0]);
    return StandOnGround(std::move(s), 8, 14.5f, 7, 1.5f, 70);
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

Canvas Rug() {
    Canvas s(32, 16);
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
    return s;
}
