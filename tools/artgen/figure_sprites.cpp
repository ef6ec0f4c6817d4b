// The character sprite sheet: eight people of the town, each walking in four directions.
//
// A figure is first laid out as a map of materials (skin, hair, shirt, ...), then shaded
// and outlined from that map, so every character gets the same lighting from the top left
// and the same dark rim that keeps it readable on any ground.
#include "tools/artgen/figure_art.h"
#include "tools/artgen/paint.h"

#include <cstdint>
#include <cstring>

namespace {

enum Mat : std::uint8_t {
    NONE = 0,
    SKIN,
    HAIR,
    SHIRT,
    SLEEVE, // same colour as the shirt, a separate material so the arm stands off the body
    ACCENT, // tabard, apron, bib: whatever is worn over the shirt
    LEGS,
    SHOES,
    BELT,
    HAT,
    HATBAND,
    EYE,
    BEARD,
    CAPE,
    GOLD,
    SKIRT,
    MOUTH,
    MAT_COUNT
};

enum class Hair { Short, Long, Ponytail, Bald };
enum class Headwear { None, Wizard, Straw, Helmet, Hood, Turban, Tiara };
enum class Lower { Trousers, Robe, Dress };

struct Look {
    Rgb colour[MAT_COUNT];
    Hair hair;
    Headwear hat;
    Lower lower;
    int beard;     // rows of beard below the mouth, 0 for none
    bool apron;    // a leather apron over shirt and legs
    bool tabard;   // a cloth tabard with an emblem, front and back
    bool cape;     // hangs down the back
    bool overalls; // a bib with straps in the colour of the trousers
    bool quiver;   // arrows on the back
    bool belt;
};

// The frame being drawn: a material and a "far side" flag per pixel.
struct Cell {
    std::uint8_t mat[CHAR_FRAME_H][CHAR_FRAME_W];
    bool far[CHAR_FRAME_H][CHAR_FRAME_W];

    Cell() {
        std::memset(mat, 0, sizeof mat);
        std::memset(far, 0, sizeof far);
    }
    void Set(int x, int y, Mat m, bool is_far = false) {
        if (x < 0 || y < 0 || x >= CHAR_FRAME_W || y >= CHAR_FRAME_H) return;
        mat[y][x] = m;
        far[y][x] = is_far;
    }
    // Inclusive rectangle.
    void Rect(int x0, int y0, int x1, int y1, Mat m, bool is_far = false) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                Set(x, y, m, is_far);
    }
    void Row(int y, int x0, int x1, Mat m, bool is_far = false) { Rect(x0, y, x1, y, m, is_far); }
    Mat At(int x, int y) const {
        if (x < 0 || y < 0 || x >= CHAR_FRAME_W || y >= CHAR_FRAME_H) return NONE;
        return static_cast<Mat>(mat[y][x]);
    }
    void Mirror() {
        for (int y = 0; y < CHAR_FRAME_H; ++y)
            for (int x = 0; x < CHAR_FRAME_W / 2; ++x) {
                const int o = CHAR_FRAME_W - 1 - x;
                std::uint8_t m = mat[y][x];
                mat[y][x] = mat[y][o];
                mat[y][o] = m;
                bool f = far[y][x];
                far[y][x] = far[y][o];
                far[y][o] = f;
            }
    }
};

// Step phase of a frame: +1 and -1 are the two strides, 0 the standing middle frame.
int PhaseOf(int frame) {
    return frame == 0 ? 1 : frame == 2 ? -1 : 0;
}

bool HairShows(const Look& l) {
    return l.hat != Headwear::Helmet && l.hat != Headwear::Hood;
}

// ---- Facing the viewer (down) or seen from behind (up) ----

