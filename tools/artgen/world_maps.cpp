// Builds the village, the house interior and the forest. Ground that blends (dirt, grass,
// sand, water) is painted as a level per cell corner; each cell then takes the transition
// tile its four corners call for. Buildings, bridges and floors are laid on top, then the
// second layer's objects, each with the cells it blocks.
#include "tools/artgen/world_maps.h"

#include "core/config.h"
#include "tools/artgen/paint.h"
#include "tools/artgen/world_tiles.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

const char* const kWorldTileSetPath = RESOURCE_DIR "tiles.tga";

namespace {

// Corner levels, low to high; two corners of one cell may differ by one level at most.
constexpr int L_DIRT = 0, L_GRASS = 1, L_SAND = 2, L_SHALLOW = 3, L_DEEP = 4;

// Sizes of the maps, needed on both ends of every exit.
constexpr int kMainW = 48, kMainH = 36;
constexpr int kHouseW = 14, kHouseH = 13;
constexpr int kForestW = 64, kForestH = 64;

// World position of the centre of grid cell (col, row) on a map `height` rows tall.
float CentreX(int col) {
    return static_cast<float>(col) + 0.5f;
}
float CentreY(int row, int height) {
    return static_cast<float>(height - 1 - row) + 0.5f;
}

entity_t ExitTo(int col, int row, int height, const std::string& target, int tcol, int trow, int theight) {
    entity_t e;
    e.posx = col;
    e.posy = height - 1 - row;
    e.newposx = CentreX(tcol);
    e.newposy = CentreY(trow, theight);
    e.newmap = target;
    return e;
}

class Builder {
  public:
    Builder(const std::string& name, int w, int h, int r, int g, int b)
        : w_(w), h_(h), level_(static_cast<std::size_t>((w + 1) * (h + 1)), L_GRASS),
          keep_(static_cast<std::size_t>(w * h), 0) {
        m_.name = name;
        MapData& d = m_.data;
        d.tilesetfile = kWorldTileSetPath;
        d.sizex = w;
        d.sizey = h;
        d.layer2 = 1;
        d.background[0] = r, d.background[1] = g, d.background[2] = b;
        d.ground.assign(static_cast<std::size_t>(w * h), T_GRASS);
        d.block.assign(static_cast<std::size_t>(w * h), 0);
        d.second.assign(static_cast<std::size_t>(w * h), -1);
    }

    bool In(int c, int r) const { return c >= 0 && r >= 0 && c < w_ && r < h_; }
    int& Ground(int c, int r) { return m_.data.ground[Index(c, r)]; }
    int& Block(int c, int r) { return m_.data.block[Index(c, r)]; }
    int& Layer2(int c, int r) { return m_.data.second[Index(c, r)]; }
    char& Keep(int c, int r) { return keep_[Index(c, r)]; }
    int& Level(int vx, int vy) { return level_[static_cast<std::size_t>(vy * (w_ + 1) + vx)]; }
    int Corner(int c, int r, int k) { return Level(c + (k & 1), r + (k >> 1)); }
    int MinCorner(int c, int r) {
        return std::min(std::min(Corner(c, r, 0), Corner(c, r, 1)),
                        std::min(Corner(c, r, 2), Corner(c, r, 3)));
    }
    int MaxCorner(int c, int r) {
        return std::max(std::max(Corner(c, r, 0), Corner(c, r, 1)),
                        std::max(Corner(c, r, 2), Corner(c, r, 3)));
    }
    int width() const { return w_; }
    int height() const { return h_; }
    NamedMap& map() { return m_; }

    // Cells c0..c1 by r0..r1 wholly of one level (their corners, so the edges blend outwards),
    // and kept clear of scattered decoration.
    void LevelRect(int c0, int r0, int c1, int r1, int level) {
        for (int vy = std::max(0, r0); vy <= std::min(h_, r1 + 1); ++vy)
            for (int vx = std::max(0, c0); vx <= std::min(w_, c1 + 1); ++vx)
                Level(vx, vy) = level;
        KeepRect(c0 - 1, r0 - 1, c1 + 1, r1 + 1);
    }

