#include "tools/artgen/map_check.h"

#include <deque>
#include <map>

bool Blocked(const WorldMap& m, int col, int worldrow) {
    if (col < 0 || worldrow < 0 || col >= m.width || worldrow >= m.height) return true;
    return m.At(m.block, col, m.height - 1 - worldrow) == 1;
}

bool FeetFree(const WorldMap& m, float x, float y) {
    const int row = static_cast<int>(y - 0.5f);
    return !Blocked(m, static_cast<int>(x + 0.2f), row) && !Blocked(m, static_cast<int>(x - 0.2f), row) &&
           x >= 0 && y >= 0 && x < static_cast<float>(m.width) && y < static_cast<float>(m.height);
}

const WorldExit* ExitAt(const WorldMap& m, int col, int worldrow) {
    for (const WorldExit& e : m.exits)
        if (e.posx == col && e.posy == worldrow) return &e;
    return nullptr;
}

namespace {

// Cells reachable on foot from a position, by steps between free cells.
std::vector<char> Reach(const WorldMap& m, float x, float y) {
    std::vector<char> seen(static_cast<std::size_t>(m.width * m.height), 0);
    std::deque<std::pair<int, int>> todo; // column, world row
    auto visit = [&](int c, int w) {
        if (Blocked(m, c, w)) return;
        char& s = seen[static_cast<std::size_t>((m.height - 1 - w) * m.width + c)];
        if (s) return;
        s = 1;
        todo.emplace_back(c, w);
    };
    visit(static_cast<int>(x), static_cast<int>(y));
    while (!todo.empty()) {
        const auto [c, w] = todo.front();
        todo.pop_front();
        if (ExitAt(m, c, w)) continue; // stepping here leaves the map
        visit(c + 1, w), visit(c - 1, w), visit(c, w + 1), visit(c, w - 1);
    }
    return seen;
}

bool Fail(std::string* error, const std::string& map, const std::string& what) {
    *error = map + ": " + what;
    return false;
}

} // namespace

bool CheckWorldMaps(const std::vector<WorldMap>& maps, int tile_count, std::string* error) {
    std::map<std::string, const WorldMap*> byname;
    for (const WorldMap& m : maps)
        byname[m.name] = &m;
    if (!byname.count("main.map")) return Fail(error, "main.map", "missing");
    for (const WorldMap& m : maps) {
        const std::string& n = m.name;
        if (m.width < 1 || m.height < 1 || m.width > kMaxMapSide || m.height > kMaxMapSide)
            return Fail(error, n, "bad size");
        const std::size_t cells = static_cast<std::size_t>(m.width * m.height);
        if (m.ground.size() != cells || m.block.size() != cells || m.layer2.size() != cells)
            return Fail(error, n, "grid sizes differ from the header");
        for (std::size_t i = 0; i < cells; ++i) {
            const std::string where = " at column " + std::to_string(i % static_cast<std::size_t>(m.width)) +
                                      " row " + std::to_string(i / static_cast<std::size_t>(m.width));
            if (m.ground[i] < 0 || m.ground[i] >= tile_count)
                return Fail(error, n, "ground tile out of range" + where);
            if (m.layer2[i] >= tile_count) return Fail(error, n, "second-layer tile out of range" + where);
            if (m.block[i] != 0 && m.block[i] != 1) return Fail(error, n, "block value not 0 or 1" + where);
        }
        for (int k = 0; k < 3; ++k)
            if (m.background[k] < 0 || m.background[k] > 255)
                return Fail(error, n, "background colour out of range");
        if (!FeetFree(m, m.startx, m.starty)) return Fail(error, n, "start position blocked");
        if (ExitAt(m, static_cast<int>(m.startx), static_cast<int>(m.starty)))
            return Fail(error, n, "start on an exit");
        const std::vector<char> reach = Reach(m, m.startx, m.starty);
        auto reached = [&](int c, int w) {
            return reach[static_cast<std::size_t>((m.height - 1 - w) * m.width + c)] != 0;
        };
        for (int r = 0; r < m.height; ++r)
            for (int c = 0; c < m.width; ++c) {
                const bool edge = r == 0 || c == 0 || r == m.height - 1 || c == m.width - 1;
                if (edge && reached(c, m.height - 1 - r) && !ExitAt(m, c, m.height - 1 - r))
                    return Fail(error, n,
                                "the edge can be reached at column " + std::to_string(c) + " row " +
                                    std::to_string(r));
            }
        for (const WorldExit& e : m.exits) {
            const std::string which = "exit at " + std::to_string(e.posx) + "," + std::to_string(e.posy);
            if (e.posx < 0 || e.posy < 0 || e.posx >= m.width || e.posy >= m.height)
                return Fail(error, n, which + " off the grid");
            if (Blocked(m, e.posx, e.posy)) return Fail(error, n, which + " on a blocked cell");
            if (!reached(e.posx, e.posy)) return Fail(error, n, which + " can't be reached from the start");
            if (e.newmap.empty() || e.newmap.find(' ') != std::string::npos || !byname.count(e.newmap))
                return Fail(error, n, which + " leads to an unknown map " + e.newmap);
            const WorldMap& t = *byname[e.newmap];
            if (!FeetFree(t, e.newposx, e.newposy))
                return Fail(error, n, which + " lands on a blocked place");
            if (ExitAt(t, static_cast<int>(e.newposx), static_cast<int>(e.newposy)))
                return Fail(error, n, which + " lands on an exit of " + t.name);
            const std::vector<char> there = Reach(t, t.startx, t.starty);
            const int tc = static_cast<int>(e.newposx), tw = static_cast<int>(e.newposy);
            if (!there[static_cast<std::size_t>((t.height - 1 - tw) * t.width + tc)])
                return Fail(error, n, which + " lands where the start of " + t.name + " can't reach");
        }
    }
    return true;
}