void FrontLegs(Cell& c, const Look& l, int phase) {
    // The lifted foot is the one stepping forward; from the front it shows two rows higher.
    const int lift_left = phase > 0 ? 2 : 0;
    const int lift_right = phase < 0 ? 2 : 0;
    if (l.lower == Lower::Robe) {
        c.Rect(8, 28 - lift_left, 10, 29 - lift_left, SHOES);
        c.Rect(13, 28 - lift_right, 15, 29 - lift_right, SHOES);
        c.Rect(8, 23, 15, 24, SKIRT);
        c.Rect(7, 25, 16, 26, SKIRT);
        c.Row(27, 6 + phase, 17 + phase, SKIRT); // the hem sways with the stride
        return;
    }
    if (l.lower == Lower::Dress) {
        c.Rect(9, 26, 10, 27 - lift_left, LEGS);
        c.Rect(13, 26, 14, 27 - lift_right, LEGS);
        c.Rect(8, 28 - lift_left, 10, 29 - lift_left, SHOES);
        c.Rect(13, 28 - lift_right, 15, 29 - lift_right, SHOES);
        c.Rect(8, 21, 15, 22, SKIRT);
        c.Rect(7, 23, 16, 24, SKIRT);
        c.Row(25, 6, 17, SKIRT);
        return;
    }
    c.Row(23, 8, 15, LEGS);
    c.Rect(8, 24, 10, 27 - lift_left / 2, LEGS);
    c.Rect(13, 24, 15, 27 - lift_right / 2, LEGS);
    c.Rect(8, 28 - lift_left, 10, 29 - lift_left, SHOES);
    c.Rect(13, 28 - lift_right, 15, 29 - lift_right, SHOES);
}

void FrontBody(Cell& c, const Look& l, int phase, bool back) {
    c.Rect(8, 15, 15, 22, SHIRT);
    // The arm that swings forward rises a little; it is the one opposite the stepping leg.
    const int raise_left = phase < 0 ? 1 : 0;
    const int raise_right = phase > 0 ? 1 : 0;
    c.Set(7, 15, SLEEVE);
    c.Rect(6, 16, 7, 20 - raise_left, SLEEVE);
    c.Rect(6, 21 - raise_left, 7, 22 - raise_left, SKIN);
    c.Set(16, 15, SLEEVE);
    c.Rect(16, 16, 17, 20 - raise_right, SLEEVE);
    c.Rect(16, 21 - raise_right, 17, 22 - raise_right, SKIN);
    if (l.belt && l.lower != Lower::Dress) {
        c.Row(21, 8, 15, BELT);
        if (!back) c.Rect(11, 21, 12, 21, GOLD);
    }
    if (l.tabard) {
        c.Rect(10, 15, 13, 24, ACCENT);
        c.Rect(11, 17, 12, 20, GOLD);
        c.Row(18, 10, 13, GOLD);
    }
    if (l.overalls && !back) {
        c.Rect(9, 18, 14, 22, LEGS);
        c.Rect(9, 15, 9, 17, LEGS);
        c.Rect(14, 15, 14, 17, LEGS);
        c.Set(9, 19, GOLD);
        c.Set(14, 19, GOLD);
    }
    if (l.overalls && back) {
        c.Rect(9, 15, 9, 22, LEGS);
        c.Rect(14, 15, 14, 22, LEGS);
    }
    if (l.apron && !back) {
        c.Rect(9, 17, 14, 25, ACCENT);
        c.Set(9, 16, ACCENT);
        c.Set(14, 16, ACCENT);
        c.Set(9, 15, ACCENT);
        c.Set(14, 15, ACCENT);
    }
    if (l.apron && back) c.Row(19, 8, 15, ACCENT);
    if (l.cape && back) {
        c.Rect(8, 15, 15, 16, CAPE);
        c.Rect(7, 17, 16, 24, CAPE);
        c.Row(25, 8 - phase, 15 - phase, CAPE);
    }
    if (l.cape && !back) {
        c.Row(15, 8, 9, CAPE);
        c.Row(15, 14, 15, CAPE);
    }
    if (l.quiver && !back) {
        c.Set(9, 15, BELT);
        c.Set(10, 16, BELT);
        c.Set(11, 17, BELT);
        c.Set(12, 18, BELT);
        c.Set(13, 19, BELT);
        c.Set(14, 20, BELT);
    }
}