    void KeepRect(int c0, int r0, int c1, int r1) {
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                if (In(c, r)) Keep(c, r) = 1;
    }

    // Water in an ellipse (corner coordinates): deep in the middle, shallow, then a sandy shore.
    void Pond(float cx, float cy, float rx, float ry) {
        for (int vy = 0; vy <= h_; ++vy)
            for (int vx = 0; vx <= w_; ++vx) {
                const float dx = (static_cast<float>(vx) - cx) / rx, dy = (static_cast<float>(vy) - cy) / ry;
                const float wobble =
                    0.07f * std::sin(std::atan2(dy, dx) * 3 + 1) + 0.04f * std::sin(std::atan2(dy, dx) * 5);
                const float d = std::sqrt(dx * dx + dy * dy) + wobble;
                const int lv = d < 0.45f ? L_DEEP : (d < 0.75f ? L_SHALLOW : (d < 1.0f ? L_SAND : -1));
                if (lv >= 0) Level(vx, vy) = std::max(Level(vx, vy), lv);
            }
    }

    // Raise corners until no two neighbouring corners differ by more than one level, so every
    // cell needs only one transition tile (dirt meeting sand grows a strip of grass, and so on).
    void SettleLevels() {
        bool changed = true;
        while (changed) {
            changed = false;
            for (int vy = 0; vy <= h_; ++vy)
                for (int vx = 0; vx <= w_; ++vx)
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int nx = vx + dx, ny = vy + dy;
                            if (nx < 0 || ny < 0 || nx > w_ || ny > h_) continue;
                            if (Level(nx, ny) > Level(vx, vy) + 1) {
                                Level(vx, vy) = Level(nx, ny) - 1;
                                changed = true;
                            }
                        }
        }
    }

    // Ground tiles from the corner levels; cells with two or more water corners block.
    void LayGround(bool woods) {
        for (int r = 0; r < h_; ++r)
            for (int c = 0; c < w_; ++c) {
                const int lo = MinCorner(c, r), hi = MaxCorner(c, r);
                int water = 0;
                for (int k = 0; k < 4; ++k)
                    water += Corner(c, r, k) >= L_SHALLOW;
                if (water >= 2) Block(c, r) = 1;
                const float n = CellRand(c, r, 5);
                if (lo == hi) {
                    switch (lo) {
                    case L_DIRT:
                        Ground(c, r) = T_DIRT + (n < 0.25f);
                        break;
                    case L_GRASS:
                        if (woods && !Keep(c, r))
                            Ground(c, r) = n < 0.75f ? T_FORESTFLOOR : T_GRASS + 2;
                        else
                            Ground(c, r) = T_GRASS + (n < 0.45f ? 0 : (n < 0.8f ? 1 : (n < 0.92f ? 2 : 3)));
                        break;
                    case L_SAND:
                        Ground(c, r) = T_SAND + (n < 0.3f);
                        break;
                    case L_SHALLOW:
                        Ground(c, r) = T_SHALLOW;
                        break;
                    default:
                        Ground(c, r) = T_DEEP + (n < 0.4f);
                        break;
                    }
                    continue;
                }
                int mask = 0;
                for (int k = 0; k < 4; ++k)
                    if (Corner(c, r, k) > lo) mask |= kCornerBit[k];
                static const int bases[4] = {T_DIRT_GRASS, T_GRASS_SAND, T_SAND_WATER, T_WATER_DEEP};
                Ground(c, r) = bases[lo] + mask;
            }
    }

