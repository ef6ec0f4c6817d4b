#include "tools/artgen/map_check.h"

#include "wire/protocol.h"

#include <deque>
#include <map>

bool StandsFree(const MapData& m, float x, float y) {
    return x >= 0 && y >= 0 && x < static_cast<float>(m.sizex) && y < static_cast<float>(m.sizey) &&
           !FeetBlocked(m, x, y);
}

namespace {

// The exit on cell (col, worldrow) fires.
bool ExitAt(const MapData& m, int col, int worldrow) {
    return FindExit(m, static_cast<float>(col) + 0.5f, static_cast<float>(worldrow) + 0.5f) >= 0;
}

// Cells reachable on foot from a position, by steps between free cells.
std::vector<char> Reach(const MapData& m, float x, float y) {
    std::vector<char> seen(static_cast<std::size_t>(m.sizex * m.sizey), 0);
    std::deque<std::pair<int, int>> todo; // column, world row
    auto visit = [&](int c, int w) {
        if (CellBlocked(m, c, w)) return;
        char& s = seen[static_cast<std::size_t>((m.sizey - 1 - w) * m.sizex + c)];
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

bool CheckWorldMaps(const std::vector<NamedMap>& maps, int tile_count, std::string* error) {
    std::map<std::string, const MapData*> byname;
    for (const NamedMap& named : maps)
        byname[named.name] = &named.data;
    // Players start there.
    if (!byname.count(START_MAP)) return Fail(error, START_MAP, "missing");
    for (const NamedMap& named : maps) {
        const std::string& n = named.name;
        const MapData& m = named.data;
        if (m.sizex < 1 || m.sizey < 1 || m.sizex > kMaxMapSide || m.sizey > kMaxMapSide)
            return Fail(error, n, "bad size");
        const std::size_t cells = static_cast<std::size_t>(m.sizex * m.sizey);
        if (m.ground.size() != cells || m.block.size() != cells || m.second.size() != (m.layer2 ? cells : 0))
            return Fail(error, n, "grid sizes differ from the header");
        for (std::size_t i = 0; i < cells; ++i) {
            const std::string where = " at column " + std::to_string(i % static_cast<std::size_t>(m.sizex)) +
                                      " row " + std::to_string(i / static_cast<std::size_t>(m.sizex));
            if (m.ground[i] < 0 || m.ground[i] >= tile_count)
                return Fail(error, n, "ground tile out of range" + where);
            if (m.layer2 && m.second[i] >= tile_count)
                return Fail(error, n, "second-layer tile out of range" + where);
            if (m.block[i] != 0 && m.block[i] != 1) return Fail(error, n, "block value not 0 or 1" + where);
        }
        for (int k = 0; k < 3; ++k)
            if (m.background[k] < 0 || m.background[k] > 255)
                return Fail(error, n, "background colour out of range");
        if (!StandsFree(m, m.startposx, m.startposy)) return Fail(error, n, "start position blocked");
        if (FindExit(m, m.startposx, m.startposy) >= 0) return Fail(error, n, "start on an exit");
        const std::vector<char> reach = Reach(m, m.startposx, m.startposy);
        auto reached = [&](int c, int w) {
            return reach[static_cast<std::size_t>((m.sizey - 1 - w) * m.sizex + c)] != 0;
        };
        for (int r = 0; r < m.sizey; ++r)
            for (int c = 0; c < m.sizex; ++c) {
                const bool edge = r == 0 || c == 0 || r == m.sizey - 1 || c == m.sizex - 1;
                if (edge && reached(c, m.sizey - 1 - r) && !ExitAt(m, c, m.sizey - 1 - r))
                    return Fail(error, n,
                                "the edge can be reached at column " + std::to_string(c) + " row " +
                                    std::to_string(r));
            }
        for (const entity_t& e : m.entities) {
            const std::string which = "exit at " + std::to_string(e.posx) + "," + std::to_string(e.posy);
            if (e.posx < 0 || e.posy < 0 || e.posx >= m.sizex || e.posy >= m.sizey)
                return Fail(error, n, which + " off the grid");
            if (CellBlocked(m, e.posx, e.posy)) return Fail(error, n, which + " on a blocked cell");
            if (!reached(e.posx, e.posy)) return Fail(error, n, which + " can't be reached from the start");
            if (e.newmap.empty() || e.newmap.find(' ') != std::string::npos || !byname.count(e.newmap))
                return Fail(error, n, which + " leads to an unknown map " + e.newmap);
            const MapData& t = *byname[e.newmap];
            if (!StandsFree(t, e.newposx, e.newposy))
                return Fail(error, n, which + " lands on a blocked place");
            if (FindExit(t, e.newposx, e.newposy) >= 0)
                return Fail(error, n, which + " lands on an exit of " + e.newmap);
            const std::vector<char> there = Reach(t, t.startposx, t.startposy);
            const int tc = static_cast<int>(e.newposx), tw = static_cast<int>(e.newposy);
            if (!there[static_cast<std::size_t>((t.sizey - 1 - tw) * t.sizex + tc)])
                return Fail(error, n, which + " lands where the start of " + e.newmap + " can't reach");
        }
    }
    return true;
}