void FrontHair(Cell& c, const Look& l, bool back) {
    if (!HairShows(l)) return;
    const bool wide_hat = l.hat == Headwear::Wizard || l.hat == Headwear::Straw;
    switch (l.hair) {
    case Hair::Bald:
        // A ring of hair above the ears.
        c.Rect(7, 9, 7, 11, HAIR);
        c.Rect(16, 9, 16, 11, HAIR);
        if (back) c.Rect(8, 10, 15, 12, HAIR);
        return;
    case Hair::Short:
    case Hair::Ponytail:
    case Hair::Long:
        break;
    }
    c.Row(5, 8, 15, HAIR);
    c.Rect(7, 6, 16, 8, HAIR);
    if (back) {
        c.Rect(7, 9, 16, 12, HAIR);
        c.Row(13, 8, 15, HAIR);
    } else if (!wide_hat) {
        // A ragged fringe over the forehead.
        c.Set(7, 9, HAIR);
        c.Set(8, 9, HAIR);
        c.Set(10, 9, HAIR);
        c.Set(11, 9, HAIR);
        c.Set(13, 9, HAIR);
        c.Set(15, 9, HAIR);
        c.Set(16, 9, HAIR);
        c.Set(7, 10, HAIR);
        c.Set(16, 10, HAIR);
    } else {
        c.Rect(7, 9, 7, 10, HAIR);
        c.Rect(16, 9, 16, 10, HAIR);
    }
    if (l.hair == Hair::Long) {
        c.Rect(6, 8, 7, 16, HAIR);
        c.Rect(16, 8, 17, 16, HAIR);
        c.Set(6, 17, HAIR);
        c.Set(17, 17, HAIR);
        if (back) {
            c.Rect(8, 13, 15, 18, HAIR);
            c.Row(19, 9, 14, HAIR);
        }
    }
    if (l.hair == Hair::Ponytail && back) {
        c.Row(12, 10, 13, HATBAND);
        c.Rect(10, 13, 13, 17, HAIR);
        c.Row(18, 11, 12, HAIR);
    }
}

// Hats that look the same from every side, or whose lower part does.
void StrawHat(Cell& c) {
    c.Row(3, 9, 14, HAT);
    c.Rect(8, 4, 15, 5, HAT);
    c.Row(6, 8, 15, HATBAND);
    c.Row(7, 4, 19, HAT);
    c.Row(8, 5, 18, HAT);
}

// The wizard's brim, band and the foot of the cone; the tip differs by direction.
void WizardBrim(Cell& c) {
    c.Row(8, 5, 18, HAT);
    c.Row(7, 6, 17, HAT);
    c.Row(6, 8, 15, HATBAND);
    c.Row(5, 9, 14, HAT);
    c.Row(4, 9, 13, HAT);
}