    // A second-layer object of w by h tiles with its top-left tile at (c, r); rows from
    // block_from down to its bottom stop the player. False, and nothing placed, when a cell
    // is off the grid or taken.
    bool Put(int tile, int c, int r, int w, int h, int block_from) {
        for (int dy = 0; dy < h; ++dy)
            for (int dx = 0; dx < w; ++dx)
                if (!In(c + dx, r + dy) || Layer2(c + dx, r + dy) >= 0) return false;
        for (int dy = 0; dy < h; ++dy)
            for (int dx = 0; dx < w; ++dx) {
                Layer2(c + dx, r + dy) = tile + dy * kTilesPerRow + dx;
                if (dy >= block_from) Block(c + dx, r + dy) = 1;
            }
        return true;
    }

    // True when a w by h object may be scattered at (c, r): on grass, nothing there, not kept clear.
    bool Open(int c, int r, int w, int h) {
        for (int dy = 0; dy < h; ++dy)
            for (int dx = 0; dx < w; ++dx) {
                const int x = c + dx, y = r + dy;
                if (!In(x, y) || Layer2(x, y) >= 0 || Keep(x, y) || Block(x, y)) return false;
                if (MinCorner(x, y) != L_GRASS || MaxCorner(x, y) != L_GRASS) return false;
            }
        return true;
    }

    // A tree of 2 by 3 tiles; `thicket` trees block all their cells, the others the two lowest rows.
    bool Tree(int tile, int c, int r, bool thicket) {
        if (!Open(c, r, 2, 3)) return false;
        return Put(tile, c, r, 2, 3, thicket ? 0 : 1);
    }

    // A house: three rows of roof (second layer) over two rows of wall with a door.
    void House(int c, int r, int w, int roof, bool stone, int door_col, int chimney_col, bool locked) {
        for (int dy = 0; dy < 3; ++dy)
            for (int dx = 0; dx < w; ++dx) {
                const int piece = dx == 0 ? 0 : (dx == w - 1 ? 2 : 1);
                int tile = roof + dy * 3 + piece;
                if (dy == 1 && c + dx == chimney_col) tile = roof + kRoofChimney;
                Layer2(c + dx, r + dy) = tile;
            }
        const int wl = stone ? T_STONEWALL_L : T_WOODWALL_L, wm = stone ? T_STONEWALL : T_WOODWALL;
        const int wr = stone ? T_STONEWALL_R : T_WOODWALL_R,
                  win = stone ? T_STONEWALL_WINDOW : T_WOODWALL_WINDOW;
        for (int dx = 0; dx < w; ++dx) {
            const int x = c + dx;
            const int edge = dx == 0 ? wl : (dx == w - 1 ? wr : wm);
            Ground(x, r + 3) = edge;
            Ground(x, r + 4) = edge;
            if (dx > 0 && dx < w - 1 && std::abs(x - door_col) >= 2 - (w <= 5)) Ground(x, r + 3) = win;
        }
        Ground(door_col, r + 3) = stone ? T_STONEDOOR_TOP : T_WOODDOOR_TOP;
        Ground(door_col, r + 4) = stone ? T_STONEDOOR : T_WOODDOOR;
        for (int dy = 0; dy < 5; ++dy)
            for (int dx = 0; dx < w; ++dx)
                Block(c + dx, r + dy) = 1;
        if (!locked) Block(door_col, r + 4) = 0;
        KeepRect(c - 1, r - 1, c + w, r + 5);
    }

    // Every cell of the outer ring either blocks or is an exit, so nobody walks off the grid.
    void SealBorder() {
        auto seal = [&](int c, int r) {
            for (const entity_t& e : m_.data.entities)
                if (e.posx == c && h_ - 1 - e.posy == r) return;
            if (Block(c, r)) return;
            Block(c, r) = 1;
            if (Layer2(c, r) < 0) Layer2(c, r) = CellRand(c, r, 9) < 0.7f ? T_BUSH : T_BERRYBUSH;
        };
        for (int c = 0; c < w_; ++c)
            seal(c, 0), seal(c, h_ - 1);
        for (int r = 0; r < h_; ++r)
            seal(0, r), seal(w_ - 1, r);
    }

