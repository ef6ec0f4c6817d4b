// A map file as any bytes: parsed; if accepted, checked, installed as the current map, asked the
// walking's questions (blocked feet, exits) against answers worked out from the parsed grids, and
// written and parsed again, which must give the same map.
#include "core/map.h"
#include "wire/protocol.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

// Names the failed check on standard error before aborting, so a finding says what broke.
static void Fail(int line, const char* what) {
    std::fprintf(stderr, "map_fuzz.cpp:%d: check failed: %s\n", line, what);
    std::abort();
}
#define Check(ok) ((ok) ? void() : Fail(__LINE__, #ok))

static bool SameFloat(float a, float b) {
    return a == b; // finite by the parser's promise
}

static bool Same(const MapData& a, const MapData& b) {
    if (a.tilesetfile != b.tilesetfile || a.sizex != b.sizex || a.sizey != b.sizey ||
        !SameFloat(a.startposx, b.startposx) || !SameFloat(a.startposy, b.startposy) ||
        (a.layer2 != 0) != (b.layer2 != 0) || a.ground != b.ground || a.block != b.block ||
        a.second != b.second || a.entities.size() != b.entities.size())
        return false;
    for (int i = 0; i < 3; ++i)
        if (a.background[i] != b.background[i]) return false;
    for (std::size_t i = 0; i < a.entities.size(); ++i) {
        const entity_t& x = a.entities[i];
        const entity_t& y = b.entities[i];
        if (x.posx != y.posx || x.posy != y.posy || !SameFloat(x.newposx, y.newposx) ||
            !SameFloat(x.newposy, y.newposy) || x.newmap != y.newmap)
            return false;
    }
    return true;
}

// Blocked as the walking rules say, read from the parsed grid: outside is blocked, 1 blocks. The
// probes are summed in float, as the walking does, and only then cut to cells.
static bool ReferenceBlocked(const MapData& m, float px, float py) {
    const float probes[2] = {px + 0.2f, px - 0.2f};
    const double row = std::trunc(static_cast<double>(py - 0.5f));
    for (const float x : probes) {
        const double col = std::trunc(static_cast<double>(x));
        if (col < 0 || row < 0 || col >= m.sizex || row >= m.sizey) return true;
        const auto r = static_cast<std::size_t>(m.sizey - 1 - static_cast<int>(row));
        if (m.block[r * static_cast<std::size_t>(m.sizex) + static_cast<std::size_t>(col)] == 1) return true;
    }
    return false;
}

static int ReferenceExit(const MapData& m, float px, float py) {
    const double col = std::trunc(static_cast<double>(px)), row = std::trunc(static_cast<double>(py));
    for (std::size_t i = 0; i < m.entities.size(); ++i)
        if (m.entities[i].posx == col && m.entities[i].posy == row) return static_cast<int>(i);
    return -1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    MapData parsed;
    std::string error;
    if (!ParseMap(in, parsed, error)) {
        Check(!error.empty());
        return 0;
    }
    // What the parser promises about every map it accepts.
    const auto cells = static_cast<std::size_t>(parsed.sizex) * static_cast<std::size_t>(parsed.sizey);
    Check(parsed.sizex >= 1 && parsed.sizex <= MAX_MAP_SIZE && parsed.sizey >= 1 &&
          parsed.sizey <= MAX_MAP_SIZE);
    Check(cells <= static_cast<std::size_t>(MAX_MAP_CELLS));
    Check(parsed.ground.size() == cells && parsed.block.size() == cells);
    Check(parsed.second.size() == (parsed.layer2 ? cells : 0));
    Check(parsed.entities.size() <= static_cast<std::size_t>(MAX_MAP_ENTITIES));
    Check(std::isfinite(parsed.startposx) && std::isfinite(parsed.startposy));
    for (const entity_t& e : parsed.entities)
        Check(std::isfinite(e.newposx) && std::isfinite(e.newposy) && e.newmap.size() <= MAX_MAP_NAME);

    // Written and read again: the same map.
    std::ostringstream written;
    WriteMap(written, parsed);
    std::istringstream again(written.str());
    MapData reread;
    Check(ParseMap(again, reread, error));
    Check(Same(parsed, reread));

    // Installed: the globals hold the parsed map, and the walking's questions get the answers the
    // parsed grids give, at the start, at every exit and its target, and around the edges.
    MapData installed = parsed;
    InstallMapData(installed);
    Check(MAP_SIZEX == parsed.sizex && MAP_SIZEY == parsed.sizey &&
          numentities == int(parsed.entities.size()));
    Check(tilesetfile == parsed.tilesetfile && startposx == parsed.startposx &&
          startposy == parsed.startposy);
    for (int row = 0; row < MAP_SIZEY; row += 1 + MAP_SIZEY / 64)
        for (int col = 0; col < MAP_SIZEX; col += 1 + MAP_SIZEX / 64) {
            const std::size_t at = static_cast<std::size_t>(row) * static_cast<std::size_t>(MAP_SIZEX) +
                                   static_cast<std::size_t>(col);
            Check(map[row][col] == parsed.ground[at] && blockmap[row][col] == parsed.block[at]);
            if (parsed.layer2) Check(map2[row][col] == parsed.second[at]);
        }
    std::vector<std::pair<float, float>> probes = {{parsed.startposx, parsed.startposy},
                                                   {-0.5f, -0.5f},
                                                   {0.0f, 0.0f},
                                                   {float(MAP_SIZEX), float(MAP_SIZEY)},
                                                   {float(MAP_SIZEX) - 0.1f, float(MAP_SIZEY) + 0.4f}};
    for (const entity_t& e : parsed.entities) {
        probes.emplace_back(float(e.posx) + 0.5f, float(e.posy) + 0.5f);
        probes.emplace_back(e.newposx, e.newposy);
        if (probes.size() > 64) break;
    }
    for (const auto& [px, py] : probes) {
        Check(FeetBlocked(blockmap, MAP_SIZEX, MAP_SIZEY, px, py) == ReferenceBlocked(parsed, px, py));
        Check(FindExit(entities, numentities, px, py) == ReferenceExit(parsed, px, py));
    }
    FreeMap();
    Check(!map && !map2 && !blockmap && !entitiesallocated && MAP_SIZEX == 0);
    return 0;
}
