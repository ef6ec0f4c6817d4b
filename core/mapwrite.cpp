// Writing map files: what the map tools and the Tiled import produce, in the layout the
// loader reads and the art generator writes.
#include "core/map.h"

#include <cstdio>
#include <cstdlib>

std::string FormatMapFloat(float value) {
    char text[64];
    // "%g" first, so a map that came from the generator is written back as it was; more digits
    // only for values six digits can't carry, which would otherwise move on every save.
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (static_cast<float>(std::strtod(text, nullptr)) == value) break;
    }
    return text;
}

static void WriteRows(std::ostream& out, const std::vector<int>& grid, int sizex, int sizey) {
    const std::size_t width = static_cast<std::size_t>(sizex);
    for (std::size_t row = 0; row < static_cast<std::size_t>(sizey); ++row) {
        for (std::size_t col = 0; col < width; ++col) {
            if (col) out << ' ';
            const std::size_t at = row * width + col;
            out << (at < grid.size() ? grid[at] : 0);
        }
        out << '\n';
    }
}

void WriteMap(std::ostream& out, const MapData& data) {
    out << data.tilesetfile << '\n'
        << data.sizex << '\n'
        << data.sizey << '\n'
        << FormatMapFloat(data.startposx) << '\n'
        << FormatMapFloat(data.startposy) << '\n'
        << data.layer2 << '\n'
        << data.entities.size() << '\n'
        << data.background[0] << ' ' << data.background[1] << ' ' << data.background[2] << '\n';
    out << "ground\n";
    WriteRows(out, data.ground, data.sizex, data.sizey);
    out << "block\n";
    WriteRows(out, data.block, data.sizex, data.sizey);
    if (data.layer2) {
        out << "layer2\n";
        WriteRows(out, data.second, data.sizex, data.sizey);
    }
    if (!data.entities.empty()) {
        out << "exits\n";
        for (const entity_t& e : data.entities)
            out << e.posx << ' ' << e.posy << ' ' << FormatMapFloat(e.newposx) << ' '
                << FormatMapFloat(e.newposy) << ' ' << e.newmap << '\n';
    }
}