    // Flowers, bushes and stones over the open grass, by a fixed hash of the cell.
    void Scatter(int seed, float flowers, float bushes, float stones) {
        for (int r = 0; r < h_; ++r)
            for (int c = 0; c < w_; ++c) {
                if (!Open(c, r, 1, 1)) continue;
                const float n = CellRand(c, r, seed);
                if (n < flowers) {
                    static const int kinds[3] = {T_FLOWERS_RED, T_FLOWERS_YELLOW, T_FLOWERS_WHITE};
                    Put(kinds[CellHash(c, r, seed + 1) % 3], c, r, 1, 1, 1);
                } else if (n < flowers + bushes) {
                    Put(CellRand(c, r, seed + 2) < 0.75f ? T_BUSH : T_BERRYBUSH, c, r, 1, 1, 0);
                } else if (n < flowers + bushes + stones) {
                    Put(CellRand(c, r, seed + 3) < 0.6f ? T_ROCK_SMALL : T_ROCK, c, r, 1, 1, 0);
                }
            }
    }

  private:
    std::size_t Index(int c, int r) const {
        return static_cast<std::size_t>(r) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(c);
    }

    int w_, h_;
    NamedMap m_;
    std::vector<int> level_; // (w + 1) by (h + 1) corner levels
    std::vector<char> keep_; // cells that scattered decoration leaves alone
};

// ---- the village ---------------------------------------------------------------------------

// The player's house on the village map: where its door is, for the exits both ways.
constexpr int kHomeDoorCol = 7, kHomeDoorRow = 13;
// The road out of the village, east edge: its two rows, and where it enters the forest.
constexpr int kRoadRow = 18;
constexpr int kForestTrailRow = 30;
// The mat by the house's way out.
constexpr int kMatCol = 6, kMatRow = kHouseH - 1;