void FrontHeadwear(Cell& c, const Look& l, bool back) {
    switch (l.hat) {
    case Headwear::None:
        break;
    case Headwear::Wizard:
        WizardBrim(c);
        c.Row(3, 10, 13, HAT);
        c.Row(2, 12, 14, HAT);
        if (!back) c.Set(11, 6, GOLD);
        break;
    case Headwear::Straw:
        StrawHat(c);
        break;
    case Headwear::Helmet:
        c.Rect(10, 2, 13, 3, HATBAND); // plume
        c.Row(4, 9, 14, HAT);
        c.Rect(7, 5, 16, 8, HAT);
        if (back) {
            c.Rect(7, 9, 16, 13, HAT);
            c.Rect(11, 4, 12, 8, HATBAND); // the plume runs down the crest
            c.Row(11, 8, 15, GOLD);        // and a brass band holds the neck guard
        } else {
            c.Rect(7, 9, 7, 13, HAT);
            c.Rect(16, 9, 16, 13, HAT);
            c.Rect(11, 9, 12, 10, HAT); // nose guard
        }
        break;
    case Headwear::Hood:
        c.Row(4, 9, 14, HAT);
        c.Rect(7, 5, 16, 8, HAT);
        c.Rect(6, 7, 7, 15, HAT);
        c.Rect(16, 7, 17, 15, HAT);
        if (back) {
            c.Rect(7, 9, 16, 15, HAT);
            c.Row(16, 9, 14, HAT);
            c.Set(11, 17, HAT);
            c.Set(12, 17, HAT);
        } else {
            c.Row(15, 8, 15, HAT); // the hood's collar over the shoulders
            c.Rect(8, 9, 9, 9, HAIR);
            c.Rect(14, 9, 15, 9, HAIR);
        }
        break;
    case Headwear::Turban:
        c.Row(3, 9, 14, HAT);
        c.Rect(7, 4, 16, 8, HAT);
        c.Rect(6, 5, 17, 7, HAT);
        // The wound cloth shows as slanting bands.
        for (int i = 0; i < 4; ++i) {
            c.Set(7 + 3 * i, 7, HATBAND);
            c.Set(8 + 3 * i, 6, HATBAND);
            c.Set(9 + 3 * i, 5, HATBAND);
        }
        if (!back) {
            c.Rect(11, 5, 12, 6, GOLD);
            c.Set(11, 4, HATBAND);
            c.Set(12, 4, HATBAND);
        }
        break;
    case Headwear::Tiara:
        c.Row(5, 9, 14, GOLD);
        c.Row(4, 10, 13, GOLD);
        if (!back) c.Rect(11, 3, 12, 4, HATBAND);
        break;
    }
}

void FrontHead(Cell& c, const Look& l, bool back) {
    c.Row(6, 8, 15, SKIN);
    c.Rect(7, 7, 16, 13, SKIN);
    c.Row(14, 8, 15, SKIN);
    const bool ears = l.hair != Hair::Long && l.hat != Headwear::Hood && l.hat != Headwear::Helmet;
    if (ears) {
        c.Rect(6, 10, 6, 11, SKIN);
        c.Rect(17, 10, 17, 11, SKIN);
    }
    if (!back) {
        c.Rect(9, 10, 9, 11, EYE);
        c.Rect(14, 10, 14, 11, EYE);
        c.Row(13, 11, 12, MOUTH);
    }
    FrontHair(c, l, back);
    if (!back && l.beard > 0) {
        c.Row(12, 9, 14, BEARD); // moustache
        c.Rect(8, 13, 15, 13 + (l.beard > 1 ? 1 : 0), BEARD);
        for (int i = 2; i < l.beard; ++i) {
            const int inset = i / 2;
            c.Row(13 + i, 9 + inset, 14 - inset, BEARD);
        }
        c.Set(11, 13, MOUTH);
        c.Set(12, 13, MOUTH);
    }
    FrontHeadwear(c, l, back);
}

void DrawFront(Cell& c, const Look& l, int phase, bool back) {
    FrontLegs(c, l, phase);
    FrontBody(c, l, phase, back);
    FrontHead(c, l, back);
    if (l.quiver && back) {
        // Slung over the hood, so the feathers show above the shoulder.
        c.Rect(14, 13, 15, 22, ACCENT);
        c.Set(15, 12, HATBAND);
        c.Set(16, 11, HATBAND);
        c.Set(14, 12, HATBAND);
        c.Set(9, 17, BELT); // the strap across the back
        c.Set(10, 16, BELT);
        c.Set(11, 15, BELT);
    }
}

// ---- Profile facing right; facing left is its mirror image ----