NamedMap BuildVillage() {
    Builder b(START_MAP, kMainW, kMainH, 34, 68, 38);
    // Ground: the road east to the forest, the square, paths to the doors, the pond.
    b.LevelRect(3, kRoadRow, kMainW - 1, kRoadRow + 1, L_DIRT);
    b.LevelRect(19, 13, 28, 23, L_DIRT);
    struct HouseSpec {
        int c, r, w, roof;
        bool stone;
        int door, chimney;
        bool locked;
    };
    const HouseSpec houses[] = {
        {5, 9, 6, T_ROOF_RED, false, kHomeDoorCol, 9, false},
        {13, 7, 5, T_ROOF_SLATE, true, 15, 14, true},
        {30, 7, 6, T_ROOF_RED, true, 32, 34, true},
        {38, 9, 5, T_ROOF_SLATE, false, 40, 41, true},
    };
    for (const HouseSpec& h : houses)
        b.LevelRect(h.door, h.r + 5, h.door, kRoadRow - 1, L_DIRT);
    b.LevelRect(36, kRoadRow + 2, 37, 22, L_DIRT); // to the garden gate
    b.Pond(11.0f, 27.5f, 7.5f, 4.6f);
    b.SettleLevels();
    b.LayGround(false);
    for (int r = 13; r <= 23; ++r)
        for (int c = 19; c <= 28; ++c)
            b.Ground(c, r) = T_COBBLE + (CellRand(c, r, 21) < 0.4f);
    for (const HouseSpec& h : houses)
        b.House(h.c, h.r, h.w, h.roof, h.stone, h.door, h.chimney, h.locked);

    // The garden: a fenced plot with a gate towards the road.
    const int g0 = 32, g1 = 41, gt = 23, gb = 30;
    for (int c = g0; c <= g1; ++c) {
        int top = T_FENCE_H;
        if (c == g0)
            top = T_FENCE_TL;
        else if (c == g1)
            top = T_FENCE_TR;
        else if (c == 35)
            top = T_FENCE_END_R;
        else if (c == 38)
            top = T_FENCE_END_L;
        if (c != 36 && c != 37) b.Put(top, c, gt, 1, 1, 0);
        b.Put(c == g0 ? T_FENCE_BL : (c == g1 ? T_FENCE_BR : T_FENCE_H), c, gb, 1, 1, 0);
    }
    for (int r = gt + 1; r < gb; ++r)
        b.Put(T_FENCE_V, g0, r, 1, 1, 0), b.Put(T_FENCE_V, g1, r, 1, 1, 0);
    b.KeepRect(g0 - 1, gt - 1, g1 + 1, gb + 1);
    for (int c = g0 + 1; c < g1; ++c) {
        b.Ground(c, 25) = T_SOIL;
        b.Ground(c, 27) = T_SOIL;
        b.Put(c % 2 ? T_FLOWERS_RED : T_FLOWERS_YELLOW, c, 25, 1, 1, 1);
        if (c != 36 && c != 37) b.Put(T_FLOWERS_WHITE, c, 27, 1, 1, 1);
    }
    b.Put(T_BERRYBUSH, g0 + 1, 29, 1, 1, 0);
    b.Put(T_BERRYBUSH, g1 - 1, 29, 1, 1, 0);
    b.Put(T_BARREL, g1 - 2, 29, 1, 1, 0);

    // The square: a well in the middle, lamps at the corners.
    b.Put(T_WELL, 23, 14, 2, 2, 0);
    const int lamps[][2] = {{19, 13}, {28, 13}, {19, 22}, {28, 22}, {9, 16}, {34, 16}, {43, 16}, {13, 20}};
    for (const auto& l : lamps)
        b.Put(T_LAMP, l[0], l[1], 1, 2, 1);
    b.Put(T_SIGN, 45, 21, 1, 1, 0);
    // Barrels and crates by the houses, flowers under the windows.
    b.Put(T_BARREL, 11, 13, 1, 1, 0);
    b.Put(T_CRATE, 12, 13, 1, 1, 0);
    b.Put(T_BARREL, 12, 12, 1, 1, 0);
    b.Put(T_CRATE, 36, 11, 1, 1, 0);
    b.Put(T_BARREL, 29, 11, 1, 1, 0);
    for (const HouseSpec& h : houses)
        for (int c = h.c; c < h.c + h.w; ++c)
            if (std::abs(c - h.door) >= 2)
                b.Put(c % 2 ? T_FLOWERS_RED : T_FLOWERS_YELLOW, c, h.r + 5, 1, 1, 1);
    // Bushes flank the road where it leaves for the forest.
    for (int c = kMainW - 2; c < kMainW; ++c)
        b.Put(T_BUSH, c, kRoadRow - 1, 1, 1, 0), b.Put(T_BUSH, c, kRoadRow + 2, 1, 1, 0);
    // The pond: lilies and reeds.
    const int lilies[][2] = {{9, 27}, {13, 26}, {11, 29}, {15, 28}};
    for (const auto& l : lilies)
        b.Put(T_LILYPAD, l[0], l[1], 1, 1, 1);
    const int reeds[][2] = {{4, 27}, {5, 25}, {17, 29}, {16, 25}, {6, 30}};
    for (const auto& rd : reeds)
        b.Put(T_REEDS, rd[0], rd[1], 1, 1, 1);

    // Trees: a thick wood all round, and some in the village.
    for (int c = 0; c < kMainW; c += 2) {
        b.Tree(c % 4 ? T_PINE : T_TREE, c, 0, true);
        b.Tree(c % 4 ? T_TREE : T_PINE, c, kMainH - 3, true);
    }
    for (int r = 3; r + 3 <= kMainH - 3; r += 3) {
        b.Tree(r % 2 ? T_TREE : T_PINE, 0, r, true);
        b.Tree(r % 2 ? T_PINE : T_TREE, kMainW - 2, r, true);
    }
    const int trees[][3] = {{2, 4, 0},   {24, 3, 1},  {27, 4, 0},  {36, 3, 1},  {44, 5, 0},  {3, 21, 0},
                            {22, 27, 0}, {25, 29, 1}, {28, 26, 0}, {43, 24, 1}, {44, 28, 0}, {19, 30, 0},
                            {11, 3, 1},  {20, 3, 0},  {3, 14, 1},  {30, 30, 1}, {16, 3, 0},  {31, 3, 0},
                            {40, 4, 1},  {7, 4, 0},   {35, 30, 0}, {38, 31, 1}, {14, 31, 1}};
    for (const auto& t : trees)
        b.Tree(t[2] ? T_PINE : T_TREE, t[0], t[1], false);
    const int small[][2] = {{24, 24}, {30, 27}, {17, 25}, {42, 21}, {2, 31}};
    for (const auto& s : small)
        if (b.Open(s[0], s[1], 1, 2)) b.Put(T_SMALLTREE, s[0], s[1], 1, 2, 0);
    b.Scatter(31, 0.06f, 0.03f, 0.015f);

    // Exits: the home door into the house, the road's end into the forest.
    MapData& m = b.map().data;
    m.entities.push_back(
        ExitTo(kHomeDoorCol, kHomeDoorRow, kMainH, "house.map", kMatCol + 1, kMatRow - 2, kHouseH));
    for (int i = 0; i < 2; ++i)
        m.entities.push_back(
            ExitTo(kMainW - 1, kRoadRow + i, kMainH, "forest.map", 2, kForestTrailRow + i, kForestH));
    // New players start on the path below their own front door, the village ahead of them.
    m.startposx = CentreX(kHomeDoorCol);
    m.startposy = CentreY(kHomeDoorRow + 3, kMainH);
    b.SealBorder();
    return b.map();
}

// ---- the house -----------------------------------------------------------------------------

NamedMap BuildHouse() {
    Builder b("house.map", kHouseW, kHouseH, 0, 0, 0);
    const int w = kHouseW, h = kHouseH;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            b.Ground(c, r) = T_WOODFLOOR + (CellRand(c, r, 41) < 0.3f);
            if (r == 0 || r == h - 1 || c == 0 || c == w - 1) {
                b.Ground(c, r) = T_INWALL_TOP;
                b.Block(c, r) = 1;
            } else if (r <= 2) {
                b.Ground(c, r) = r == 1 ? T_INWALL_UPPER : T_INWALL;
                b.Block(c, r) = 1;
            }
        }
    b.Ground(4, 1) = T_INWALL_WINDOW;
    b.Ground(10, 1) = T_INWALL_WINDOW;
    b.Ground(9, 1) = T_INWALL_CLOCK;
    b.Ground(12, 1) = T_INWALL_PICTURE;
    for (int c = kMatCol; c <= kMatCol + 1; ++c) {
        b.Ground(c, kMatRow) = T_DOORMAT;
        b.Block(c, kMatRow) = 0;
    }
    // Shelves and the fireplace stand on the floor with their backs to the wall.
    b.Put(T_SHELF, 2, 2, 1, 2, 0);
    b.Put(T_SHELF, 3, 2, 1, 2, 0);
    b.Put(T_FIREPLACE, 6, 2, 2, 2, 0);
    b.Put(T_BED, 11, 3, 1, 2, 0);
    b.Put(T_CHEST, 12, 3, 1, 1, 0);
    b.Put(T_POTPLANT, 1, 3, 1, 1, 0);
    b.Put(T_POTPLANT, 12, 11, 1, 1, 0);
    b.Put(T_TABLE, 5, 7, 2, 1, 0);
    b.Put(T_CHAIR_DOWN, 5, 6, 1, 1, 0);
    b.Put(T_CHAIR_DOWN, 6, 6, 1, 1, 0);
    b.Put(T_CHAIR_UP, 5, 8, 1, 1, 0);
    b.Put(T_CHAIR_UP, 6, 8, 1, 1, 0);
    b.Put(T_RUG_L, 9, 7, 2, 1, 2);
    b.Put(T_BARREL, 1, 11, 1, 1, 0);
    b.Put(T_CRATE, 2, 11, 1, 1, 0);
    b.Put(T_BARREL, 1, 10, 1, 1, 0);
    MapData& m = b.map().data;
    for (int i = 0; i < 2; ++i)
        m.entities.push_back(
            ExitTo(kMatCol + i, kMatRow, kHouseH, START_MAP, kHomeDoorCol, kHomeDoorRow + 1, kMainH));
    m.startposx = CentreX(kMatCol + 1);
    m.startposy = CentreY(kMatRow - 2, kHouseH);
    return b.map();
}