// One leg in profile; `stride` +1 forward, -1 back, 0 straight down.
void SideLeg(Cell& c, const Look& l, int stride, bool is_far) {
    const bool dress = l.lower == Lower::Dress;
    const bool robe = l.lower == Lower::Robe;
    if (stride > 0) {
        if (!robe && !dress) c.Rect(11, 23, 13, 25, LEGS, is_far);
        if (!robe) c.Rect(12, 26, 14, 27, LEGS, is_far);
        c.Rect(13, 28, 16, 29, SHOES, is_far);
    } else if (stride < 0) {
        if (!robe && !dress) c.Rect(10, 23, 12, 25, LEGS, is_far);
        if (!robe) c.Rect(9, 26, 11, 27, LEGS, is_far);
        c.Rect(8, 28, 11, 29, SHOES, is_far);
        c.Set(8, 28, NONE); // the heel comes off the ground
    } else {
        if (!robe && !dress) c.Rect(10, 23, 13, 25, LEGS, is_far);
        if (!robe) c.Rect(10, 26, 13, 27, LEGS, is_far);
        c.Rect(10, 28, 14, 29, SHOES, is_far);
    }
}

// One arm in profile; `swing` +1 forward, -1 back, 0 hanging.
void SideArm(Cell& c, int swing, bool is_far) {
    if (is_far) {
        // Only the hand of the far arm shows, when it swings past the body.
        if (swing > 0) c.Rect(14, 20, 15, 21, SKIN, true);
        if (swing < 0) c.Rect(8, 20, 9, 21, SKIN, true);
        return;
    }
    c.Rect(11, 15, 12, 17, SLEEVE);
    if (swing > 0) {
        c.Rect(12, 18, 13, 19, SLEEVE);
        c.Rect(13, 20, 14, 21, SKIN);
    } else if (swing < 0) {
        c.Rect(10, 18, 11, 19, SLEEVE);
        c.Rect(9, 20, 10, 21, SKIN);
    } else {
        c.Rect(11, 18, 12, 20, SLEEVE);
        c.Rect(11, 21, 12, 22, SKIN);
    }
}

void SideHeadwear(Cell& c, const Look& l) {
    switch (l.hat) {
    case Headwear::None:
        break;
    case Headwear::Wizard:
        WizardBrim(c);
        c.Row(3, 8, 12, HAT);
        c.Row(2, 6, 9, HAT); // the tip flops backwards
        break;
    case Headwear::Straw:
        StrawHat(c);
        break;
    case Headwear::Helmet:
        c.Row(2, 8, 12, HATBAND);
        c.Row(3, 7, 11, HATBAND);
        c.Row(4, 9, 14, HAT);
        c.Rect(8, 5, 15, 8, HAT);
        c.Rect(8, 9, 11, 13, HAT);
        c.Rect(14, 9, 15, 9, HAT);
        break;
    case Headwear::Hood:
        c.Row(4, 9, 14, HAT);
        c.Rect(8, 5, 15, 8, HAT);
        c.Rect(7, 7, 11, 15, HAT);
        c.Rect(8, 16, 10, 16, HAT);
        c.Set(13, 9, HAIR);
        break;
    case Headwear::Turban:
        c.Row(3, 9, 14, HAT);
        c.Rect(7, 4, 16, 8, HAT);
        for (int i = 0; i < 3; ++i) {
            c.Set(8 + 3 * i, 7, HATBAND);
            c.Set(9 + 3 * i, 6, HATBAND);
            c.Set(10 + 3 * i, 5, HATBAND);
        }
        c.Rect(15, 5, 16, 6, GOLD);
        break;
    case Headwear::Tiara:
        c.Row(5, 10, 14, GOLD);
        c.Set(14, 4, HATBAND);
        break;
    }
}