// ---- the forest ----------------------------------------------------------------------------

NamedMap BuildForest() {
    Builder b("forest.map", kForestW, kForestH, 22, 46, 30);
    const int t = kForestTrailRow;
    // The trail: in from the village at the west edge, round two bends, over the stream,
    // up to the far clearing; a branch runs south to the pond clearing.
    b.LevelRect(0, t, 13, t + 1, L_DIRT);
    b.LevelRect(12, 18, 13, t + 1, L_DIRT);
    b.LevelRect(12, 18, 30, 19, L_DIRT);
    b.LevelRect(29, 18, 30, 34, L_DIRT);
    b.LevelRect(29, 33, 52, 34, L_DIRT);
    b.LevelRect(51, 14, 52, 34, L_DIRT);
    b.LevelRect(12, t, 13, 42, L_DIRT);
    // Clearings.
    auto clearing = [&](int cx, int cy, int radius) {
        for (int r = cy - radius; r <= cy + radius; ++r)
            for (int c = cx - radius; c <= cx + radius; ++c)
                if ((c - cx) * (c - cx) + (r - cy) * (r - cy) <= radius * radius && b.In(c, r))
                    b.Keep(c, r) = 1;
    };
    clearing(18, 47, 8);
    clearing(53, 11, 7);
    clearing(22, 26, 4);
    b.Pond(20.0f, 49.0f, 4.0f, 2.8f);
    // The stream, north to south, winding.
    for (int vy = 0; vy <= kForestH; ++vy)
        for (int vx = 0; vx <= kForestW; ++vx) {
            const float centre = 41.0f + 2.5f * std::sin(static_cast<float>(vy) * 0.18f);
            const float d = std::fabs(static_cast<float>(vx) - centre);
            const int lv = d < 1.0f ? L_DEEP : (d < 2.0f ? L_SHALLOW : (d < 3.0f ? L_SAND : -1));
            if (lv >= 0) b.Level(vx, vy) = std::max(b.Level(vx, vy), lv);
        }
    b.SettleLevels();
    for (int r = 0; r < kForestH; ++r)
        for (int c = 0; c < kForestW; ++c)
            if (b.MaxCorner(c, r) >= L_SAND) b.Keep(c, r) = 1;
    b.LayGround(true);
    // The bridge: deck from bank to bank, over the sand and the water.
    for (int c = 30; c < 50; ++c)
        if (b.MaxCorner(c, 33) >= L_SAND || b.MaxCorner(c, 34) >= L_SAND) {
            b.Ground(c, 33) = T_BRIDGE_TOP;
            b.Ground(c, 34) = T_BRIDGE_BOTTOM;
            b.Block(c, 33) = b.Block(c, 34) = 0;
        }

    // Signs and things in the clearings before the trees, so the trees leave them room.
    b.Put(T_SIGN, 4, t - 2, 1, 1, 0);
    b.Put(T_SIGN, 50, 16, 1, 1, 0);
    b.Put(T_ROCK, 55, 9, 1, 1, 0);
    b.Put(T_ROCK_SMALL, 56, 10, 1, 1, 0);
    b.Put(T_STUMP, 49, 8, 1, 1, 0);
    b.Put(T_LOG, 57, 13, 1, 1, 0);
    b.Put(T_MUSHROOMS, 54, 14, 1, 1, 1);
    b.Put(T_STUMP, 22, 25, 1, 1, 0);
    b.Put(T_MUSHROOMS, 23, 26, 1, 1, 1);
    b.Put(T_LOG, 15, 44, 1, 1, 0);
    b.Put(T_ROCK, 24, 45, 1, 1, 0);
    const int lilies[][2] = {{19, 49}, {21, 48}};
    for (const auto& l : lilies)
        b.Put(T_LILYPAD, l[0], l[1], 1, 1, 1);
    b.Put(T_REEDS, 16, 50, 1, 1, 1);
    b.Put(T_REEDS, 23, 51, 1, 1, 1);

    // Trees: a thicket along the edges, then the wood packed as tight as the trees fit.
    for (int c = 0; c + 2 <= kForestW; c += 2) {
        b.Tree(CellRand(c, 0, 51) < 0.6f ? T_PINE : T_TREE, c, 0, true);
        b.Tree(CellRand(c, 1, 51) < 0.6f ? T_PINE : T_TREE, c, kForestH - 3, true);
    }
    for (int r = 3; r + 3 <= kForestH - 3; r += 3) {
        b.Tree(CellRand(0, r, 53) < 0.6f ? T_PINE : T_TREE, 0, r, true);
        b.Tree(CellRand(1, r, 53) < 0.6f ? T_PINE : T_TREE, kForestW - 2, r, true);
    }
    for (int r = 0; r + 3 <= kForestH; r += 1)
        for (int c = 0; c + 2 <= kForestW; c += 1) {
            if (CellRand(c, r, 57) < 0.35f) continue; // leaves the wood a little ragged
            b.Tree(CellRand(c, r, 59) < 0.6f ? T_PINE : T_TREE, c, r, false);
        }
    // What the trees leave: undergrowth in the wood, flowers in the clearings.
    for (int r = 0; r < kForestH; ++r)
        for (int c = 0; c < kForestW; ++c) {
            if (!b.Open(c, r, 1, 1)) continue;
            const float n = CellRand(c, r, 61);
            if (n < 0.3f)
                b.Put(T_BUSH, c, r, 1, 1, 0);
            else if (n < 0.4f && b.Open(c, r, 1, 2))
                b.Put(T_SMALLTREE, c, r, 1, 2, 0);
            else if (n < 0.43f)
                b.Put(T_MUSHROOMS, c, r, 1, 1, 1);
            else if (n < 0.47f)
                b.Put(T_STUMP, c, r, 1, 1, 0);
        }
    for (int r = 0; r < kForestH; ++r)
        for (int c = 0; c < kForestW; ++c) {
            if (b.Layer2(c, r) >= 0 || b.Block(c, r) || b.MinCorner(c, r) != L_GRASS ||
                b.MaxCorner(c, r) != L_GRASS)
                continue;
            const float n = CellRand(c, r, 67);
            if (n < 0.08f)
                b.Put(n < 0.03f ? T_FLOWERS_WHITE : (n < 0.055f ? T_FLOWERS_YELLOW : T_FLOWERS_RED), c, r, 1,
                      1, 1);
            else if (n < 0.10f)
                b.Put(T_ROCK_SMALL, c, r, 1, 1, 0);
        }

    MapData& m = b.map().data;
    for (int i = 0; i < 2; ++i)
        m.entities.push_back(ExitTo(0, t + i, kForestH, START_MAP, kMainW - 3, kRoadRow + i, kMainH));
    m.startposx = CentreX(2);
    m.startposy = CentreY(t, kForestH);
    b.SealBorder();
    return b.map();
}

} // namespace

std::vector<NamedMap> BuildWorldMaps() {
    return {BuildVillage(), BuildHouse(), BuildForest()};
}