void SideHead(Cell& c, const Look& l) {
    c.Row(6, 9, 14, SKIN);
    c.Rect(8, 7, 15, 13, SKIN);
    c.Row(14, 9, 14, SKIN);
    c.Set(16, 11, SKIN); // nose
    c.Rect(14, 10, 14, 11, EYE);
    c.Set(15, 13, MOUTH);
    if (HairShows(l)) {
        const bool wide_hat = l.hat == Headwear::Wizard || l.hat == Headwear::Straw;
        switch (l.hair) {
        case Hair::Bald:
            c.Rect(8, 9, 9, 12, HAIR);
            break;
        case Hair::Short:
        case Hair::Long:
        case Hair::Ponytail:
            c.Row(5, 9, 14, HAIR);
            c.Rect(8, 6, 15, 8, HAIR);
            c.Rect(7, 7, 10, 12, HAIR);
            c.Row(13, 8, 9, HAIR);
            if (!wide_hat) {
                c.Set(13, 9, HAIR);
                c.Set(15, 9, HAIR);
            }
            if (l.hair == Hair::Long) {
                c.Rect(6, 8, 10, 17, HAIR);
                c.Row(18, 7, 9, HAIR);
            }
            if (l.hair == Hair::Ponytail) {
                c.Rect(6, 9, 6, 10, HATBAND);
                c.Rect(4, 10, 6, 16, HAIR);
                c.Row(17, 5, 6, HAIR);
            }
            break;
        }
        c.Rect(11, 10, 11, 11, SKIN, true); // ear
    }
    if (l.beard > 0) {
        c.Rect(13, 12, 16, 12, BEARD);
        c.Rect(11, 13, 15, 13 + (l.beard > 1 ? 1 : 0), BEARD);
        for (int i = 2; i < l.beard; ++i)
            c.Row(13 + i, 12 + i / 2, 15, BEARD);
    }
    SideHeadwear(c, l);
}

void DrawSide(Cell& c, const Look& l, int phase) {
    // On stride +1 the near leg steps forward and the near arm swings back.
    if (l.cape) {
        c.Rect(7, 15, 8, 24, CAPE, true);
        c.Set(7 - (phase != 0 ? 1 : 0), 25, CAPE, true);
    }
    if (l.quiver) {
        c.Rect(7, 14, 8, 21, ACCENT);
        c.Set(6, 13, HATBAND);
        c.Set(5, 12, HATBAND);
    }
    SideArm(c, -phase, true);
    SideLeg(c, l, -phase, true);
    SideLeg(c, l, phase, false);
    c.Rect(9, 15, 14, 22, SHIRT);
    if (l.lower == Lower::Robe) {
        c.Rect(9, 23, 15, 24, SKIRT);
        c.Rect(8, 25, 15, 26, SKIRT);
        c.Row(27, 8, 16, SKIRT);
    } else if (l.lower == Lower::Dress) {
        c.Rect(9, 21, 14, 22, SKIRT);
        c.Rect(8, 23, 15, 24, SKIRT);
        c.Row(25, 7, 16, SKIRT);
    } else {
        c.Row(23, 9, 14, LEGS);
        if (l.belt) c.Row(21, 9, 14, BELT);
    }
    if (l.tabard) {
        c.Rect(13, 15, 14, 24, ACCENT);
        c.Set(14, 18, GOLD);
    }
    if (l.overalls) {
        c.Rect(12, 18, 14, 22, LEGS);
        c.Rect(13, 15, 13, 17, LEGS);
    }
    if (l.apron) c.Rect(14, 16, 15, 25, ACCENT);
    if (l.quiver) c.Row(16, 9, 14, BELT);
    SideArm(c, -phase, false);
    SideHead(c, l);
}

// Paints a laid-out frame into the sheet at (ox, oy): shading from the material edges,
// then a dark rim on every transparent pixel that touches the figure.
void Paint(const Cell& c, const Look& l, Canvas& sheet, int ox, int oy) {
    for (int y = 0; y < CHAR_FRAME_H; ++y)
        for (int x = 0; x < CHAR_FRAME_W; ++x) {
            const Mat m = c.At(x, y);
            if (m == NONE) {
                Mat touching = NONE;
                const int nx[4] = {x, x - 1, x + 1, x};
                const int ny[4] = {y + 1, y, y, y - 1};
                for (int k = 0; k < 4 && touching == NONE; ++k)
                    touching = c.At(nx[k], ny[k]);
                if (touching != NONE) {
                    Px(sheet, ox + x, oy + y, Rim(l.colour[touching]));
                }
                continue;
            }
            const Rgb base = l.colour[m];
            Rgb out = base;
            if (m == EYE || m == MOUTH) {
                out = base;
            } else if (c.far[y][x]) {
                out = Shade(Shade(base));
            } else if (c.At(x + 1, y) != m || c.At(x, y + 1) == NONE) {
                out = Shade(base);
            } else if (c.At(x - 1, y) != m || c.At(x, y - 1) != m) {
                out = Light(base);
            }
            Px(sheet, ox + x, oy + y, out);
        }
}

void DrawBlock(const Look& l, Canvas& sheet, int bx, int by) {
    for (int dir = 0; dir < 4; ++dir)
        for (int frame = 0; frame < 3; ++frame) {
            Cell c;
            const int phase = PhaseOf(frame);
            switch (dir) {
            case 0:
                DrawFront(c, l, phase, true);
                break;
            case 1:
                DrawSide(c, l, phase);
                break;
            case 2:
                DrawFront(c, l, phase, false);
                break;
            default:
                DrawSide(c, l, phase);
                c.Mirror();
                break;
            }
            Paint(c, l, sheet, bx + frame * CHAR_FRAME_W, by + dir * CHAR_FRAME_H);
        }
}

enum Wear : unsigned { W_APRON = 1, W_TABARD = 2, W_CAPE = 4, W_OVERALLS = 8, W_QUIVER = 16, W_NO_BELT = 32 };

// What sets one person of the town apart. Colours given as kUsual take the usual choice: the
// hat in the hair's colour, a red hatband, the accent in the shirt's colour, a leather belt.
struct Character {
    Rgb skin, hair, shirt, legs, shoes;
    Rgb hat, hatband, accent, belt;
    Hair hair_style;
    Headwear headwear;
    Lower lower;
    int beard;
    unsigned wears; // Wear bits
};

const Rgb kUsual{-1, -1, -1};
const Rgb kSkinFair{246, 208, 172};
const Rgb kSkinPale{250, 222, 200};
const Rgb kSkinTan{216, 160, 112};
const Rgb kSkinBrown{168, 110, 70};
const Rgb kSkinDark{134, 86, 56};

// The town's people, in block order.
// clang-format off
const Character kTown[kSheetBlocksAcross * kSheetBlocksDown] = {
    // skin        hair             shirt            legs             shoes
    // hat               hatband          accent          belt
    // knight: helmet with a red plume, blue tabard over mail, red cape
    {kSkinFair,  {120, 80, 40},   {150, 156, 168}, {84, 86, 98},    {96, 62, 38},
     {196, 202, 214},  {210, 40, 40},   {44, 76, 176},  kUsual,
     Hair::Short,    Headwear::Helmet, Lower::Trousers, 0, W_TABARD | W_CAPE},
    // mage: pointed purple hat, long white beard, robe to the ankles
    {kSkinPale,  {226, 226, 236}, {96, 58, 168},   {60, 40, 80},    {76, 52, 44},
     {72, 44, 140},    {236, 196, 64},  kUsual,         {236, 196, 64},
     Hair::Short,    Headwear::Wizard, Lower::Robe,     6, 0},
    // farmer: straw hat, green shirt, blue overalls
    {kSkinTan,   {130, 84, 44},   {104, 150, 64},  {64, 96, 164},   {104, 70, 42},
     {232, 196, 104},  {176, 52, 44},   kUsual,         kUsual,
     Hair::Short,    Headwear::Straw,  Lower::Trousers, 0, W_OVERALLS | W_NO_BELT},
    // merchant: white turban with a jewel, crimson coat, golden sash, black beard
    {kSkinDark,  {36, 30, 34},    {168, 36, 64},   {70, 48, 76},    {110, 70, 36},
     {236, 232, 218},  {200, 150, 60},  kUsual,         {236, 188, 60},
     Hair::Short,    Headwear::Turban, Lower::Trousers, 2, 0},
    // ranger: green hood, leaf-green tunic, quiver on the back; the hatband is the feathers
    {kSkinTan,   {170, 90, 40},   {84, 132, 60},   {112, 82, 52},   {72, 48, 32},
     {52, 100, 48},    {236, 232, 220}, {128, 84, 44},  kUsual,
     Hair::Short,    Headwear::Hood,   Lower::Trousers, 0, W_QUIVER},
    // village girl: long red hair, blue dress, white stockings
    {kSkinFair,  {204, 84, 44},   {70, 112, 196},  {236, 232, 226}, {120, 70, 40},
     kUsual,           kUsual,          kUsual,         kUsual,
     Hair::Long,     Headwear::None,   Lower::Dress,    0, W_NO_BELT},
    // blacksmith: bald, black beard, grey shirt, leather apron
    {kSkinBrown, {44, 36, 34},    {178, 186, 196}, {84, 70, 60},    {48, 42, 44},
     kUsual,           kUsual,          {150, 96, 52},  kUsual,
     Hair::Bald,     Headwear::None,   Lower::Trousers, 3, W_APRON},
    // noble lady: golden ponytail, tiara, rose gown
    {kSkinPale,  {244, 208, 96},  {222, 104, 156}, {250, 232, 236}, {150, 40, 90},
     kUsual,           {70, 130, 230},  kUsual,         kUsual,
     Hair::Ponytail, Headwear::Tiara,  Lower::Dress,    0, W_NO_BELT},
};
// clang-format on

Rgb Or(Rgb given, Rgb usual) {
    return given.r < 0 ? usual : given;
}

Look LookOf(const Character& ch) {
    Look l{};
    l.colour[SKIN] = ch.skin;
    l.colour[HAIR] = ch.hair;
    l.colour[SHIRT] = ch.shirt;
    l.colour[SLEEVE] = ch.shirt;
    l.colour[SKIRT] = ch.shirt;
    l.colour[ACCENT] = Or(ch.accent, ch.shirt);
    l.colour[LEGS] = ch.legs;
    l.colour[SHOES] = ch.shoes;
    l.colour[BELT] = Or(ch.belt, {92, 58, 34});
    l.colour[HAT] = Or(ch.hat, ch.hair);
    l.colour[HATBAND] = Or(ch.hatband, {180, 40, 40});
    l.colour[EYE] = {34, 26, 38};
    l.colour[BEARD] = ch.hair;
    l.colour[CAPE] = {150, 30, 40};
    l.colour[GOLD] = {236, 196, 64};
    l.colour[MOUTH] = Shade(Shade(ch.skin));
    l.hair = ch.hair_style;
    l.hat = ch.headwear;
    l.lower = ch.lower;
    l.beard = ch.beard;
    l.apron = (ch.wears & W_APRON) != 0;
    l.tabard = (ch.wears & W_TABARD) != 0;
    l.cape = (ch.wears & W_CAPE) != 0;
    l.overalls = (ch.wears & W_OVERALLS) != 0;
    l.quiver = (ch.wears & W_QUIVER) != 0;
    l.belt = (ch.wears & W_NO_BELT) == 0;
    return l;
}

} // namespace

Canvas DrawHeroSheet() {
    Canvas sheet(kSheetBlocksAcross * CHAR_BLOCK_W, kSheetBlocksDown * CHAR_BLOCK_H);
    for (int i = 0; i < kSheetBlocksAcross * kSheetBlocksDown; ++i)
        DrawBlock(LookOf(kTown[i]), sheet, (i % kSheetBlocksAcross) * CHAR_BLOCK_W,
                  (i / kSheetBlocksAcross) * CHAR_BLOCK_H);
    return sheet;
}
